// Converting a library to 64-bit offsets: the new file holds every record and
// PDF as before and takes the old one's place under the lock; on any failure
// the old file stays exactly as it was and nothing is left beside it.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "LibraryTestSupport.h"
#include "TestFiles.h"
#include "library/FlnAttachment.h"
#include "library/FlnLibraryLock.h"
#include "library/FlnLoad.h"
#include "library/FlnUpgrade.h"
#include "format/Endian.h"
#include "storage/FileIo.h"

using namespace libtest;

namespace {

constexpr int kEntries = 6;

// Every record array and every entry's PDF, as plain bytes.
struct Snapshot {
  std::vector<std::vector<uint8_t>> arrays;
  std::vector<std::string> pdfs;
  bool operator==(const Snapshot& o) const { return arrays == o.arrays && pdfs == o.pdfs; }
};

Snapshot Take(const std::string& path) {
  Snapshot s;
  Library library;
  Load(path, &library);
  const FLN_DATA& d = library.data;
  for (TESK_ARY ary : {d.entry, d.attachment, d.label, d.idCounter, d.envAry, d.catsAry}) {
    const auto* p = static_cast<const uint8_t*>(Tesk_Ary_GetDataPtr(ary, 0));
    s.arrays.emplace_back(p, p + static_cast<size_t>(Tesk_Ary_GetSize(ary)) * static_cast<size_t>(ary->recordSize));
  }
  for (int32_t i = 0; i < Tesk_Ary_GetSize(d.attachment); ++i) {
    FLN_ATTACHMENT a;
    Tesk_Ary_GetData(d.attachment, i, &a);
    s.pdfs.push_back(ReadPDFData_ByFLNFile(ZEL_EndianLong_LtoN(a.dataIndex), path.c_str()).toStdString());
  }
  return s;
}

class UpgradeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteSampleLibrary(path, kEntries);
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    before = Take(path);
    ASSERT_EQ(before.pdfs.size(), static_cast<size_t>(kEntries));
    ASSERT_EQ(lock.acquire(path, LibraryLockMode::Exclusive, LibraryLockHolder::WritingCommand),
              LibraryLockStatus::Held);
  }
  void TearDown() override { FileFaults::reset(); }

  // Whether anyone (this process's `lock` included) holds the library at `path` now.
  bool Locked() {
    LibraryLock other;
    return other.acquire(path, LibraryLockMode::Shared, LibraryLockHolder::ReadingCommand) == LibraryLockStatus::Busy;
  }

  TempDir dir;
  std::string path = dir.path("lib.fln");
  Snapshot before;
  LibraryLock lock;
};

TEST_F(UpgradeTest, TheConvertedLibraryHoldsEverythingAndStaysLocked) {
  const auto oldBytes = readAll(path);
  std::vector<uint64_t> steps;
  const FlnResult r = UpgradeLibraryFile(path, &lock, LibraryLockHolder::WritingCommand, [&](uint64_t done, uint64_t) {
    steps.push_back(done);
    return true;
  });
  ASSERT_TRUE(r.ok()) << r.reason;
  EXPECT_TRUE(LibraryIsWide(path));
  EXPECT_EQ(readAll(path)[4], 3);
  EXPECT_EQ(Take(path), before);
  EXPECT_FALSE(steps.empty());
  EXPECT_TRUE(Locked()) << "the lock moved over to the new file";
  struct stat st;
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u) << "the old file's permissions";
  EXPECT_EQ(FolderNames(dir.path("")), std::vector<std::string>{"lib.fln"});

  // A second conversion leaves a wide library alone.
  const auto wide = readAll(path);
  EXPECT_TRUE(UpgradeLibraryFile(path, &lock, LibraryLockHolder::WritingCommand, nullptr).ok());
  EXPECT_EQ(readAll(path), wide);
  lock.release();
  EXPECT_FALSE(Locked());
  EXPECT_NE(wide, oldBytes);
}

