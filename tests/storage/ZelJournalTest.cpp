// The rollback journal: a change that died halfway is undone byte for byte;
// a journal that was never finished, or that belongs to another file, is
// never applied.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>

#include "ZelTestSupport.h"
#include "library/FlnLibraryLock.h"
#include "storage/FileIo.h"
#include "storage/ZelFile.h"
#include "storage/ZelJournal.h"
#include "format/ZelJournalFormat.h"

namespace {

using namespace zeltest;

constexpr int32_t kTag = ZelTag("TEST");

bool exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

class Journal : public ::testing::Test {
 protected:
  void SetUp() override {
    ZEL_FILE file;
    ASSERT_EQ(ZEL_Create(path.c_str(), &file), ZEL_OK);
    for (int i = 0; i < 6; ++i) {
      const std::string member = "member " + std::to_string(i);
      ASSERT_EQ(ZEL_AddData(&file, kTag, static_cast<uint32_t>(member.size()), member.data()), ZEL_OK);
    }
    ASSERT_EQ(ZEL_Commit(&file), ZEL_OK);
    ZEL_Close(&file);
    before = readAll(path);
    ASSERT_NO_FATAL_FAILURE(dieHalfwayThroughAChange());
    halfway = readAll(path);
    journal = readAll(journalPath);
  }
  void TearDown() override { FileFaults::reset(); }

  // A change that overwrites old members, removes one and appends one, made
  // by a process that "dies" after its overwrites reached the file but
  // before the commit flushed them: the journal stays.
  void dieHalfwayThroughAChange() {
    ZEL_FILE file;
    ASSERT_EQ(ZEL_Open(path.c_str(), 0, &file), ZEL_OK);
    ASSERT_EQ(ZEL_FirstMember(&file, kTag), ZEL_OK);
    ASSERT_EQ(ZEL_ReplaceData(&file, 8, "MEMBER 0"), ZEL_OK);
    ASSERT_EQ(ZEL_NextMember(&file), ZEL_OK);
    ASSERT_EQ(ZEL_NextMember(&file), ZEL_OK);
    ASSERT_EQ(ZEL_RemoveData(&file), ZEL_OK);
    ASSERT_EQ(ZEL_AddData(&file, kTag, 9, "appended!"), ZEL_OK);
    // Flushes: appended bytes, journal, folder; then the overwrites' flush fails.
    FileFaults::failFlush(4, FileFaults::Kind::FromThenOn);
    EXPECT_EQ(ZEL_Commit(&file), ZEL_ERR_IO);
    ZEL_Close(&file);
    FileFaults::reset();
  }

