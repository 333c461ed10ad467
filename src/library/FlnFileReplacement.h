#pragma once
// Writing a whole new container file in place of another. The new file is
// written beside the target under a temporary name and renamed over the
// target only when it is complete: a failure never leaves a half-written
// file at the target and never removes what was there.

#include <string>

#include "library/FlnResult.h"
#include "storage/ZelFile.h"

class FlnFileReplacement {
 public:
  explicit FlnFileReplacement(std::string target) : target_(std::move(target)) {}
  /// Removes the temporary file unless it was committed.
  ~FlnFileReplacement();
  FlnFileReplacement(const FlnFileReplacement&) = delete;
  FlnFileReplacement& operator=(const FlnFileReplacement&) = delete;

  /// Creates the empty temporary container of `layout`'s version
  /// (ZEL_CreateWithLayout) and leaves `file` open on it. Its name is the
  /// target's with a suffix, the target's part cut where needed so that the
  /// name stays within the file system's limit. Fails with CannotOpen (or
  /// NoSpace) and the system's reason when the file cannot be made in the
  /// target's folder, and as FlnResultOfNewFileWrite when its header cannot
  /// be written.
  FlnResult create(ZEL_FILE* file, const zel::RecordLayout& layout = zel::kLayout2);
  /// The temporary file's path ("" before create()).
  const std::string& temporaryPath() const { return temp_; }
  /// Flushes and closes `file` (the temporary container), puts it in the
  /// target's place and flushes the folder, so that after a crash the target
  /// is the old file or the whole new one. False, with errno set, when it
  /// cannot; the target is then unchanged, unless renamed() tells that only
  /// flushing the folder failed. `file` is closed either way.
  bool commit(ZEL_FILE* file);
  /// Whether commit() put the new file in the target's place (also when
  /// flushing the folder after that failed).
  bool replaced() const { return committed_; }

  /// Removes the temporary files that replacements of `target` left behind
  /// when their process died before finishing (a kill, a crash, a power
  /// cut): the files named as create() names them whose process id is that
  /// of no running process. A running process's file is always kept, since
  /// it may still be writing it. The caller holds `target`'s lock
  /// exclusively. A file that cannot be removed stays for the next time.
  /// Returns how many were removed.
  static int removeLeftovers(const std::string& target);

 private:
  std::string target_;
  std::string temp_;  // empty until created
  bool committed_ = false;
};
