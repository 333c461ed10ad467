#include "transfer/ImportFileRead.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <new>

#include "format/ZelFormat.h"
#include "transfer/FlxPath.h"
#include "transfer/FlxReader.h"

namespace {

// A file of an import, open for reading: closed with its owner.
class ImportFile {
 public:
  ~ImportFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  // Opens `path` without waiting and checks that it is a regular file; the
  // reason otherwise.
  bool open(const std::string& path, ImportFailure* failure) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0 || fstat(fd_, &st_) != 0) {
      *failure = ImportFailure{path, ImportFailureReason::FileUnreadable, errno};
      return false;
    }
    if (!S_ISREG(st_.st_mode)) {
      *failure = ImportFailure{path, ImportFailureReason::NotAFile, 0};
      return false;
    }
    return true;
  }
  int64_t size() const { return static_cast<int64_t>(st_.st_size); }
  int fd() const { return fd_; }
  // Reads exactly `n` bytes; 0, or the errno (EIO for a file cut meanwhile).
  int readAll(char* buffer, size_t n) {
    for (size_t done = 0; done < n;) {
      const ssize_t got = ::read(fd_, buffer + done, n - done);
      if (got < 0 && errno == EINTR) continue;
      // A file cut while being read would be taken incomplete as if whole.
      if (got <= 0) return got < 0 ? errno : EIO;
      done += static_cast<size_t>(got);
    }
    return 0;
  }

 private:
  int fd_ = -1;
  struct stat st_ {};
};

}  // namespace

bool StampOfImportFile(int fd, ImportFileStamp* stamp) {
  struct stat st;
  if (fstat(fd, &st) != 0) return false;
  stamp->device = static_cast<uint64_t>(st.st_dev);
  stamp->inode = static_cast<uint64_t>(st.st_ino);
  stamp->size = static_cast<uint64_t>(st.st_size);
  stamp->mtimeSec = static_cast<int64_t>(st.st_mtim.tv_sec);
  stamp->mtimeNsec = static_cast<int64_t>(st.st_mtim.tv_nsec);
  stamp->ctimeSec = static_cast<int64_t>(st.st_ctim.tv_sec);
  stamp->ctimeNsec = static_cast<int64_t>(st.st_ctim.tv_nsec);
  return true;
}

bool ReadImportFile(const std::string& path, QByteArray* bytes, ImportFailure* failure, ImportFileStamp* stamp) {
  ImportFile file;
  if (!file.open(path, failure)) return false;
  if (stamp != nullptr && !StampOfImportFile(file.fd(), stamp)) {
    *failure = ImportFailure{path, ImportFailureReason::FileUnreadable, errno};
    return false;
  }
  // A member's length is a 32-bit number and must leave room for its record.
  if (static_cast<uint64_t>(file.size()) + zel::kRecordSize >= zel::kMaxFileSize) {
    *failure = ImportFailure{path, ImportFailureReason::LibraryFull, 0};
    return false;
  }
  try {
    bytes->resize(static_cast<qsizetype>(file.size()));
  } catch (const std::bad_alloc&) {
    *failure = ImportFailure{path, ImportFailureReason::OutOfMemory, 0};
    return false;
  }
  if (const int error = file.readAll(bytes->data(), static_cast<size_t>(bytes->size()))) {
    *failure = ImportFailure{path, ImportFailureReason::FileUnreadable, error};
    return false;
  }
  return true;
}

FlnResult StoreReadImportFile(FlnAppendSession* session, const std::string& path, const ImportFileStamp& readStamp,
                              const QByteArray& bytes, int32_t* dataIndex) {
  ImportFile file;
  ImportFailure unused;
  if (!file.open(path, &unused)) return session->store(bytes, dataIndex);
  const auto unchanged = [&] {
    ImportFileStamp now;
    return StampOfImportFile(file.fd(), &now) && now == readStamp && now.size == static_cast<uint64_t>(bytes.size());
  };
  return session->storeFrom(file.fd(), bytes, unchanged, dataIndex);
}

bool LooksLikePdf(const QByteArray& bytes) {
  constexpr int kHeaderWindow = 1024;
  return bytes.left(kHeaderWindow).contains("%PDF-");
}

FlxRead ReadImportFlx(const std::string& pdfPath, FLN_ENTRY* entry, ImportFailure* failure) {
  char flxPath[kFlnPathBufferSize];
  if (GenerateFLXFilePath_ByPDFPath(pdfPath.c_str(), flxPath) != 1) return FlxRead::Absent;
  struct stat st;
  if (lstat(flxPath, &st) != 0 && errno == ENOENT) return FlxRead::Absent;
  ImportFile file;
  if (!file.open(flxPath, failure)) return FlxRead::Refused;
  if (file.size() > kFlxMaxSize) {
    *failure = ImportFailure{flxPath, ImportFailureReason::FlxTooLarge, 0};
    return FlxRead::Refused;
  }
  char text[kFlxMaxSize + 1] = {};
  if (const int error = file.readAll(text, static_cast<size_t>(file.size()))) {
    *failure = ImportFailure{flxPath, ImportFailureReason::FileUnreadable, error};
    return FlxRead::Refused;
  }
  FLN_ENTRY read;
  if (!FillEntry_FromFLXText(text, &read)) {
    *failure = ImportFailure{pdfPath, ImportFailureReason::MetadataNotUtf8, 0};
    return FlxRead::Refused;
  }
  *entry = read;
  return FlxRead::Read;
}
