// Selecting every entry changes one flag byte in each entry record; a save
// then writes those bytes alone. These tests show that such a save ends in
// the bytes a whole rewrite leaves, and stays all or nothing when the
// process is killed or a write fails at any point of it, or when another
// process reads the library meanwhile.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <cstddef>
#include <cstdio>
#include <string>

#include "LibraryTestSupport.h"
#include "library/FlnArraySync.h"
#include "library/FlnLibraryLock.h"
#include "library/FlnLoad.h"
#include "library/FlnSave.h"
#include "storage/FileIo.h"
#include "storage/TeskAryChanges.h"
#include "storage/ZelJournal.h"

using namespace libtest;

namespace {

constexpr int kEntries = 40;

// Sets every entry's selection flag to `flag` the way the entry list does.
void SelectAll(FLN_DATA& d, uint8_t flag) {
  for (int32_t i = 0; i < Tesk_Ary_GetSize(d.entry); ++i)
    Tesk_Ary_UpdateField(d.entry, i, offsetof(FLN_ENTRY, en_is_select_entrylist), sizeof flag, &flag);
}

int FlagsSet(const std::string& path) {
  Library loaded;
  EXPECT_TRUE(ReadFlnDataFromFlnFile(path.c_str(), &loaded.data).ok());
  int set = 0;
  for (int32_t i = 0; i < Tesk_Ary_GetSize(loaded.data.entry); ++i)
    set += static_cast<const FLN_ENTRY*>(Tesk_Ary_ReadDataPtr(loaded.data.entry, i))->en_is_select_entrylist;
  return set;
}

// A library of kEntries entries, its bytes before a select-all, and the
// bytes a whole rewrite with every entry selected leaves.
class SelectAllSave : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteSampleLibrary(path, kEntries);
    before = readAll(path);
    const std::string other = dir.path("whole.fln");
    writeAll(other, before);
    Library whole;
    ASSERT_NO_FATAL_FAILURE(Load(other, &whole));
    SelectAll(whole.data, 1);
    ForgetLibraryFileState(&whole.data);
    ASSERT_TRUE(SaveAll(other.c_str(), &whole.data).ok());
    after = readAll(other);
    ASSERT_NE(before, after);
  }

  FrozenClock clock{FixedTime().addSecs(7200)};
  TempDir dir;
  std::string path = dir.path("lib.fln");
  std::vector<uint8_t> before, after;
};

// The journal of a select-all save holds the flag bytes, not the records:
// a process that stops before removing it leaves one that is well under
// one entry record long, and rolling it back restores the old file.
TEST_F(SelectAllSave, JournalsTheFlagBytesOnly) {
  bool sawJournal = false;
  for (long n = 1; n < 30 && !sawJournal; ++n) {
    SCOPED_TRACE("dead from flush " + std::to_string(n));
    writeAll(path, before);
    Library library;
    ASSERT_NO_FATAL_FAILURE(Load(path, &library));
    SelectAll(library.data, 1);
    FileFaults::failFlush(n, FileFaults::Kind::FromThenOn);
    const bool saved = SaveAll(path.c_str(), &library.data).ok();
    FileFaults::reset();
    ASSERT_FALSE(saved);
    const QFile journal(QString::fromStdString(ZelJournal::PathFor(path)));
    if (!journal.exists()) continue;
    sawJournal = true;
    // Each entry's flag byte with its region header; a whole rewrite would
    // journal kEntries records of sizeof(FLN_ENTRY) bytes.
    EXPECT_GT(journal.size(), kEntries * 13);
    EXPECT_LT(journal.size(), static_cast<int64_t>(sizeof(FLN_ENTRY)));
    ASSERT_EQ(ZelJournal::RollBack(path), ZelJournal::Recovery::RolledBack);
    EXPECT_EQ(readAll(path), before);
  }
  EXPECT_TRUE(sawJournal);
}

// Whichever read, write or flush of a select-all save fails, once or for good,
// the file holds what it held before (after the rollback the next opening
// makes), and the next save makes it what a whole rewrite leaves.
TEST_F(SelectAllSave, AFailureAnywhereLeavesTheLibraryWholeAndTheNextSaveWorks) {
  const struct {
    const char* name;
    void (*arm)(long n, FileFaults::Kind kind);
    FileFaults::Kind kind;
  } faults[] = {
      {"write fails once", FileFaults::failWrite, FileFaults::Kind::Once},
      {"dead from a write", FileFaults::failWrite, FileFaults::Kind::FromThenOn},
      {"flush fails once", FileFaults::failFlush, FileFaults::Kind::Once},
      {"dead from a flush", FileFaults::failFlush, FileFaults::Kind::FromThenOn},
      {"read fails once", FileFaults::failRead, FileFaults::Kind::Once},
  };
  for (const auto& fault : faults) {
    bool saved = false;
    int failed = 0;
    for (long n = 1; n < 2000 && !saved; ++n) {
      SCOPED_TRACE(std::string(fault.name) + " " + std::to_string(n));
      writeAll(path, before);
      Library library;
      ASSERT_NO_FATAL_FAILURE(Load(path, &library));
      SelectAll(library.data, 1);
      fault.arm(n, fault.kind);
      saved = SaveAll(path.c_str(), &library.data).ok();
      FileFaults::reset();
      if (saved) {
        EXPECT_EQ(readAll(path), after);
        break;
      }
      ++failed;
      if (fault.kind == FileFaults::Kind::FromThenOn) {
        ASSERT_NE(ZelJournal::RollBack(path), ZelJournal::Recovery::Failed);
        ASSERT_EQ(readAll(path), before);
        Library reloaded;
        ASSERT_NO_FATAL_FAILURE(Load(path, &reloaded));
        SelectAll(reloaded.data, 1);
        ASSERT_TRUE(SaveAll(path.c_str(), &reloaded.data).ok());
      } else {
        EXPECT_FALSE(QFile::exists(QString::fromStdString(ZelJournal::PathFor(path))));
        ASSERT_EQ(readAll(path), before);
        ASSERT_TRUE(SaveAll(path.c_str(), &library.data).ok());
      }
      ASSERT_EQ(readAll(path), after);
    }
    EXPECT_TRUE(saved) << fault.name;
    std::printf("[ faults   ] %s: %d failed saves, each left the library whole\n", fault.name, failed);
  }
}

