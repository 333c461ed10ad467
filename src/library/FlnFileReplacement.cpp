#include "library/FlnFileReplacement.h"

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "storage/SideFilePath.h"

namespace {

// "<target>.new-<pid>-<attempt>" beside the target, fitted to the file
// system's limit on one name (SideFilePath).
constexpr char kMark[] = ".new-";

std::string TemporaryPath(const std::string& target, long pid, int attempt) {
  return SideFilePath(target, kMark + std::to_string(pid) + "-" + std::to_string(attempt));
}

// The digits of `text` from `at` up to `end` as a number, when they are
// digits only (no sign, no leading zero) and fit.
bool ReadNumber(const std::string& text, size_t at, size_t end, long* number) {
  if (at >= end || end - at > 9 || (text[at] == '0' && end - at > 1)) return false;
  long value = 0;
  for (size_t i = at; i < end; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  *number = value;
  return true;
}

// The process id in the file name `name` of the folder entry `path` when
// that is a temporary file of `target`: "<target>.new-<pid>-<attempt>", cut
// as SideFilePath cuts it.
bool TemporaryOf(const std::string& target, const std::string& name, const std::string& path, long* pid) {
  const size_t mark = name.rfind(kMark);
  if (mark == std::string::npos) return false;
  const size_t pidAt = mark + sizeof kMark - 1;
  const size_t dash = name.find('-', pidAt);
  long attempt;
  return dash != std::string::npos && ReadNumber(name, pidAt, dash, pid) &&
         ReadNumber(name, dash + 1, name.size(), &attempt) && attempt <= INT32_MAX &&
         TemporaryPath(target, *pid, static_cast<int>(attempt)) == path;
}

bool ProcessIsGone(long pid) { return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH; }

}  // namespace

FlnFileReplacement::~FlnFileReplacement() {
  if (!temp_.empty() && !committed_) std::remove(temp_.c_str());
}

FlnResult FlnFileReplacement::create(ZEL_FILE* file, const zel::RecordLayout& layout) {
  const std::string doing = "create a new file beside " + target_;
  // A name beside the target (so that the rename stays on one file system)
  // that no other writer uses; a leftover of an earlier run is skipped.
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string candidate = TemporaryPath(target_, static_cast<long>(getpid()), attempt);
    errno = 0;
    const int rc = ZEL_CreateWithLayout(candidate.c_str(), layout, file);
    const int error = errno;
    if (rc == ZEL_OK) {
      temp_ = std::move(candidate);
      return FlnResult::success();
    }
    // The container answers -1 when the file cannot be created, -2 when its
    // header cannot be written.
    if (rc == ZEL_ERR_ARG && error != EEXIST) return FlnResultOfSystemCall(error, FlnStatus::CannotOpen, doing);
    if (rc != ZEL_ERR_ARG)
      return FlnResultOfNewFileWrite(rc, error, "write the header of a new file beside " + target_);
  }
  return FlnResultOfSystemCall(EEXIST, FlnStatus::CannotOpen, doing);
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

int FlnFileReplacement::removeLeftovers(const std::string& target) {
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(FolderOf(target).c_str()), ::closedir);
  if (dir == nullptr) return 0;
  const size_t slash = target.rfind('/');
  const std::string prefix = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  int removed = 0;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string name = entry->d_name;
    const std::string path = prefix + name;
    long pid;
    if (TemporaryOf(target, name, path, &pid) && ProcessIsGone(pid) && std::remove(path.c_str()) == 0)
      ++removed;
  }
  return removed;
}
