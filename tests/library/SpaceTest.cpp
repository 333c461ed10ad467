// Measuring the space a compaction would give back, in libraries of both
// container versions: what the library window shows before compacting.

#include <gtest/gtest.h>

#include <string>

#include "LibraryTestSupport.h"
#include "format/ZelFormat.h"
#include "library/FlnCompact.h"
#include "library/FlnLibraryLock.h"
#include "library/FlnLoad.h"
#include "library/FlnSpace.h"
#include "library/FlnUpgrade.h"

using namespace libtest;

namespace {

constexpr int32_t kJunkTag = ZelTag("JUNK");
const std::string kUnusedPdf = "%PDF-1.4 of no entry";

struct SpaceCase {
  const char* name;
  const zel::RecordLayout* layout;
};

class LibrarySpace : public ::testing::TestWithParam<SpaceCase> {
 protected:
  void SetUp() override {
    WriteSampleLibrary(path, 3);
    ASSERT_EQ(lock.acquire(path, LibraryLockMode::Exclusive, LibraryLockHolder::WritingCommand),
              LibraryLockStatus::Held);
    if (GetParam().layout == &zel::kLayout3) {
      const FlnResult upgraded = UpgradeLibraryFile(path, &lock, LibraryLockHolder::WritingCommand, nullptr);
      ASSERT_TRUE(upgraded.ok()) << upgraded.reason;
      ASSERT_TRUE(LibraryIsWide(path));
    }
  }

  FlnSpaceUse Measure() {
    Library library;
    EXPECT_TRUE(ReadFlnDataFromFlnFile(path.c_str(), &library.data).ok());
    FlnSpaceUse use;
    EXPECT_TRUE(MeasureLibrarySpace(&library.data, &use));
    EXPECT_EQ(use.fileSize, static_cast<int64_t>(readAll(path).size()));
    return use;
  }

  TempDir dir;
  std::string path = dir.path("lib.fln");
  LibraryLock lock;
};

// A PDF that no attachment names and a removed item count with item records
// as wide as the file's version makes them; once compacted, nothing is left
// over, so every item of the file was counted at its true size.
TEST_P(LibrarySpace, CountsEveryItemAtTheSizeOfItsContainersRecords) {
  const int64_t recordSize = GetParam().layout->recordSize();
  const FlnSpaceUse sample = Measure();
  EXPECT_EQ(sample.unusedPdfs, 0);
  EXPECT_EQ(sample.unusedPdfBytes, 0);

  AppendMember(path, kTagAttachmentData, kUnusedPdf);
  SetMembers(path, kJunkTag, {std::string(20000, 'j')});
  const FlnSpaceUse withJunk = Measure();
  SetMembers(path, kJunkTag, {});
  const FlnSpaceUse withDeadJunk = Measure();
  EXPECT_EQ(withDeadJunk.unusedPdfs, 1);
  EXPECT_EQ(withDeadJunk.unusedPdfBytes, recordSize + static_cast<int64_t>(kUnusedPdf.size()));
  EXPECT_EQ(withDeadJunk.deadBytes - withJunk.deadBytes, recordSize + 20000);

  const FlnResult compacted = CompactLibraryFile(path, &lock, LibraryLockHolder::WritingCommand, nullptr);
  ASSERT_TRUE(compacted.ok()) << compacted.reason;
  const FlnSpaceUse after = Measure();
  EXPECT_EQ(after.deadBytes, 0);
  EXPECT_EQ(after.unusedPdfs, 0);
  EXPECT_EQ(after.unusedBytes(), 0);
}

INSTANTIATE_TEST_SUITE_P(BothVersions, LibrarySpace,
                         ::testing::Values(SpaceCase{"Version2", &zel::kLayout2},
                                           SpaceCase{"Version3", &zel::kLayout3}),
                         [](const ::testing::TestParamInfo<SpaceCase>& info) { return info.param.name; });

}  // namespace
