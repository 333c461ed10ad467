#include "storage/FileIo.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace {

struct Fault {
  long at = 0;  // 0 = disarmed
  FileFaults::Kind kind = FileFaults::Kind::Once;
  long seen = 0;
  int error = EIO;  // the errno a failed call leaves

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
Fault gFlushFault;
long gKillAfterWrite = 0;  // 0 = disarmed
long gKillAfterFlush = 0;

// After a FromThenOn fault has struck, the process counts as dead: nothing
// more of it reaches the disk.
bool IsDead() {
  const auto struck = [](const Fault& f) {
    return f.at > 0 && f.kind == FileFaults::Kind::FromThenOn && f.seen >= f.at;
  };
  return struck(gWriteFault) || struck(gFlushFault);
}

// Counts one disk write; false, with errno set as the fault asks (EIO once
// the process counts as dead), when it must fail.
bool WriteAllowed() {
  if (gWriteFault.hit()) {
    errno = gWriteFault.error;
    return false;
  }
  if (IsDead()) {
    errno = EIO;
    return false;
  }
  return true;
}

// pwrite until every byte is written; false, with errno, when one fails.
bool WriteBytes(int fd, uint64_t offset, const void* buffer, size_t n) {
  for (size_t done = 0; done < n;) {
    const ssize_t w = ::pwrite(fd, static_cast<const char*>(buffer) + done, n - done, static_cast<off_t>(offset + done));
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) {
      if (w == 0) errno = ENOSPC;
      return false;
    }
    done += static_cast<size_t>(w);
  }
  return true;
}

void KillIfArmed(long armed, long seen) {
  if (armed > 0 && seen == armed) ::raise(SIGKILL);
}

// Counts one flush and runs `flush` unless it must fail; then kills the
// process if a test asked for it after this flush.
template <typename Flush>
bool CountedFlush(Flush flush) {
  const bool fail = gFlushFault.hit();
  bool ok = false;
  if (fail || IsDead()) {
    errno = EIO;
  } else {
    int rc;
    do rc = flush();
    while (rc != 0 && errno == EINTR);
    ok = rc == 0;
  }
  KillIfArmed(gKillAfterFlush, gFlushFault.seen);
  return ok;
}

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
  return new FileStream(fd, mode == FileOpenMode::ReadOnly, path);
}

FileStream::~FileStream() { ::close(fd_); }

namespace {
constexpr size_t kReadAhead = 64 * 1024;  // reads below this size go through the read-ahead
// A walk that keeps reading just past the read-ahead reads a region from
// start to end (records stored one after another): the read-ahead doubles
// up to this size, so that such a region costs few large reads. A jump
// elsewhere (members far apart, between large PDFs) starts small again.
constexpr size_t kReadAheadMax = 4 * 1024 * 1024;
}

