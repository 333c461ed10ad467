// The rollback journal: a change that died halfway is undone byte for byte;
// a journal that was never finished, or that belongs to another file, is
// never applied.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

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

// A change that overwrites more bytes than one piece of the journal holds:
// the journal goes to the disk piece by piece with its header last. Whether
// the process dies (from a write on, nothing more reaches the disk) or is
// killed (SIGKILL) after any of the commit's writes, the rollback the next
// opening makes leaves the file as it was before the change or as the change
// left it, and a journal cut off between its pieces is removed, never applied.
class LargeChange : public ::testing::Test {
 protected:
  static constexpr uint32_t kLength = 19u << 20;  // more than two pieces of the journal

  void SetUp() override {
    ZEL_FILE file;
    ASSERT_EQ(ZEL_Create(path.c_str(), &file), ZEL_OK);
    ASSERT_EQ(ZEL_AddData(&file, kTag, 5, "small"), ZEL_OK);
    ASSERT_EQ(ZEL_AddData(&file, kTag, kLength, Bytes(1).data()), ZEL_OK);
    ASSERT_EQ(ZEL_Commit(&file), ZEL_OK);
    ZEL_Close(&file);
    before = readAll(path);
    ASSERT_TRUE(change());
    after = readAll(path);
    ASSERT_NE(after, before);
    writeAll(path, before);
  }
  void TearDown() override { FileFaults::reset(); }

  static std::vector<uint8_t> Bytes(uint8_t seed) {
    std::vector<uint8_t> bytes(kLength);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>((i >> 7) * seed + i);
    return bytes;
  }
  // Rewrites both members in place; `arm` sets the fault
  // once the change is held, so that it strikes among the commit's writes.
  bool change(const std::function<void()>& arm = [] {}) {
    ZEL_FILE file;
    if (ZEL_Open(path.c_str(), 0, &file) != ZEL_OK) return false;
    bool ok = ZEL_FirstMember(&file, kTag) == ZEL_OK && ZEL_ReplaceData(&file, 5, "SMALL") == ZEL_OK &&
              ZEL_NextMember(&file) == ZEL_OK && ZEL_ReplaceData(&file, kLength, Bytes(3).data()) == ZEL_OK;
    arm();
    ok = ok && ZEL_Commit(&file) == ZEL_OK;
    ZEL_Close(&file);
    return ok;
  }

  TempDir dir;
  std::string path = dir.path("large.fln");
  std::vector<uint8_t> before, after;
};

TEST_F(LargeChange, DyingAtAnyWriteOfTheCommitLeavesTheOldFile) {
  int died = 0;
  bool committed = false;
  for (long n = 1; n < 50 && !committed; ++n) {
    SCOPED_TRACE("dead from write " + std::to_string(n));
    writeAll(path, before);
    committed = change([n] { FileFaults::failWrite(n, FileFaults::Kind::FromThenOn); });
    FileFaults::reset();
    ASSERT_NE(ZelJournal::RollBack(path), ZelJournal::Recovery::Failed);
    if (committed) {
      EXPECT_EQ(readAll(path), after);
    } else {
      ++died;
      ASSERT_EQ(readAll(path), before);
    }
  }
  EXPECT_TRUE(committed);
  EXPECT_GE(died, 4);  // at the journal's pieces and its header, and at the overwrites
}

TEST_F(LargeChange, AProcessKilledAfterAnyWriteOfTheCommitLeavesTheOldOrTheNewFile) {
  int killed = 0, old = 0, changed = 0, journalsRemoved = 0, journalsApplied = 0;
  bool completed = false;
  for (long n = 1; n < 50 && !completed; ++n) {
    SCOPED_TRACE("killed after write " + std::to_string(n));
    writeAll(path, before);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(change([n] { FileFaults::killAfterWrite(n); }) ? 0 : 1);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
      completed = true;
    } else {
      ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
      ++killed;
    }
    const ZelJournal::Recovery recovery = ZelJournal::RollBack(path);
    ASSERT_NE(recovery, ZelJournal::Recovery::Failed);
    journalsRemoved += recovery == ZelJournal::Recovery::Removed ? 1 : 0;
    journalsApplied += recovery == ZelJournal::Recovery::RolledBack ? 1 : 0;
    const std::vector<uint8_t> now = readAll(path);
    if (now == before) {
      ++old;
    } else {
      ASSERT_EQ(now, after) << "neither the old nor the new file";
      ++changed;
    }
  }
  EXPECT_TRUE(completed);
  EXPECT_GE(journalsRemoved, 1);  // killed between the journal's pieces
  EXPECT_GE(journalsApplied, 1);  // killed among the overwrites
  std::printf("[ kills    ] %d killed: %d old, %d new; journals removed %d, applied %d\n", killed, old, changed,
              journalsRemoved, journalsApplied);
}

}  // namespace
