#include "transfer/PdfExport.h"

#include <QByteArray>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <unordered_map>

#include "categories/EntrySelection.h"
#include "library/FlnEntryPdf.h"
#include "library/FlnLoad.h"
#include "library/FlnSave.h"
#include "format/Endian.h"
#include "format/FieldText.h"
#include "storage/TeskUtil.h"
#include "transfer/ExportName.h"
#include "transfer/FlxPath.h"
#include "transfer/FlxWriter.h"
#include "storage/OwnedAry.h"

namespace {

// Numbered names tried per entry before giving up.
constexpr int kMaxNameNumber = 100000;

// Creates a new file under a hidden temporary name in `folder` (O_EXCL: a
// file already there is never opened) and fills it through `fill`, which
// hands each piece to the writer it is given. 0 with *path set, or the errno
// of the failure (kFillGaveUp when `fill` itself gave up) with no file left
// behind.
constexpr int kFillGaveUp = -1;

int WriteTempFile(const std::string& folder, const std::function<bool(const std::function<bool(const char*, size_t)>&)>& fill,
                  std::string* path) {
  static unsigned serial = 0;
  std::string name;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    name = folder + "/.folian-export-" + std::to_string(getpid()) + "-" + std::to_string(++serial);
    fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return errno;
  }
  if (fd < 0) return EEXIST;
  int error = 0;
  const bool filled = fill([&](const char* bytes, size_t n) {
    for (size_t done = 0; done < n;) {
      const ssize_t written = ::write(fd, bytes + done, n - done);
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) {
        error = written < 0 ? errno : EIO;
        return false;
      }
      done += static_cast<size_t>(written);
    }
    return true;
  });
  if (!filled && error == 0) error = kFillGaveUp;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error != 0) {
    unlink(name.c_str());
    return error;
  }
  *path = name;
  return 0;
}

// Renames `from` to `to` unless something is already at `to`. 0, or -1 with
// errno set (EEXIST when the name is taken).
int RenameNoReplace(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return -1;
  // File systems without the no-replace rename: a hard link is refused for a taken name too.
  if (link(from.c_str(), to.c_str()) != 0) return -1;
  unlink(from.c_str());
  return 0;
}

bool NameIsTaken(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

// Claims `path` for a metadata text file by creating it empty. 1 when
// claimed, 0 when the name is taken, -1 (errno set) when it cannot be
// created for another reason.
int ClaimName(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd >= 0) {
    ::close(fd);
    return 1;
  }
  return errno == EEXIST ? 0 : -1;
}

struct Job {
  int32_t row;
  FLN_ENTRY entry;
  int32_t dataIndex;
  std::string tempPdf;  // the PDF's bytes, written and waiting for their name
  bool hasProblem = false;
  ExportProblem problem{};
  ExportedFile exported;
  bool done = false;
};

class Exporter {
 public:
  Exporter(FLN_DATA* flnData, std::string folder, ExportMode mode)
      : flnData_(flnData), folder_(std::move(folder)), withMetadata_(mode == ExportMode::WithMetadata) {}

  ~Exporter() {
    for (const Job& job : jobs_)
      if (!job.tempPdf.empty()) unlink(job.tempPdf.c_str());
  }

  bool collect(const std::vector<int>& selectedRows) {
    OwnedAry rows(Tesk_Ary_Init(sizeof(int32_t), 20, 20));
    if (rows == nullptr || GetSelectedEntryIndexAry(selectedRows, rows.get()) != 0) return false;
    // What GetAttachmentIndex answers (the dataIndex of the first attachment
    // record with the entry's en_id) for every entry at once, rather than a
    // walk over all attachments per exported entry.
    std::unordered_map<int32_t, int32_t> dataIndexOf;
    const int32_t attachments = Tesk_Ary_GetSize(flnData_->attachment);
    for (int32_t i = 0; i < attachments; ++i) {
      FLN_ATTACHMENT attachment;
      Tesk_Ary_GetData(flnData_->attachment, i, &attachment);
      dataIndexOf.emplace(attachment.en_id, ZEL_EndianLong_LtoN(attachment.dataIndex));
    }
    const int32_t count = Tesk_Ary_GetSize(rows.get());
    for (int32_t i = 0; i < count; ++i) {
      Job job;
      Tesk_Ary_GetData(rows.get(), i, &job.row);
      if (GetFLNEntry_ByFLNData(flnData_, job.row, &job.entry) != 1) continue;
      const auto found = dataIndexOf.find(job.entry.en_id);
      job.dataIndex = found == dataIndexOf.end() ? -1 : found->second;
      if (job.dataIndex < 0) report(&job, ExportProblemKind::NoPdf, 0);
      jobs_.push_back(job);
    }
    return true;
  }

  // Copies every PDF once, in the order they are stored, into its temporary
  // file, in bounded pieces and checked against its digest on the way.
  void writePdfs() {
    std::vector<Job*> byStorage;
    for (Job& job : jobs_)
      if (!job.hasProblem) byStorage.push_back(&job);
    std::stable_sort(byStorage.begin(), byStorage.end(),
                     [](const Job* a, const Job* b) { return a->dataIndex < b->dataIndex; });
    EntryPdfReader reader(flnData_);
    for (Job* job : byStorage) {
      PdfFault fault = PdfFault::None;
      const int error = WriteTempFile(
          folder_,
          [&](const std::function<bool(const char*, size_t)>& write) {
            fault = reader.copy(job->entry, write);
            return fault == PdfFault::None;
          },
          &job->tempPdf);
      if (error == kFillGaveUp)
        report(job, ExportProblemKind::NoPdf, 0, fault);
      else if (error != 0)
        report(job, ExportProblemKind::WriteFailed, error);
    }
  }

