#include "library/FlnUpgrade.h"

#include <sys/stat.h>

#include <cerrno>

#include "library/FlnArraySync.h"
#include "library/FlnFileReplacement.h"
#include "storage/ZelCopy.h"

namespace {

// The old file's reason for not opening, as FlnResult says it.
FlnResult OpenFailure(int rc, int error) {
  if (rc == ZEL_ERR_ARG && error == 0)
    return FlnResult::failure(FlnStatus::NotALibrary, "not a Folian library (no ZEL container of version 2 or 3)");
  if (rc == ZEL_ERR_IO) return FlnResult::failure(FlnStatus::Truncated, "shorter than a container's header");
  return FlnResultOfSystemCall(error, FlnStatus::CannotOpen, "open");
}

// Opens `path` read-only into `file`; the caller closes it.
FlnResult OpenSource(const std::string& path, ZEL_FILE* file) {
  errno = 0;
  const int rc = ZEL_Open(path.c_str(), 1, file);
  return rc == ZEL_OK ? FlnResult::success() : OpenFailure(rc, errno);
}

}  // namespace

bool LibraryIsWide(const std::string& path) {
  ZEL_FILE file;
  const bool wide = ZEL_Open(path.c_str(), 1, &file) == ZEL_OK && file.layout->version == zel::kLayout3.version;
  ZEL_Close(&file);
  return wide;
}

FlnResult UpgradeLibraryFile(const std::string& path, LibraryLock* lock, LibraryLockHolder holder,
                             const LibraryUpgradeProgress& progress) {
  ZEL_FILE source;
  FlnResult r = OpenSource(path, &source);
  if (!r.ok() || source.layout->version == zel::kLayout3.version) {
    ZEL_Close(&source);
    return r;
  }
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) {
    ZEL_Close(&source);
    return FlnResultOfSystemCall(errno, FlnStatus::CannotOpen, "open");
  }

  FlnFileReplacement replacement(path);
  ZEL_FILE target;
  r = replacement.create(&target, zel::kLayout3);
  if (r.ok() && ::chmod(replacement.temporaryPath().c_str(), st.st_mode & 07777) != 0)
    r = FlnResultOfSystemCall(errno, FlnStatus::WriteFailed, "give the converted library the old one's permissions");
  if (!r.ok()) {
    ZEL_Close(&source);
    ZEL_Close(&target);
    return r;
  }
  errno = 0;
  const int rc = ZEL_CopyAll(&source, &target, progress);
  const int error = errno;
  ZEL_Close(&source);
  if (rc != ZEL_OK) {
    ZEL_Rollback(&target);
    ZEL_Close(&target);
    if (rc == ZEL_COPY_STOPPED) return FlnResult::failure(FlnStatus::Stopped, "stopped; the library is as it was");
    // Reading the old file: a failure without errno is its damage.
    if (rc == ZEL_ERR_IO && error == 0)
      return FlnResult::failure(FlnStatus::Damaged, "the library's chains are damaged; 'folian-cli check' tells where");
    return FlnResultOfSystemCall(error, FlnStatus::WriteFailed, "write the converted library");
  }

  // The new file is locked before it takes the name, so that whoever opens
  // the name next meets the lock.
  LibraryLock newLock;
  const LibraryLockStatus locked = newLock.acquire(replacement.temporaryPath(), LibraryLockMode::Exclusive, holder);
  if (locked != LibraryLockStatus::Held && locked != LibraryLockStatus::Unsupported) {
    ZEL_Close(&target);
    return FlnResult::failure(FlnStatus::WriteFailed, "cannot lock the converted library: " + newLock.problem());
  }
  // Once renamed, the name gives the whole new file, even when flushing the
  // folder failed (after a crash it gives the old one or the new one).
  if (!replacement.commit(&target) && !replacement.replaced())
    return FlnResultOfSystemCall(errno, FlnStatus::WriteFailed, "put the converted library in place");
  lock->swap(newLock);  // newLock now holds the old file and lets it go
  return FlnResult::success();
}

FlnResult UpgradeLoadedLibrary(FLN_DATA* flnData, LibraryLock* lock, LibraryLockHolder holder,
                               const LibraryUpgradeProgress& progress) {
  if (!LibraryFileIsAsLeft(flnData))
    return FlnResult::failure(FlnStatus::CannotOpen,
                              "the library file was changed or replaced by another program since it was opened");
  const FlnResult r = UpgradeLibraryFile(flnData->filePath, lock, holder, progress);
  if (!r.ok()) return r;
  // The records are the ones held, in a new file: what the next save may
  // skip is learnt anew from a whole save.
  ZEL_FILE file;
  flnData->diskImage->forgetAll();
  if (ZEL_Open(flnData->filePath, 1, &file) == ZEL_OK) flnData->diskImage->rememberStamp(&file);
  ZEL_Close(&file);
  return r;
}
