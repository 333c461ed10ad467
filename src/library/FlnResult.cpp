#include "library/FlnResult.h"

#include <cstring>

#include "storage/ZelFile.h"

FlnResult FlnResultOfStorage(int zelCode, int error, FlnStatus failedAs, const std::string& doing) {
  if (zelCode == ZEL_OK) return FlnResult::success();
  const std::string cannot = "cannot " + doing;
  if (error == ENOSPC || error == EDQUOT || error == EFBIG)
    return FlnResult{FlnStatus::NoSpace, cannot + ": not enough space (" + std::strerror(error) + ")", error};
  if (error != 0) return FlnResult{failedAs, cannot + ": " + std::strerror(error), error};
  // A chain or length the checks refused, with no system call to blame.
  if (zelCode == ZEL_ERR_IO) return FlnResult{FlnStatus::Damaged, cannot + ": the library is damaged", 0};
  return FlnResult{failedAs, cannot, 0};
}