size_t FileStream::readAt(uint64_t offset, void* buffer, size_t n) {
  if (gReadFault.hit()) return 0;
  if (!readOnly_ || n >= kReadAhead) {
    const size_t got = readThrough(offset, buffer, n);
    held_.patch(offset, buffer, got);
    return got;
  }
  if (offset < aheadStart_ || offset + n > aheadStart_ + ahead_.size()) {
    const uint64_t end = aheadStart_ + ahead_.size();
    const bool onward = !ahead_.empty() && offset >= aheadStart_ && offset < end + kReadAhead;
    const size_t want = onward ? std::min(std::max(ahead_.size(), kReadAhead) * 2, kReadAheadMax) : kReadAhead;
    ahead_.resize(want);
    const size_t got = readThrough(offset, ahead_.data(), want);
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
  if (!readOnly_) {
    switch (mapped_.read(fd_, offset, buffer, n)) {
      case MappedReads::Result::Copied: return n;
      case MappedReads::Result::Failed: return 0;
      case MappedReads::Result::NotServed: break;
    }
  }
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

size_t FileStream::readScattered(uint64_t offset, const iovec* parts, int count) {
  if (gReadFault.hit() || count <= 0) return 0;
  std::vector<iovec> left(parts, parts + count);
  size_t done = 0;
  for (size_t first = 0; first < left.size();) {
    const ssize_t r = ::preadv(fd_, left.data() + first, static_cast<int>(left.size() - first),
                               static_cast<off_t>(offset + done));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    done += static_cast<size_t>(r);
    for (size_t got = static_cast<size_t>(r); got > 0 && first < left.size();) {  // past what was read
      const size_t step = std::min(got, left[first].iov_len);
      left[first].iov_base = static_cast<char*>(left[first].iov_base) + step;
      left[first].iov_len -= step;
      got -= step;
      if (left[first].iov_len == 0) ++first;
    }
  }
  uint64_t at = offset;
  for (int i = 0; i < count && at < offset + done; ++i) {  // held overwrites show through, as in readAt
    held_.patch(at, parts[i].iov_base, static_cast<size_t>(std::min<uint64_t>(parts[i].iov_len, offset + done - at)));
    at += parts[i].iov_len;
  }
  return done;
}

bool FileStream::writeAt(uint64_t offset, const void* buffer, size_t n) {
  ahead_.clear();
  if (!holding_ || offset >= heldSize_) return writeOnDisk(offset, buffer, n);
  // A held write counts as a write: it is one for the code that makes it.
  const size_t below = static_cast<size_t>(std::min<uint64_t>(n, heldSize_ - offset));
  if (!WriteAllowed()) return false;
  held_.put(offset, buffer, below);
  KillIfArmed(gKillAfterWrite, gWriteFault.seen);
  return below == n || writeOnDisk(offset + below, static_cast<const char*>(buffer) + below, n - below);
}

bool FileStream::writeOnDisk(uint64_t offset, const void* buffer, size_t n) {
  ahead_.clear();
  if (!WriteAllowed()) return false;
  const bool ok = WriteBytes(fd_, offset, buffer, n);
  if (ok) mapped_.wroteUpTo(offset + n);
  KillIfArmed(gKillAfterWrite, gWriteFault.seen);
  return ok;
}

bool FileStream::writeHeldInPlace() {
  const auto& regions = held_.regions();
  if (regions.empty()) return true;
  const uint64_t page = static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
  const uint64_t from = regions.begin()->first / page * page;
  const uint64_t to = regions.rbegin()->first + regions.rbegin()->second.size();
  // A few regions are as cheap to write with system calls as to map.
  constexpr size_t kMappedFrom = 16;
  void* base = MAP_FAILED;
  if (regions.size() >= kMappedFrom && to <= heldSize_)
    base = mmap(nullptr, static_cast<size_t>(to - from), PROT_READ | PROT_WRITE, MAP_SHARED, fd_, static_cast<off_t>(from));
  if (base == MAP_FAILED) {
    for (const auto& region : regions)
      if (!writeOnDisk(region.first, region.second.data(), region.second.size())) return false;
    return true;
  }
  ahead_.clear();
  bool ok = true;
  for (const auto& region : regions) {
    if (!(ok = WriteAllowed())) break;
    unsigned char* at = static_cast<unsigned char*>(base) + (region.first - from);
    if (!MappedCopy(at, region.second.data(), region.second.size())) {
      // The system call writes the whole region again, or says why it cannot.
      ok = WriteBytes(fd_, region.first, region.second.data(), region.second.size());
      if (!ok) break;
    }
    KillIfArmed(gKillAfterWrite, gWriteFault.seen);
  }
  const int error = errno;
  munmap(base, static_cast<size_t>(to - from));
  errno = error;
  return ok;
}

namespace {

// Copies what copy_file_range cannot, through a buffer; 0 or the errno.
int CopyThroughBuffer(int from, uint64_t fromOffset, int to, uint64_t toOffset, uint64_t n) {
  std::vector<char> buffer(static_cast<size_t>(std::min<uint64_t>(n, 1 << 20)));
  while (n > 0) {
    const size_t piece = static_cast<size_t>(std::min<uint64_t>(n, buffer.size()));
    const ssize_t got = ::pread(from, buffer.data(), piece, static_cast<off_t>(fromOffset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return got < 0 ? errno : EIO;  // the source ended early
    for (ssize_t done = 0; done < got;) {
      const ssize_t w = ::pwrite(to, buffer.data() + done, static_cast<size_t>(got - done),
                                 static_cast<off_t>(toOffset + static_cast<uint64_t>(done)));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) return w < 0 ? errno : ENOSPC;
      done += w;
    }
    fromOffset += static_cast<uint64_t>(got);
    toOffset += static_cast<uint64_t>(got);
    n -= static_cast<uint64_t>(got);
  }
  return 0;
}

// Copies inside the kernel as far as it can; then what is left goes through
// a buffer when the file systems refuse (another device, no support, a file
// kind it does not take). 0 or the errno.
int CopyBytes(int from, uint64_t fromOffset, int to, uint64_t toOffset, uint64_t n) {
  while (n > 0) {
    loff_t in = static_cast<loff_t>(fromOffset), out = static_cast<loff_t>(toOffset);
    const ssize_t copied = ::copy_file_range(from, &in, to, &out, static_cast<size_t>(n), 0);
    if (copied < 0 && errno == EINTR) continue;
    if (copied < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP))
      return CopyThroughBuffer(from, fromOffset, to, toOffset, n);
    if (copied < 0) return errno;
    if (copied == 0) return EIO;  // the source ended early
    fromOffset += static_cast<uint64_t>(copied);
    toOffset += static_cast<uint64_t>(copied);
    n -= static_cast<uint64_t>(copied);
  }
  return 0;
}

}  // namespace

bool FileStream::copyFrom(int sourceFd, uint64_t sourceOffset, uint64_t offset, uint64_t n) {
  ahead_.clear();
  if (holding_ && offset < heldSize_) {
    errno = EINVAL;
    return false;
  }
  if (!WriteAllowed()) return false;
  const int error = CopyBytes(sourceFd, sourceOffset, fd_, offset, n);
  if (error == 0) mapped_.wroteUpTo(offset + n);
  KillIfArmed(gKillAfterWrite, gWriteFault.seen);
  errno = error;
  return error == 0;
}

bool FileStream::sync() {
  return CountedFlush([this] { return ::fdatasync(fd_); });
}

bool FileStream::holdOverwrites() {
  held_.clear();
  const int64_t now = size();
  if (now < 0) return false;
  heldSize_ = static_cast<uint64_t>(now);
  holding_ = true;
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
  if (IsDead()) return false;  // a "dead" process changes nothing more
  // Cutting into held content would need the journal: only what was
  // appended since holding began may go.
  if (holding_ && size < heldSize_) {
    errno = EINVAL;
    return false;
  }
  ahead_.clear();
  mapped_.resized(size);  // before the cut: a read of the bytes cut off must not touch the mapping
  return ::ftruncate(fd_, static_cast<off_t>(size)) == 0;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = CountedFlush([fd] { return ::fsync(fd); });
  const int error = errno;
  ::close(fd);
  errno = error;
  return ok;
}

void FileFaults::failWrite(long n, Kind kind, int error) { gWriteFault = Fault{n, kind, 0, error}; }
void FileFaults::failRead(long n, Kind kind) { gReadFault = Fault{n, kind, 0}; }
void FileFaults::failFlush(long n, Kind kind) { gFlushFault = Fault{n, kind, 0}; }
void FileFaults::killAfterWrite(long n) {
  gWriteFault.seen = 0;
  gKillAfterWrite = n;
}
void FileFaults::killAfterFlush(long n) {
  gFlushFault.seen = 0;
  gKillAfterFlush = n;
}
void FileFaults::reset() {
  gWriteFault = Fault{};
  gReadFault = Fault{};
  gFlushFault = Fault{};
  gKillAfterWrite = gKillAfterFlush = 0;
}
long FileFaults::writesSeen() { return gWriteFault.seen; }
long FileFaults::flushesSeen() { return gFlushFault.seen; }
long FileFaults::readsSeen() { return gReadFault.seen; }
