#include "library/FlnLibraryLock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "library/FlnFileReplacement.h"
#include "storage/ZelJournal.h"

namespace {

// The locked bytes. Advisory locks keep no one from reading or writing
// them; they only meet other locks. The first byte is the lock itself; the
// holder also takes one of the next three (shared), which tells a process
// that is refused who holds the library.
constexpr off_t kLibraryByte = 0;

off_t HolderByte(LibraryLockHolder holder) {
  switch (holder) {
    case LibraryLockHolder::Window: return 1;
    case LibraryLockHolder::WritingCommand: return 2;
    case LibraryLockHolder::ReadingCommand: return 3;
    case LibraryLockHolder::Unknown: break;
  }
  return 4;
}

int SetLock(int fd, short type, off_t byte) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = byte;
  lock.l_len = 1;
  int rc;
  do rc = ::fcntl(fd, F_OFD_SETLK, &lock);
  while (rc != 0 && errno == EINTR);
  return rc;
}

bool SomeoneLocks(int fd, off_t byte) {
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = byte;
  lock.l_len = 1;
  return ::fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
}

LibraryLockHolder WhoHolds(int fd) {
  for (LibraryLockHolder holder :
       {LibraryLockHolder::Window, LibraryLockHolder::WritingCommand, LibraryLockHolder::ReadingCommand})
    if (SomeoneLocks(fd, HolderByte(holder))) return holder;
  return LibraryLockHolder::Unknown;
}

// What fcntl answers where the file system keeps no locks (NFS without its
// lock service, some FUSE file systems).
bool NoLocksHere(int error) { return error == ENOLCK || error == EOPNOTSUPP || error == ENOSYS || error == EINVAL; }

bool IsBusy(int error) { return error == EAGAIN || error == EACCES; }

}  // namespace

std::string LibraryLockHolderText(LibraryLockHolder holder) {
  switch (holder) {
    case LibraryLockHolder::Window: return "open in a Folian window";
    case LibraryLockHolder::WritingCommand: return "being changed by another folian-cli command";
    case LibraryLockHolder::ReadingCommand: return "being read by another folian-cli command";
    case LibraryLockHolder::Unknown: break;
  }
  return "in use by another program";
}

LibraryLockStatus LibraryLock::acquire(const std::string& path, LibraryLockMode mode, LibraryLockHolder holder) {
  // The lock belongs to the file that was opened; when the name has been
  // moved to a new file meanwhile, the lock guards nothing anyone else uses.
  constexpr int kAttempts = 8;
  LibraryLockStatus status = LibraryLockStatus::Failed;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    status = acquireOnce(path, mode, holder);
    if (status != LibraryLockStatus::Held) return status;
    if (stillNamed(path)) {
      // Held alone, the library has no writer but us: a replacement's
      // temporary file whose process died is only wasted space.
      if (mode == LibraryLockMode::Exclusive) FlnFileReplacement::removeLeftovers(path);
      return status;
    }
  }
  release();
  problem_ = "the library file keeps being replaced; try again";
  return LibraryLockStatus::Failed;
}

bool LibraryLock::stillNamed(const std::string& path) const {
  struct stat held, named;
  return ::fstat(fd_, &held) == 0 && ::stat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
         held.st_ino == named.st_ino;
}

void LibraryLock::swap(LibraryLock& other) {
  std::swap(fd_, other.fd_);
  std::swap(busyHolder_, other.busyHolder_);
  std::swap(problem_, other.problem_);
}

