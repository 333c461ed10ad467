#include "library/FlnFileReplacement.h"

#include <climits>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "storage/Utf8Text.h"

namespace {

// The longest name one folder entry may have in `folder` (NAME_MAX where the
// file system does not say).
size_t NameMaxIn(const std::string& folder) {
  const long max = ::pathconf(folder.c_str(), _PC_NAME_MAX);
  return max > 0 ? static_cast<size_t>(max) : static_cast<size_t>(NAME_MAX);
}

// "<target>.new-<pid>-<attempt>", beside the target. When the target's own
// name leaves no room for the suffix within the file system's name limit,
// the name is cut (at a character boundary) instead, so that a library whose
// name is as long as the limit allows can still be written.
std::string TemporaryPath(const std::string& target, int attempt) {
  const std::string suffix = ".new-" + std::to_string(static_cast<long>(getpid())) + "-" + std::to_string(attempt);
  const size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
  const std::string dirPart = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  const std::string name = target.substr(dirPart.size());
  const size_t nameMax = NameMaxIn(folder);
  const size_t room = nameMax > suffix.size() ? nameMax - suffix.size() : 0;
  return dirPart + CutUtf8_ToBytes(name, room) + suffix;
}

}  // namespace

FlnFileReplacement::~FlnFileReplacement() {
  if (!temp_.empty() && !committed_) std::remove(temp_.c_str());
}

int FlnFileReplacement::create(ZEL_FILE* file) {
  // A name beside the target (so that the rename stays on one file system)
  // that no other writer uses; a leftover of an earlier run is skipped.
  // Another target's name cut to the same prefix is told apart by EEXIST too.
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string candidate = TemporaryPath(target_, attempt);
    errno = 0;
    const int rc = ZEL_Create(candidate.c_str(), file);
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
