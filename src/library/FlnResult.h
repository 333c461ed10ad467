#pragma once
// The outcome of an operation on a whole library file (opening, creating,
// copying, saving): what went wrong, as a kind the window can choose its
// message by, a reason text that names the file's fault for the details line
// and, when a system call failed, its errno.

#include <cstring>
#include <string>
#include <utility>

enum class FlnStatus {
  Ok,
  PathTooLong,   // the path does not fit FLN_DATA::filePath (255 bytes and a zero)
  CannotOpen,    // missing, unreadable, a folder, or no path given
  NotALibrary,   // the file is not a ZEL container
  WrongVersion,  // a ZEL container of another format version
  Truncated,     // shorter than the container's header
  Damaged,       // the container's chains or a tag's records are broken
  WriteFailed,   // writing failed (full disk, I/O error); nothing was replaced
  SameFile,      // a copy's target is the library's own file
  Stopped,       // the user stopped it; nothing was replaced
};

struct FlnResult {
  FlnStatus status = FlnStatus::Ok;
  std::string reason;   // empty on success
  int systemError = 0;  // errno of the system call that failed; 0 when none did

  bool ok() const { return status == FlnStatus::Ok; }
  static FlnResult success() { return FlnResult{}; }
  static FlnResult failure(FlnStatus status, std::string reason) { return FlnResult{status, std::move(reason)}; }
  /// A failure of a system call with errno `error` while doing `context`:
  /// the reason reads "context: <the system's text for error>" (just
  /// `context` when error is 0, as no system call said why).
  static FlnResult systemFailure(FlnStatus status, const std::string& context, int error) {
    return FlnResult{status, error != 0 ? context + ": " + std::strerror(error) : context, error};
  }
};
