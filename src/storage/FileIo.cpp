#include "storage/FileIo.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Fault {
  long at = 0;  // 0 = disarmed
  FileFaults::Kind kind = FileFaults::Kind::Once;
  long seen = 0;

  // Counts one call and says whether it must fail.
  bool hit() {
    ++seen;
    if (at <= 0) return false;
    if (kind == FileFaults::Kind::Once) return seen == at;
    return seen >= at;
  }
};

Fault gWriteFault;
Fault gReadFault;

}  // namespace

FileStream* FileStream::open(const char* path, FileOpenMode mode) {
  if (path == nullptr) {
    errno = EINVAL;
    return nullptr;
  }
  int flags = O_CLOEXEC;
  switch (mode) {
    case FileOpenMode::ReadOnly: flags |= O_RDONLY; break;
    case FileOpenMode::ReadWrite: flags |= O_RDWR; break;
    case FileOpenMode::CreateExclusive: flags |= O_RDWR | O_CREAT | O_EXCL; break;
  }
  const int fd = ::open(path, flags, 0644);
  if (fd < 0) return nullptr;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {  // a folder is not a container
    ::close(fd);
    errno = EISDIR;
    return nullptr;
  }
  return new FileStream(fd, mode == FileOpenMode::ReadOnly);
}

FileStream::~FileStream() { ::close(fd_); }

namespace {
constexpr size_t kReadAhead = 64 * 1024;  // reads below this size go through the read-ahead
}

size_t FileStream::readAt(uint64_t offset, void* buffer, size_t n) {
  if (gReadFault.hit()) return 0;
  if (!readOnly_ || n >= kReadAhead) return readThrough(offset, buffer, n);
  if (offset < aheadStart_ || offset + n > aheadStart_ + ahead_.size()) {
    ahead_.resize(kReadAhead);
    const size_t got = readThrough(offset, ahead_.data(), kReadAhead);
    ahead_.resize(got);
    aheadStart_ = offset;
    if (got < n) {  // end of file inside the request: hand out what there is
      std::memcpy(buffer, ahead_.data(), got);
      return got;
    }
  }
  std::memcpy(buffer, ahead_.data() + (offset - aheadStart_), n);
  return n;
}

size_t FileStream::readThrough(uint64_t offset, void* buffer, size_t n) {
  size_t done = 0;
  while (done < n) {
    const ssize_t r = ::pread(fd_, static_cast<char*>(buffer) + done, n - done,
                              static_cast<off_t>(offset + done));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    done += static_cast<size_t>(r);
  }
  return done;
}

bool FileStream::writeAt(uint64_t offset, const void* buffer, size_t n) {
  ahead_.clear();
  if (gWriteFault.hit()) return false;
  size_t done = 0;
  while (done < n) {
    const ssize_t w = ::pwrite(fd_, static_cast<const char*>(buffer) + done, n - done,
                               static_cast<off_t>(offset + done));
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    done += static_cast<size_t>(w);
  }
  return true;
}

int64_t FileStream::size() {
  struct stat st;
  if (fstat(fd_, &st) != 0) return -1;
  return static_cast<int64_t>(st.st_size);
}

bool FileStream::stamp(Stamp* out) {
  struct stat st;
  if (fstat(fd_, &st) != 0) return false;
  out->device = static_cast<uint64_t>(st.st_dev);
  out->inode = static_cast<uint64_t>(st.st_ino);
  out->size = static_cast<uint64_t>(st.st_size);
  out->mtimeSec = static_cast<int64_t>(st.st_mtim.tv_sec);
  out->mtimeNsec = static_cast<int64_t>(st.st_mtim.tv_nsec);
  return true;
}

bool FileStream::truncate(uint64_t size) {
  if (gWriteFault.at > 0 && gWriteFault.kind == FileFaults::Kind::FromThenOn &&
      gWriteFault.seen >= gWriteFault.at)
    return false;  // a "dead" process changes nothing more
  ahead_.clear();
  return ::ftruncate(fd_, static_cast<off_t>(size)) == 0;
}

void FileFaults::failWrite(long n, Kind kind) { gWriteFault = Fault{n, kind, 0}; }
void FileFaults::failRead(long n, Kind kind) { gReadFault = Fault{n, kind, 0}; }
void FileFaults::reset() {
  gWriteFault = Fault{};
  gReadFault = Fault{};
}
long FileFaults::writesSeen() { return gWriteFault.seen; }
