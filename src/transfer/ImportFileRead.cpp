#include "transfer/ImportFileRead.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <new>

#include "storage/ZelFormat.h"

bool ReadImportFile(const std::string& path, QByteArray* bytes, ImportFailure* failure) {
  auto fail = [&](ImportFailureReason reason, int error) {
    *failure = ImportFailure{path, reason, error};
    return false;
  };
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return fail(ImportFailureReason::FileUnreadable, errno);
  struct stat st;
  if (fstat(fd, &st) != 0) {
    const int error = errno;
    ::close(fd);
    return fail(ImportFailureReason::FileUnreadable, error);
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    return fail(ImportFailureReason::NotAFile, 0);
  }
  // A member's length is a 32-bit number and must leave room for its record.
  if (static_cast<uint64_t>(st.st_size) + zel::kRecordSize >= zel::kMaxFileSize) {
    ::close(fd);
    return fail(ImportFailureReason::LibraryFull, 0);
  }
  try {
    bytes->resize(static_cast<qsizetype>(st.st_size));
  } catch (const std::bad_alloc&) {
    ::close(fd);
    return fail(ImportFailureReason::OutOfMemory, 0);
  }
  qsizetype done = 0;
  while (done < bytes->size()) {
    const ssize_t n = ::read(fd, bytes->data() + done, static_cast<size_t>(bytes->size() - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      // A file cut while being read would be stored incomplete as if whole.
      const int error = n < 0 ? errno : EIO;
      ::close(fd);
      return fail(ImportFailureReason::FileUnreadable, error);
    }
    done += n;
  }
  ::close(fd);
  return true;
}

bool LooksLikePdf(const QByteArray& bytes) {
  constexpr int kHeaderWindow = 1024;
  return bytes.left(kHeaderWindow).contains("%PDF-");
}