LibraryLockStatus LibraryLock::acquireOnce(const std::string& path, LibraryLockMode mode, LibraryLockHolder holder) {
  release();
  problem_.clear();
  busyHolder_ = LibraryLockHolder::Unknown;

  // A reader opens for writing too when it may, so that it can roll back
  // what a writer that died left unfinished.
  fd_ = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd_ < 0 && mode == LibraryLockMode::Shared && (errno == EACCES || errno == EROFS))
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat st;
  if (fd_ >= 0 && (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode))) {
    release();
    errno = EISDIR;
  }
  if (fd_ < 0) {
    problem_ = std::strerror(errno);
    return LibraryLockStatus::Failed;
  }

  // The holder is named before the library is locked, so that whoever sees
  // the library locked also sees who holds it (never a holder not yet named).
  SetLock(fd_, F_RDLCK, HolderByte(holder));  // only names the holder to others: a failure costs nothing
  int refusal = 0;
  for (int attempt = 0; attempt < 4; ++attempt) {
    if (SetLock(fd_, mode == LibraryLockMode::Exclusive ? F_WRLCK : F_RDLCK, kLibraryByte) == 0) {
      refusal = 0;
      break;
    }
    refusal = errno;
    if (!IsBusy(refusal)) break;
    busyHolder_ = WhoHolds(fd_);
    if (busyHolder_ != LibraryLockHolder::Unknown) break;
    // No holder named: either a program that names none holds the library,
    // or the holder let go between the refusal and the question (and may
    // have taken it again since). Asking again tells the two apart instead
    // of blaming another program for what a command did.
  }
  if (refusal != 0) {
    const int error = refusal;
    if (NoLocksHere(error)) {
      release();
      problem_ = "the file system does not keep file locks (" + std::string(std::strerror(error)) +
                 "); the library is used without one, so keep other programs away from it";
      const ZelJournal::Recovery recovery = ZelJournal::RollBack(path);
      if (recovery == ZelJournal::Recovery::Foreign || recovery == ZelJournal::Recovery::Failed) {
        problem_ = ZelJournal::RecoveryProblem(recovery, path);
        return LibraryLockStatus::Failed;
      }
      return LibraryLockStatus::Unsupported;
    }
    release();
    if (!IsBusy(error)) {
      problem_ = std::string("cannot lock the library: ") + std::strerror(error);
      return LibraryLockStatus::Failed;
    }
    problem_ = "the library is " + LibraryLockHolderText(busyHolder_) + "; try again when it is free";
    return LibraryLockStatus::Busy;
  }
  if (!rollBackUnfinishedChange(path, mode)) {
    release();
    return busyHolder_ == LibraryLockHolder::Unknown ? LibraryLockStatus::Failed : LibraryLockStatus::Busy;
  }
  return LibraryLockStatus::Held;
}

bool LibraryLock::rollBackUnfinishedChange(const std::string& path, LibraryLockMode mode) {
  if (::access(ZelJournal::PathFor(path).c_str(), F_OK) != 0) return true;
  // Rolling back writes: a reader needs the lock to itself for that while.
  if (mode == LibraryLockMode::Shared && SetLock(fd_, F_WRLCK, kLibraryByte) != 0) {
    busyHolder_ = LibraryLockHolder::ReadingCommand;
    problem_ = "an unfinished change waits to be rolled back while the library is " +
               LibraryLockHolderText(busyHolder_) + "; try again";
    return false;
  }
  const ZelJournal::Recovery recovery = ZelJournal::RollBack(path);
  if (mode == LibraryLockMode::Shared) SetLock(fd_, F_RDLCK, kLibraryByte);
  if (recovery == ZelJournal::Recovery::Foreign || recovery == ZelJournal::Recovery::Failed) {
    problem_ = ZelJournal::RecoveryProblem(recovery, path);
    return false;
  }
  return true;
}

bool LibraryLock::heldByOthers(const std::string& path, LibraryLockHolder* holder) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bool held = SomeoneLocks(fd, kLibraryByte);
  // As in acquireOnce: a holder that let go between the two questions is
  // asked about again rather than reported as unnamed.
  for (int attempt = 0; held && holder != nullptr && attempt < 4; ++attempt) {
    *holder = WhoHolds(fd);
    if (*holder != LibraryLockHolder::Unknown) break;
    held = SomeoneLocks(fd, kLibraryByte);
  }
  ::close(fd);
  return held;
}

void LibraryLock::release() {
  if (fd_ >= 0) ::close(fd_);  // closing the description drops its locks
  fd_ = -1;
}