// Every write and every flush of the conversion fails in turn (and from then
// on, as a full disk does); a stop is asked at every step. The old file is
// left byte for byte, still locked, with nothing beside it.
TEST_F(UpgradeTest, AnyFailureLeavesTheOldFileAsItWas) {
  const auto oldBytes = readAll(path);
  FileFaults::reset();
  ASSERT_TRUE(UpgradeLibraryFile(dir.path("lib.fln"), &lock, LibraryLockHolder::WritingCommand, nullptr).ok());
  const long writes = FileFaults::writesSeen(), flushes = FileFaults::flushesSeen(), reads = FileFaults::readsSeen();
  ASSERT_GT(writes, 0);
  ASSERT_GT(flushes, 0);

  struct Kind {
    const char* what;
    long count;
    std::function<void(long)> arm;
  };
  const Kind kinds[] = {
      {"write", writes, [](long n) { FileFaults::failWrite(n, FileFaults::Kind::FromThenOn); }},
      {"flush", flushes, [](long n) { FileFaults::failFlush(n, FileFaults::Kind::FromThenOn); }},
      {"read", reads, [](long n) { FileFaults::failRead(n, FileFaults::Kind::Once); }},
  };
  int failures = 0;
  for (const Kind& k : kinds) {
    for (long n = 1; n <= k.count; ++n) {
      SCOPED_TRACE(std::string(k.what) + " " + std::to_string(n));
      lock.release();
      writeAll(path, oldBytes);
      ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
      ASSERT_EQ(lock.acquire(path, LibraryLockMode::Exclusive, LibraryLockHolder::WritingCommand),
                LibraryLockStatus::Held);
      FileFaults::reset();
      k.arm(n);
      const FlnResult r = UpgradeLibraryFile(path, &lock, LibraryLockHolder::WritingCommand, nullptr);
      FileFaults::reset();
      if (r.ok()) {
        // A read that failed may have been read again; the file is whole.
        EXPECT_TRUE(LibraryIsWide(path));
        EXPECT_EQ(Take(path), before);
      } else {
        ++failures;
        EXPECT_EQ(readAll(path), oldBytes) << r.reason;
      }
      EXPECT_TRUE(Locked());
      EXPECT_EQ(FolderNames(dir.path("")), std::vector<std::string>{"lib.fln"});
    }
  }
  EXPECT_GE(failures, writes + flushes - 1) << "nearly every fault makes the conversion fail";

  for (int stopAt = 0; stopAt < 3; ++stopAt) {
    SCOPED_TRACE("stopped at step " + std::to_string(stopAt));
    lock.release();
    writeAll(path, oldBytes);
    ASSERT_EQ(lock.acquire(path, LibraryLockMode::Exclusive, LibraryLockHolder::WritingCommand),
              LibraryLockStatus::Held);
    int step = 0;
    const FlnResult r = UpgradeLibraryFile(path, &lock, LibraryLockHolder::WritingCommand,
                                           [&](uint64_t, uint64_t) { return step++ < stopAt; });
    EXPECT_EQ(r.status, FlnStatus::Stopped);
    EXPECT_EQ(readAll(path), oldBytes);
    EXPECT_EQ(FolderNames(dir.path("")), std::vector<std::string>{"lib.fln"});
  }
}

TEST_F(UpgradeTest, ADamagedLibraryIsNotConverted) {
  int64_t entries = -1;
  {
    ZEL_FILE f;
    ASSERT_EQ(ZEL_Open(path.c_str(), 1, &f), ZEL_OK);
    ASSERT_EQ(ZEL_FirstMember(&f, kTagEntry), ZEL_OK);
    entries = static_cast<int64_t>(f.current.position);
    ZEL_Close(&f);
  }
  pokeU32LE(path, static_cast<uint64_t>(entries) + zel::kNextMemberAt, 0x7FFFFFF0u);
  const auto damaged = readAll(path);
  const FlnResult r = UpgradeLibraryFile(path, &lock, LibraryLockHolder::WritingCommand, nullptr);
  EXPECT_EQ(r.status, FlnStatus::Damaged) << r.reason;
  EXPECT_EQ(readAll(path), damaged);
  EXPECT_EQ(FolderNames(dir.path("")), std::vector<std::string>{"lib.fln"});
}

}  // namespace