  // Gives each written PDF its name and its metadata text file, in row order.
  void placeAll() {
    for (Job& job : jobs_)
      if (!job.hasProblem) place(&job);
  }

  void finish(ExportResult* result) {
    bool changed = false;
    for (const Job& job : jobs_) {
      if (job.done) result->exported.push_back(job.exported);
      if (job.hasProblem) result->problems.push_back(job.problem);
      changed = changed || job.done;
    }
    if (changed && withMetadata_) result->save = SaveAll(flnData_->filePath, flnData_);
  }

 private:
  void report(Job* job, ExportProblemKind kind, int error, PdfFault fault = PdfFault::Unreadable) {
    job->hasProblem = true;
    job->problem = ExportProblem{job->row, ZEL_EndianLong_LtoN(job->entry.en_id), kind, error, fault};
  }

  void place(Job* job) {
    FLN_ENTRY copy = job->entry;
    Tesk_GetCurrentTimeAsString(copy.en_last_use_date, sizeof copy.en_last_use_date);

    // Up to three UTF-8 bytes per stored unit: the buffer holds any name the field can.
    char fileName[sizeof(copy.en_file_name) / 2 * 3 + 1];
    if (FLN_COMM_ConvertUniCharToChar_LtoN(copy.en_file_name, sizeof copy.en_file_name, fileName, sizeof fileName) != 1)
      fileName[0] = '\0';
    const std::string base = ExportBaseName(fileName);

    // A number is used only when both names are free: the metadata text
    // file's name is claimed first, then the PDF takes its name.
    std::string pdfPath, flxPath;
    bool flxClaimed = false;
    int flxError = 0;
    int& number = nextNumber_[base];
    for (;; ++number) {
      if (number == kMaxNameNumber) return report(job, ExportProblemKind::NoFreeName, 0);
      pdfPath = ExportPdfPath(folder_, base, number);
      if (pdfPath.empty()) return report(job, ExportProblemKind::NameTooLong, 0);
      if (withMetadata_) {
        char flx[kFlnPathBufferSize];
        if (GenerateFLXFilePath_ByPDFPath(pdfPath.c_str(), flx) != 1)
          return report(job, ExportProblemKind::NameTooLong, 0);
        flxPath = flx;
        const int claim = ClaimName(flxPath);
        if (claim == 0) continue;
        flxClaimed = claim == 1;
        if (!flxClaimed) {
          // Without its metadata text file the PDF still goes out, but never
          // beside a metadata text file that belongs to something else.
          flxError = errno;
          if (NameIsTaken(flxPath)) continue;
        }
      }
      if (RenameNoReplace(job->tempPdf, pdfPath) == 0) break;
      const int error = errno;
      if (flxClaimed) unlink(flxPath.c_str());
      if (error != EEXIST) return report(job, ExportProblemKind::WriteFailed, error);
    }
    ++number;  // the next entry of this base name starts after this one
    job->tempPdf.clear();
    if (!withMetadata_) {
      // A copy handed over: the entry itself is not touched.
      job->done = true;
      job->exported = ExportedFile{job->row, ZEL_EndianLong_LtoN(copy.en_id), pdfPath, std::string()};
      return;
    }

    if (flxClaimed && WriteFLXFile(&copy, flxPath.c_str()) != kFlxWriteOk) {
      flxError = errno != 0 ? errno : EIO;
      // An empty metadata text file would be read as one whose fields are all empty.
      unlink(flxPath.c_str());
      flxClaimed = false;
    }
    if (!flxClaimed) {
      flxPath.clear();
      report(job, ExportProblemKind::MetadataNotWritten, flxError);
    }

    UpdateEntry(flnData_->entry, &copy);
    job->done = true;
    job->exported = ExportedFile{job->row, ZEL_EndianLong_LtoN(copy.en_id), pdfPath, flxPath};
  }

  FLN_DATA* flnData_;
  std::string folder_;
  std::vector<Job> jobs_;
  std::map<std::string, int> nextNumber_;
  bool withMetadata_;
};

bool IsLoaded(const FLN_DATA* flnData) {
  return flnData != nullptr && flnData->filePath[0] != '\0' && flnData->entry != nullptr &&
         flnData->attachment != nullptr;
}

}  // namespace

const char* ExportProblemText(ExportProblemKind kind) {
  switch (kind) {
    case ExportProblemKind::NoPdf: return "its PDF cannot be read from the library";
    case ExportProblemKind::WriteFailed: return "the PDF could not be written";
    case ExportProblemKind::NameTooLong: return "the folder's path leaves no room for the file name";
    case ExportProblemKind::NoFreeName: return "no free file name";
    case ExportProblemKind::MetadataNotWritten: return "the metadata text file could not be written";
  }
  return "unknown";
}

ExportResult ExportPDFFiles(FLN_DATA* flnData, const char* folder, const std::vector<int>& selectedRows,
                            ExportMode mode) {
  ExportResult result;
  if (!IsLoaded(flnData)) {
    result.status = ExportStatus::LibraryUnavailable;
    return result;
  }
  struct stat st;
  if (folder == nullptr || stat(folder, &st) != 0 || !S_ISDIR(st.st_mode)) {
    result.status = ExportStatus::FolderUnusable;
    return result;
  }
  std::string folderPath = folder;
  while (folderPath.size() > 1 && folderPath.back() == '/') folderPath.pop_back();

  Exporter exporter(flnData, folderPath == "/" ? std::string() : folderPath, mode);
  if (!exporter.collect(selectedRows)) {
    result.status = ExportStatus::LibraryUnavailable;
    return result;
  }
  exporter.writePdfs();
  exporter.placeAll();
  exporter.finish(&result);
  return result;
}
