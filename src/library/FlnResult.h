#pragma once
// The outcome of an operation on a whole library file (opening, creating,
// copying, saving, writing preferences): what went wrong, as a kind the
// window can choose its message by, a reason text that names the fault for
// the details line and, when a system call failed, its errno.
//
// The storage layer answers with ZEL_* integer codes and errno; they become a
// FlnResult in one place only, FlnResultOfStorage, at the library's boundary.

#include <cerrno>
#include <string>
#include <utility>

enum class FlnStatus {
  Ok,
  PathTooLong,   // the path does not fit FLN_DATA::filePath (255 bytes and a zero)
  CannotOpen,    // missing, unreadable, a folder, or no path given
  NotLoaded,     // the records to write were never read from the file (or failed to be)
  NotALibrary,   // the file is not a ZEL container
  WrongVersion,  // a ZEL container of another format version
  Truncated,     // shorter than the container's header
  Damaged,       // the container's chains or a tag's records are broken
  WriteFailed,   // writing failed (I/O error, no permission); nothing was replaced
  NoSpace,       // the disk (or the user's quota) is full; nothing was replaced
  TooLarge,      // the library file would pass the largest size its container can have; nothing was written
  Replaced,      // another program replaced or changed the file since it was read; nothing was written
  SameFile,      // a copy's target is the library's own file
  Stopped,       // the user stopped it; nothing was replaced
};

struct FlnResult {
  FlnStatus status = FlnStatus::Ok;
  std::string reason;   // empty on success
  int systemError = 0;  // errno of the system call that failed; 0 when none did

  bool ok() const { return status == FlnStatus::Ok; }
  static FlnResult success() { return FlnResult{}; }
  static FlnResult failure(FlnStatus status, std::string reason) { return FlnResult{status, std::move(reason), 0}; }
};

/// The result of a system call that failed with errno `error` while `doing`
/// (a few words, "open the library file"): NoSpace for ENOSPC, EDQUOT and
/// EFBIG, `failedAs` otherwise; the reason reads "cannot <doing>: <the
/// system's text for error>" (just "cannot <doing>" when error is 0) and
/// systemError is `error`. Every errno becomes a reason here, so that all
/// layers name the system's reason the same way.
FlnResult FlnResultOfSystemCall(int error, FlnStatus failedAs, const std::string& doing);

/// The result of a storage call that answered `zelCode` (a ZEL_* code) with
/// errno `error` (0 when the call set none) while `doing` (a few words, "write
/// the library's records"). ZEL_OK is success. Otherwise the status is:
/// NoSpace for ENOSPC, EDQUOT and EFBIG; `failedAs` for any other errno;
/// Damaged for a broken container that no system call caused (ZEL_ERR_IO
/// without errno); `failedAs` for the rest. The reason reads as
/// FlnResultOfSystemCall's, or names the damage; systemError is `error`.
FlnResult FlnResultOfStorage(int zelCode, int error, FlnStatus failedAs, const std::string& doing);

/// FlnResultOfStorage for writing a file being made anew (a copy, a new,
/// compacted or converted library) that nothing else has seen: no damage can
/// be met there, so a failure without errno is never Damaged. With errno it
/// reads as FlnResultOfSystemCall's (NoSpace for a full disk, else
/// WriteFailed); without, the reason says in words what the container
/// refused: TooLarge for an item the file's offsets could not name ("the
/// file would pass the largest size it can have"), else WriteFailed ("a
/// write did not complete").
FlnResult FlnResultOfNewFileWrite(int zelCode, int error, const std::string& doing);

/// Runs `step` (a storage call answering a ZEL_* code) with errno cleared
/// first, so that a reason is never an earlier call's, and gives its result
/// (FlnResultOfStorage).
template <class Step>
FlnResult RunStorageStep(FlnStatus failedAs, const std::string& doing, Step step) {
  errno = 0;
  const int zelCode = step();
  return FlnResultOfStorage(zelCode, errno, failedAs, doing);
}

/// RunStorageStep for a write into a file being made anew
/// (FlnResultOfNewFileWrite).
template <class Step>
FlnResult RunNewFileWrite(const std::string& doing, Step step) {
  errno = 0;
  const int zelCode = step();
  return FlnResultOfNewFileWrite(zelCode, errno, doing);
}
