#include "library/FlnResult.h"

#include <cstring>

#include "storage/ZelFile.h"

FlnResult FlnResultOfSystemCall(int error, FlnStatus failedAs, const std::string& doing) {
  const std::string cannot = "cannot " + doing;
  if (error == ENOSPC || error == EDQUOT || error == EFBIG)
    return FlnResult{FlnStatus::NoSpace, cannot + ": not enough space (" + std::strerror(error) + ")", error};
  if (error != 0) return FlnResult{failedAs, cannot + ": " + std::strerror(error), error};
  return FlnResult{failedAs, cannot, 0};
}

FlnResult FlnResultOfStorage(int zelCode, int error, FlnStatus failedAs, const std::string& doing) {
  if (zelCode == ZEL_OK) return FlnResult::success();
  // A chain or length the checks refused, with no system call to blame.
  if (zelCode == ZEL_ERR_IO && error == 0)
    return FlnResult{FlnStatus::Damaged, "cannot " + doing + ": the library is damaged", 0};
  return FlnResultOfSystemCall(error, failedAs, doing);
}

FlnResult FlnResultOfNewFileWrite(int zelCode, int error, const std::string& doing) {
  if (zelCode == ZEL_OK) return FlnResult::success();
  if (error != 0) return FlnResultOfSystemCall(error, FlnStatus::WriteFailed, doing);
  // Without errno the container refused before writing, or a write ended
  // short; in a new file either is the write's fault, never damage.
  if (zelCode == ZEL_ERR_ARG)
    return FlnResult::failure(FlnStatus::TooLarge,
                              "cannot " + doing + ": the file would pass the largest size it can have");
  return FlnResult::failure(FlnStatus::WriteFailed, "cannot " + doing + ": a write did not complete");
}
