#pragma once
// The outcome of an operation on a whole library file (opening, creating,
// copying): what went wrong, as a kind the window can choose its message by,
// and a reason text that names the file's fault for the details line.

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
  std::string reason;  // empty on success

  bool ok() const { return status == FlnStatus::Ok; }
  static FlnResult success() { return FlnResult{}; }
  static FlnResult failure(FlnStatus status, std::string reason) { return FlnResult{status, std::move(reason)}; }
};