// A select-all save killed after any of its writes or flushes: once the
// journal is rolled back (as the next opening does), the file is byte for
// byte the one before the save or the one a whole rewrite leaves.
TEST_F(SelectAllSave, AProcessKilledAnywhereLeavesTheOldOrTheNewLibrary) {
  const struct {
    const char* name;
    void (*arm)(long n);
    int atLeast;  // a kill after each flag byte held, written in place, or flushed
  } kills[] = {{"write", FileFaults::killAfterWrite, 2 * kEntries}, {"flush", FileFaults::killAfterFlush, 3}};
  for (const auto& kill : kills) {
    SCOPED_TRACE(kill.name);
    bool completed = false;
    int killed = 0, sawOld = 0, sawNew = 0;
    for (long n = 1; n < 2000 && !completed; ++n) {
      writeAll(path, before);
      const ChildEnd end = RunInChild([&] {
        Library library;
        if (!ReadFlnDataFromFlnFile(path.c_str(), &library.data).ok()) return false;
        SelectAll(library.data, 1);
        kill.arm(n);
        return SaveAll(path.c_str(), &library.data).ok();
      });
      ASSERT_NE(end, ChildEnd::Unexpected) << n;
      if (end == ChildEnd::Completed)
        completed = true;
      else
        ++killed;
      ASSERT_NE(ZelJournal::RollBack(path), ZelJournal::Recovery::Failed) << n;
      const std::vector<uint8_t> now = readAll(path);
      if (now == before) {
        ++sawOld;
      } else {
        ASSERT_EQ(now, after) << "killed after " << kill.name << " " << n << ": neither old nor new";
        ++sawNew;
      }
    }
    EXPECT_TRUE(completed);
    EXPECT_GE(killed, kill.atLeast);
    EXPECT_GE(sawOld, 1);
    EXPECT_GE(sawNew, 1);
    std::printf("[ kills    ] after %s: %d killed, %d old, %d new\n", kill.name, killed, sawOld, sawNew);
  }
}

// Two real processes race over one library, as a writing command and a
// reading one do: the writer selects every entry and then none, each time
// under the exclusive lock, while the reader loads the library under the
// shared lock again and again. Every load sees every flag set or none; a
// save is never seen half made.
TEST_F(SelectAllSave, AReaderRacingTheSavesSeesEveryFlagOrNone) {
  constexpr int kRounds = 30;
  const pid_t writer = fork();
  ASSERT_GE(writer, 0);
  if (writer == 0) {
    for (int round = 0; round < kRounds; ++round) {
      LibraryLock lock;
      while (lock.acquire(path, LibraryLockMode::Exclusive, LibraryLockHolder::WritingCommand) ==
             LibraryLockStatus::Busy)
        usleep(200);
      Library library;
      if (!ReadFlnDataFromFlnFile(path.c_str(), &library.data).ok()) _exit(2);
      SelectAll(library.data, round % 2 == 0 ? 1 : 0);
      if (!SaveAll(path.c_str(), &library.data).ok()) _exit(3);
      lock.release();
      usleep(2000);  // lets the reader in between saves
    }
    _exit(0);
  }
  int all = 0, none = 0, mixed = 0, loads = 0, status = 0;
  bool writerDone = false;
  while (!writerDone || loads < 10) {
    if (!writerDone && waitpid(writer, &status, WNOHANG) == writer) writerDone = true;
    LibraryLock lock;
    if (lock.acquire(path, LibraryLockMode::Shared, LibraryLockHolder::ReadingCommand) != LibraryLockStatus::Held) {
      usleep(100);
      continue;
    }
    const int set = FlagsSet(path);
    ++loads;
    (set == kEntries ? all : set == 0 ? none : mixed) += 1;
    lock.release();
    usleep(200);  // lets the writer in between loads
  }
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  std::printf("[ race     ] %d loads beside %d saves: %d all, %d none, %d mixed\n", loads, kRounds, all, none, mixed);
  EXPECT_EQ(mixed, 0);
  EXPECT_GE(all + none, 10);
  EXPECT_EQ(FlagsSet(path), 0);  // the last round selected none
}

}  // namespace
