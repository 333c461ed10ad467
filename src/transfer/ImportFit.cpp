#include "transfer/ImportFit.h"

#include <sys/stat.h>

#include "library/FlnFileShape.h"
#include "library/FlnPreference.h"
#include "storage/OwnedAry.h"
#include "storage/ZelFile.h"
#include "transfer/FileListing.h"
#include "transfer/FlxPath.h"

uint64_t ImportStoredGrowth(const zel::RecordLayout& layout, uint64_t pdfBytes) {
  return ZEL_ItemSize(layout, pdfBytes) + ZEL_ItemSize(layout, sizeof(FLN_ATTACHMENT_HASH));
}

uint64_t ImportRecordGrowth(const zel::RecordLayout& layout) {
  return ZEL_ItemSize(layout, sizeof(FLN_ATTACHMENT)) + ZEL_ItemSize(layout, sizeof(FLN_ENTRY));
}

uint64_t ImportTripleGrowth(const zel::RecordLayout& layout, int32_t count) {
  return static_cast<uint64_t>(count) * ZEL_ItemSize(layout, sizeof(FLN_CATS));
}

uint64_t ImportGrowthOnce(const zel::RecordLayout& layout) {
  constexpr int kSortRecords = 3, kImportCounters = 2;  // ENSO; (ENTR, en_id) and (ATTA, at_id)
  return kSortRecords * ZEL_ItemSize(layout, sizeof(FLN_ENTRY_SORT)) +
         kImportCounters * ZEL_ItemSize(layout, sizeof(FLN_ID_COUNTER)) + ImportTripleGrowth(layout, 1);
}

ImportFitCheck CheckImportFits(const FLN_DATA* flnData, const std::string& chosenPath) {
  ImportFitCheck check;
  FlnFileShape shape;
  if (flnData == nullptr || !ReadLibraryFileShape(flnData->filePath, &shape).ok()) return check;
  const zel::RecordLayout layout = shape.layout;
  check.fileSize = shape.size;
  check.wide = layout.version == zel::kLayout3.version;

  std::vector<std::string> paths;
  struct stat st;
  if (stat(chosenPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    OwnedAry list(Tesk_Ary_Init(kFlnPathBufferSize, 256, 256));
    if (list == nullptr) return check;
    std::string folder = chosenPath;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    ListUpFilesWithExt(folder.c_str(), "pdf", list.get(), nullptr);
    for (int32_t i = 0; i < Tesk_Ary_GetSize(list.get()); ++i)
      paths.emplace_back(static_cast<const char*>(Tesk_Ary_GetDataPtr(list.get(), i)));
  } else {
    paths.push_back(chosenPath);
  }
  // The folder the panel showed is remembered before the first file.
  check.needed = ZEL_ItemSize(layout, kPreferenceRecordSize) + ImportGrowthOnce(layout);
  for (const std::string& path : paths)
    if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
      check.needed += ImportStoredGrowth(layout, static_cast<uint64_t>(st.st_size)) + ImportRecordGrowth(layout) +
                      ImportTripleGrowth(layout, 1);
  check.fits = ZEL_Fits(layout, check.fileSize, check.needed);
  return check;
}
