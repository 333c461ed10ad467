// Reading a library file's container version and size from its header, as
// an import does before it checks that the PDFs fit.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "LibraryTestSupport.h"
#include "library/FlnFileShape.h"
#include "library/FlnLibraryLock.h"
#include "library/FlnUpgrade.h"

using namespace libtest;

namespace {

TEST(LibraryFileShape, GivesTheVersionAndSizeOfBothContainerVersions) {
  TempDir dir;
  const std::string path = dir.path("lib.fln");
  WriteSampleLibrary(path, 3);
  FlnFileShape shape;
  ASSERT_TRUE(ReadLibraryFileShape(path.c_str(), &shape).ok());
  EXPECT_EQ(shape.layout.version, zel::kLayout2.version);
  EXPECT_EQ(shape.size, readAll(path).size());

  LibraryLock lock;
  ASSERT_EQ(lock.acquire(path, LibraryLockMode::Exclusive, LibraryLockHolder::WritingCommand), LibraryLockStatus::Held);
  const FlnResult upgraded = UpgradeLibraryFile(path, &lock, LibraryLockHolder::WritingCommand, nullptr);
  ASSERT_TRUE(upgraded.ok()) << upgraded.reason;
  ASSERT_TRUE(ReadLibraryFileShape(path.c_str(), &shape).ok());
  EXPECT_EQ(shape.layout.version, zel::kLayout3.version);
  EXPECT_EQ(shape.layout.width, zel::kLayout3.width);
  EXPECT_EQ(shape.size, readAll(path).size());
}

// A file it cannot read leaves the shape as it was and says why.
TEST(LibraryFileShape, AMissingOrForeignFileIsRefusedWithItsReason) {
  TempDir dir;
  const std::string missing = dir.path("missing.fln");
  const FlnFileShape untouched{zel::kLayout3, 12345};
  FlnFileShape shape = untouched;
  const FlnResult gone = ReadLibraryFileShape(missing.c_str(), &shape);
  EXPECT_EQ(gone.status, FlnStatus::CannotOpen);
  EXPECT_EQ(gone.systemError, ENOENT);
  EXPECT_EQ(gone.reason, std::string("cannot open the library file: ") + std::strerror(ENOENT));
  EXPECT_EQ(shape.size, untouched.size);

  const std::string text = dir.path("text.fln");
  writeAll(text, std::vector<uint8_t>(600, 'x'));
  EXPECT_FALSE(ReadLibraryFileShape(text.c_str(), &shape).ok());
  EXPECT_EQ(shape.size, untouched.size);
  EXPECT_EQ(shape.layout.version, untouched.layout.version);
}

}  // namespace
