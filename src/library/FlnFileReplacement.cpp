#include "library/FlnFileReplacement.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "storage/SideFilePath.h"

namespace {

// "<target>.new-<pid>-<attempt>" beside the target, fitted to the file
// system's limit on one name (SideFilePath).
std::string TemporaryPath(const std::string& target, int attempt) {
  return SideFilePath(target, ".new-" + std::to_string(static_cast<long>(getpid())) + "-" + std::to_string(attempt));
}

}  // namespace

FlnFileReplacement::~FlnFileReplacement() {
  if (!temp_.empty() && !committed_) std::remove(temp_.c_str());
}

int FlnFileReplacement::create(ZEL_FILE* file, const zel::RecordLayout& layout) {
  // A name beside the target (so that the rename stays on one file system)
  // that no other writer uses; a leftover of an earlier run is skipped.
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string candidate = TemporaryPath(target_, attempt);
    errno = 0;
    const int rc = ZEL_CreateWithLayout(candidate.c_str(), layout, file);
    if (rc == ZEL_OK) {
      temp_ = std::move(candidate);
      return rc;
    }
    if (rc != ZEL_ERR_ARG || errno != EEXIST) return rc;
  }
  errno = EEXIST;
  return ZEL_ERR_ARG;
}

bool FlnFileReplacement::commit(ZEL_FILE* file) {
  const bool flushed = ZEL_Commit(file) == ZEL_OK;
  const int error = errno;
  ZEL_Close(file);
  if (temp_.empty() || !flushed) {
    errno = temp_.empty() ? ENOENT : error;
    return false;
  }
  if (std::rename(temp_.c_str(), target_.c_str()) != 0) return false;
  committed_ = true;
  return SyncFolder(FolderOf(target_));
}