  TempDir dir;
  std::string path = dir.path("lib.fln");
  std::string journalPath = ZelJournal::PathFor(path);
  std::vector<uint8_t> before, halfway, journal;
};

TEST_F(Journal, ADeadChangeIsRolledBackByteForByte) {
  ASSERT_NE(halfway, before);  // the overwrites did reach the file
  ASSERT_FALSE(journal.empty());
  EXPECT_EQ(ZelJournal::RollBack(path), ZelJournal::Recovery::RolledBack);
  EXPECT_EQ(readAll(path), before);
  EXPECT_FALSE(exists(journalPath));
  EXPECT_EQ(ZelJournal::RollBack(path), ZelJournal::Recovery::None);
}

TEST_F(Journal, WhoeverOpensForWritingOrLocksRollsBackFirst) {
  const std::vector<std::function<void()>> openers = {
      [&] {
        ZEL_FILE file;
        ASSERT_EQ(ZEL_Open(path.c_str(), 0, &file), ZEL_OK);
        ZEL_Close(&file);
      },
      [&] {
        LibraryLock lock;
        ASSERT_EQ(lock.acquire(path, LibraryLockMode::Exclusive, LibraryLockHolder::WritingCommand),
                  LibraryLockStatus::Held);
      },
      [&] {
        LibraryLock lock;
        ASSERT_EQ(lock.acquire(path, LibraryLockMode::Shared, LibraryLockHolder::ReadingCommand),
                  LibraryLockStatus::Held);
      },
  };
  for (size_t i = 0; i < openers.size(); ++i) {
    SCOPED_TRACE(i);
    writeAll(path, halfway);
    writeAll(journalPath, journal);
    openers[i]();
    EXPECT_EQ(readAll(path), before);
    EXPECT_FALSE(exists(journalPath));
  }
}

// A journal cut off or damaged while it was written was never flushed
// whole, so nothing in place had changed: it is removed, the file kept.
TEST_F(Journal, AJournalThatIsNotWholeIsRemovedAndNeverApplied) {
  using namespace zeljournal;
  const auto cut = [&](size_t n) { return std::vector<uint8_t>(journal.begin(), journal.begin() + n); };
  const auto flipped = [&](size_t at) {
    std::vector<uint8_t> j = journal;
    j[at] ^= 0x20;
    return j;
  };
  const struct {
    const char* name;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {"empty", cut(0)},
      {"part of the magic", cut(5)},
      {"header without the commit mark", cut(kCommitMarkAt)},
      {"header only", cut(kHeaderSize)},
      {"last byte missing", cut(journal.size() - 1)},
      {"one byte too many", [&] {
         std::vector<uint8_t> j = journal;
         j.push_back(0);
         return j;
       }()},
      {"magic", flipped(kMagicAt + 3)},
      {"commit mark", flipped(kCommitMarkAt + 7)},
      {"old length", flipped(kOldSizeAt)},
      {"region count", flipped(kRegionCountAt)},
      {"checksum", flipped(kChecksumAt + 2)},
      {"an original byte", flipped(journal.size() - 3)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    writeAll(path, halfway);
    writeAll(journalPath, c.bytes);
    EXPECT_EQ(ZelJournal::RollBack(path), ZelJournal::Recovery::Removed);
    EXPECT_EQ(readAll(path), halfway);
    EXPECT_FALSE(exists(journalPath));
  }
}

// A whole journal beside a file it was not written for (another inode, or a
// file shorter than the one it describes) is never applied and never removed;
// the file is not opened for writing while it lies there.
TEST_F(Journal, AJournalOfAnotherFileIsLeftAloneAndBlocksWriting) {
  const struct {
    const char* name;
    std::function<void()> makeOther;
  } cases[] = {
      // First, while the file is still the journal's own inode.
      {"the file cut below the journal's old length",
       [&] { writeAll(path, std::vector<uint8_t>(halfway.begin(), halfway.begin() + 600)); }},
      {"another file under the name",
       [&] {
         const std::string other = dir.path("other.fln");
         writeAll(other, halfway);
         ASSERT_EQ(std::rename(other.c_str(), path.c_str()), 0);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    c.makeOther();
    writeAll(journalPath, journal);
    const std::vector<uint8_t> theirs = readAll(path);
    EXPECT_EQ(ZelJournal::RollBack(path), ZelJournal::Recovery::Foreign);
    ZEL_FILE file;
    EXPECT_EQ(ZEL_Open(path.c_str(), 0, &file), ZEL_ERR_IO);
    ZEL_Close(&file);
    LibraryLock lock;
    EXPECT_EQ(lock.acquire(path, LibraryLockMode::Exclusive, LibraryLockHolder::WritingCommand),
              LibraryLockStatus::Failed);
    EXPECT_NE(lock.problem().find("lib.fln-journal belongs to another file"), std::string::npos) << lock.problem();
    EXPECT_EQ(readAll(path), theirs);
    EXPECT_EQ(readAll(journalPath), journal);
  }
}

// A change undone without a commit leaves the file as it was, and a failed
// commit that could still write undoes itself at once.
TEST_F(Journal, RollbackAndAFailedCommitLeaveTheFileAsItWas) {
  for (int mode = 0; mode < 2; ++mode) {
    SCOPED_TRACE(mode == 0 ? "rolled back" : "commit failed once");
    writeAll(path, before);
    std::remove(journalPath.c_str());
    ZEL_FILE file;
    ASSERT_EQ(ZEL_Open(path.c_str(), 0, &file), ZEL_OK);
    ASSERT_EQ(ZEL_FirstMember(&file, kTag), ZEL_OK);
    ASSERT_EQ(ZEL_RemoveData(&file), ZEL_OK);
    ASSERT_EQ(ZEL_AddData(&file, kTag, 4, "tail"), ZEL_OK);
    if (mode == 0) {
      EXPECT_EQ(ZEL_Rollback(&file), ZEL_OK);
    } else {
      FileFaults::failFlush(4, FileFaults::Kind::Once);  // the overwrites' flush
      EXPECT_EQ(ZEL_Commit(&file), ZEL_ERR_IO);
      FileFaults::reset();
    }
    ZEL_Close(&file);
    EXPECT_EQ(readAll(path), before);
    EXPECT_FALSE(exists(journalPath));
  }
}

}  // namespace
