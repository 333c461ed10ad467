#include "library/FlnSpace.h"

#include <unordered_set>
#include <vector>

#include "format/Endian.h"
#include "format/ZelFormat.h"
#include "storage/ZelFile.h"

namespace {

// Sums the items of every tag (record and data) and notes the PDFs' lengths.
// An item record is as wide as the container's version makes it.
bool SumItems(ZEL_FILE* file, int64_t* itemBytes, std::vector<uint64_t>* pdfLengths) {
  std::vector<int32_t> tags;
  int rc = ZEL_FirstTag(file);
  for (; rc == ZEL_OK; rc = ZEL_NextTag(file)) tags.push_back(file->current.tag);
  if (rc != ZEL_ERR_NO_TAG) return false;
  for (int32_t tag : tags) {
    for (rc = ZEL_FirstMember(file, tag); rc == ZEL_OK; rc = ZEL_NextMember(file)) {
      *itemBytes += static_cast<int64_t>(ZEL_ItemSize(*file->layout, file->current.dataLength));
      if (tag == kTagAttachmentData) pdfLengths->push_back(file->current.dataLength);
    }
    if (rc != ZEL_ERR_NO_MEMBER) return false;
  }
  return true;
}

}  // namespace

bool MeasureLibrarySpace(const FLN_DATA* flnData, FlnSpaceUse* use) {
  *use = FlnSpaceUse{};
  ZEL_FILE file;
  if (flnData == nullptr || ZEL_Open(flnData->filePath, 1, &file) != ZEL_OK) {
    ZEL_Close(&file);
    return false;
  }
  const zel::RecordLayout layout = *file.layout;
  int64_t itemBytes = layout.recordSize();  // the root record
  std::vector<uint64_t> pdfLengths;
  const bool walked = SumItems(&file, &itemBytes, &pdfLengths);
  use->fileSize = static_cast<int64_t>(file.fileSize);
  ZEL_Close(&file);
  if (!walked) return false;
  const int64_t used = zel::kHeaderSize + itemBytes;
  use->deadBytes = use->fileSize > used ? use->fileSize - used : 0;

  std::unordered_set<int32_t> named;
  const int32_t count = Tesk_Ary_GetSize(flnData->attachment);
  for (int32_t i = 0; i < count; ++i) {
    FLN_ATTACHMENT attachment;
    Tesk_Ary_GetData(flnData->attachment, i, &attachment);
    named.insert(ZEL_EndianLong_LtoN(attachment.dataIndex));
  }
  for (size_t i = 0; i < pdfLengths.size(); ++i) {
    if (named.count(static_cast<int32_t>(i)) != 0) continue;
    ++use->unusedPdfs;
    use->unusedPdfBytes += static_cast<int64_t>(ZEL_ItemSize(layout, pdfLengths[i]));
  }
  return true;
}
