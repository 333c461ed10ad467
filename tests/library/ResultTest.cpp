#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "library/FlnResult.h"
#include "storage/ZelFile.h"

namespace {

// Every way a storage call's code and errno become a result: a full disk in
// any of its forms, any other system error with the system's own text, and
// a broken container that no system call caused.
TEST(FlnResultOfStorage, NamesTheFaultAndKeepsTheSystemsReason) {
  const struct {
    int zelCode;
    int error;
    FlnStatus failedAs;
    FlnStatus status;
    std::string reason;
  } cases[] = {
      {ZEL_OK, EIO, FlnStatus::WriteFailed, FlnStatus::Ok, ""},
      {ZEL_ERR_IO, ENOSPC, FlnStatus::WriteFailed, FlnStatus::NoSpace,
       std::string("cannot write it: not enough space (") + std::strerror(ENOSPC) + ")"},
      {ZEL_ERR_IO, EDQUOT, FlnStatus::WriteFailed, FlnStatus::NoSpace,
       std::string("cannot write it: not enough space (") + std::strerror(EDQUOT) + ")"},
      {ZEL_ERR_ARG, EFBIG, FlnStatus::WriteFailed, FlnStatus::NoSpace,
       std::string("cannot write it: not enough space (") + std::strerror(EFBIG) + ")"},
      {ZEL_ERR_IO, EIO, FlnStatus::WriteFailed, FlnStatus::WriteFailed,
       std::string("cannot write it: ") + std::strerror(EIO)},
      {ZEL_ERR_ARG, EACCES, FlnStatus::CannotOpen, FlnStatus::CannotOpen,
       std::string("cannot write it: ") + std::strerror(EACCES)},
      {ZEL_ERR_IO, EPERM, FlnStatus::WriteFailed, FlnStatus::WriteFailed,
       std::string("cannot write it: ") + std::strerror(EPERM)},
      {ZEL_ERR_IO, 0, FlnStatus::WriteFailed, FlnStatus::Damaged, "cannot write it: the library is damaged"},
      {ZEL_ERR_ARG, 0, FlnStatus::CannotOpen, FlnStatus::CannotOpen, "cannot write it"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reason);
    const FlnResult result = FlnResultOfStorage(c.zelCode, c.error, c.failedAs, "write it");
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.reason, c.reason);
    EXPECT_EQ(result.systemError, c.zelCode == ZEL_OK ? 0 : c.error);
  }
}

// A step's reason is its own errno, never one an earlier call left behind.
TEST(FlnResultOfStorage, AStepStartsWithNoErrno) {
  errno = ENOSPC;
  const FlnResult clean = RunStorageStep(FlnStatus::WriteFailed, "read it", [] { return int{ZEL_ERR_IO}; });
  EXPECT_EQ(clean.status, FlnStatus::Damaged);
  EXPECT_EQ(clean.systemError, 0);
  const FlnResult failed = RunStorageStep(FlnStatus::WriteFailed, "read it", [] {
    errno = EIO;
    return int{ZEL_ERR_IO};
  });
  EXPECT_EQ(failed.status, FlnStatus::WriteFailed);
  EXPECT_EQ(failed.systemError, EIO);
}

// A failed system call outside storage names its errno the same way; with no
// errno it is the given kind, never taken for damage.
TEST(FlnResultOfSystemCall, NamesTheSystemsReasonAsStorageDoes) {
  const struct {
    int error;
    FlnStatus failedAs;
    FlnStatus status;
    std::string reason;
  } cases[] = {
      {ENOENT, FlnStatus::CannotOpen, FlnStatus::CannotOpen, std::string("cannot open it: ") + std::strerror(ENOENT)},
      {EACCES, FlnStatus::CannotOpen, FlnStatus::CannotOpen, std::string("cannot open it: ") + std::strerror(EACCES)},
      {ENOSPC, FlnStatus::WriteFailed, FlnStatus::NoSpace,
       std::string("cannot open it: not enough space (") + std::strerror(ENOSPC) + ")"},
      {0, FlnStatus::WriteFailed, FlnStatus::WriteFailed, "cannot open it"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reason);
    const FlnResult result = FlnResultOfSystemCall(c.error, c.failedAs, "open it");
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.reason, c.reason);
    EXPECT_EQ(result.systemError, c.error);
    EXPECT_EQ(result.reason, FlnResultOfStorage(ZEL_ERR_ARG, c.error, c.failedAs, "open it").reason);
  }
}

// A write into a file being made anew names the system's reason as any
// storage call does; without errno it is a failed write (or a file grown past
// its limit), never damage: nothing else has seen the file.
TEST(FlnResultOfNewFileWrite, IsNeverDamage) {
  const struct {
    int zelCode;
    int error;
    FlnStatus status;
    std::string reason;
  } cases[] = {
      {ZEL_OK, EIO, FlnStatus::Ok, ""},
      {ZEL_ERR_IO, ENOSPC, FlnStatus::NoSpace,
       std::string("cannot write it: not enough space (") + std::strerror(ENOSPC) + ")"},
      {ZEL_ERR_IO, EIO, FlnStatus::WriteFailed, std::string("cannot write it: ") + std::strerror(EIO)},
      {ZEL_ERR_IO, 0, FlnStatus::WriteFailed, "cannot write it: a write did not complete"},
      {ZEL_ERR_ARG, 0, FlnStatus::TooLarge, "cannot write it: the file would pass the largest size it can have"},
      {ZEL_ERR_NO_TAG, 0, FlnStatus::WriteFailed, "cannot write it: a write did not complete"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reason);
    const FlnResult result = FlnResultOfNewFileWrite(c.zelCode, c.error, "write it");
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.reason, c.reason);
    EXPECT_EQ(result.systemError, c.zelCode == ZEL_OK ? 0 : c.error);
  }
  errno = ENOSPC;  // left by an earlier call: not this write's reason
  EXPECT_EQ(RunNewFileWrite("write it", [] { return int{ZEL_ERR_IO}; }).status, FlnStatus::WriteFailed);
}

}  // namespace
