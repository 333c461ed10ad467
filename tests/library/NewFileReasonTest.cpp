// A library file written anew (a new library, a copy, a compaction) whose
// write the disk refuses says why: the kind of the failure and the system's
// error with its text, never a container code. A write that fails without
// an errno is a failed write, never taken for damage of a file that nothing
// else has seen.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <string>

#include "LibraryTestSupport.h"
#include "library/FlnCompact.h"
#include "library/FlnCopy.h"
#include "library/FlnLibraryLock.h"
#include "library/FlnNewLibrary.h"
#include "storage/FileIo.h"

using namespace libtest;

namespace {

TEST(NewFileWriteReason, EachWriterNamesTheKindAndTheSystemsError) {
  TempDir dir;
  const std::string path = dir.path("lib.fln");
  WriteSampleLibrary(path, 3);
  Library library;
  ASSERT_NO_FATAL_FAILURE(Load(path, &library));
  const struct {
    const char* what;
    std::function<FlnResult()> write;
  } writers[] = {
      {"new library", [&] { return CreateNewLibraryFile(dir.path("new.fln").c_str()); }},
      {"copy", [&] { return WriteLibraryCopy(&library.data, dir.path("copy.fln").c_str()); }},
      {"compaction",
       [&] {
         LibraryLock lock;
         return CompactLibraryFile(path, &lock, LibraryLockHolder::WritingCommand, nullptr);
       }},
  };
  const struct {
    int error;
    FlnStatus kind;
  } faults[] = {
      {ENOSPC, FlnStatus::NoSpace},
      {EDQUOT, FlnStatus::NoSpace},
      {EIO, FlnStatus::WriteFailed},
      {0, FlnStatus::WriteFailed},  // a write that ends short without telling why
  };
  const std::vector<uint8_t> before = readAll(path);
  for (const auto& writer : writers) {
    for (const auto& fault : faults) {
      // The header's write, and one among the records.
      for (long n : {1L, 4L}) {
        SCOPED_TRACE(std::string(writer.what) + ", errno " + std::to_string(fault.error) + ", write " +
                     std::to_string(n));
        FileFaults::failWrite(n, FileFaults::Kind::Once, fault.error);
        const FlnResult r = writer.write();
        FileFaults::reset();
        EXPECT_EQ(r.status, fault.kind) << r.reason;
        EXPECT_EQ(r.systemError, fault.error) << r.reason;
        if (fault.error != 0) {
          EXPECT_NE(r.reason.find(std::strerror(fault.error)), std::string::npos) << r.reason;
        }
        EXPECT_EQ(r.reason.find("code"), std::string::npos) << r.reason;
        EXPECT_EQ(readAll(path), before);
      }
    }
  }
}

}  // namespace
