#include "transfer/PdfOpenCopy.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "categories/EntrySelection.h"
#include "format/Endian.h"
#include "library/FlnEntryPdf.h"
#include "library/FlnLoad.h"
#include "format/FieldText.h"
#include "storage/OwnedAry.h"
#include "transfer/ExportName.h"

namespace {

// Numbered names tried for one base name within one call.
constexpr int kMaxNameNumber = 10000;

// Writes `bytes` whole to the new file `path` (never an existing one). 0,
// or the errno of the failure with no file left behind.
int WriteNewFile(const std::string& path, const QByteArray& bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0400);
  if (fd < 0) return errno;
  const char* data = bytes.constData();
  size_t left = static_cast<size_t>(bytes.size());
  int error = 0;
  while (left > 0 && error == 0) {
    const ssize_t n = write(fd, data, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? errno : EIO;
    } else {
      data += n;
      left -= static_cast<size_t>(n);
    }
  }
  if (close(fd) != 0 && error == 0) error = errno;
  if (error != 0) unlink(path.c_str());
  return error;
}

std::string BaseNameOf(const FLN_ENTRY& entry) {
  // Up to three UTF-8 bytes per stored unit: the buffer holds any name the field can.
  char fileName[sizeof(entry.en_file_name) / 2 * 3 + 1];
  if (FLN_COMM_ConvertUniCharToChar_LtoN(entry.en_file_name, sizeof entry.en_file_name, fileName, sizeof fileName) != 1)
    fileName[0] = '\0';
  return ExportBaseName(fileName);
}

}  // namespace

OpenCopyResult WritePdfCopiesForOpening(const FLN_DATA* flnData, const std::string& folder,
                                        const std::vector<int>& selectedRows) {
  OpenCopyResult result;
  OwnedAry rows(Tesk_Ary_Init(sizeof(int32_t), 20, 20));
  if (rows == nullptr || GetSelectedEntryIndexAry(selectedRows, rows.get()) != 0) return result;

  const int32_t count = Tesk_Ary_GetSize(rows.get());
  if (count == 0) return result;
  std::string made = folder + "/open-XXXXXX";
  const bool haveFolder = mkdtemp(made.data()) != nullptr;
  const int folderError = haveFolder ? 0 : errno;
  EntryPdfReader reader(flnData);
  std::vector<std::string> used;
  for (int32_t i = 0; i < count; ++i) {
    int32_t row;
    Tesk_Ary_GetData(rows.get(), i, &row);
    FLN_ENTRY entry;
    if (GetFLNEntry_ByFLNData(flnData, row, &entry) != 1) continue;
    const int32_t enId = ZEL_EndianLong_LtoN(entry.en_id);
    if (!haveFolder) {
      result.problems.push_back(ExportProblem{row, enId, ExportProblemKind::WriteFailed, folderError});
      continue;
    }
    PdfFault fault = PdfFault::None;
    const QByteArray bytes = reader.read(entry, &fault);
    if (fault != PdfFault::None) {
      result.problems.push_back(ExportProblem{row, enId, ExportProblemKind::NoPdf, 0, fault});
      continue;
    }
    const std::string base = BaseNameOf(entry);
    std::string path;
    for (int number = 0; number < kMaxNameNumber && path.empty(); ++number) {
      path = ExportPdfPath(made, base, number);
      if (path.empty()) break;
      if (std::find(used.begin(), used.end(), path) != used.end()) path.clear();
    }
    if (path.empty()) {
      result.problems.push_back(ExportProblem{row, enId, ExportProblemKind::NameTooLong, 0});
      continue;
    }
    if (const int error = WriteNewFile(path, bytes)) {
      result.problems.push_back(ExportProblem{row, enId, ExportProblemKind::WriteFailed, error});
      continue;
    }
    used.push_back(path);
    result.paths.push_back(path);
  }
  return result;
}
