#include <gtest/gtest.h>

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "LibraryTestSupport.h"
#include "TestFiles.h"
#include "library/FlnEnvironment.h"
#include "library/FlnLoad.h"
#include "library/FlnSave.h"
#include "format/Endian.h"
#include "storage/FileIo.h"

using namespace libtest;

namespace {

class SaveLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteSampleLibrary(path, 5);
    ASSERT_NO_FATAL_FAILURE(Load(path, &library));
  }
  FrozenClock clock{FixedTime()};
  TempDir dir;
  std::string path = dir.path("lib.fln");
  Library library;
};

TEST_F(SaveLibrary, WritesTheSortKeysAsThreeRecords) {
  library.data.entryListInfo = {{15, 7, 0}, {1, 0, 1}};
  clock.set(FixedTime().addDays(1));
  ASSERT_TRUE(SaveAll(path.c_str(), &library.data).ok());
  const Contents contents = ReadContents(path);
  const auto* sorts = MembersOf(contents, kTagEntrySort);
  ASSERT_NE(sorts, nullptr);
  ASSERT_EQ(sorts->size(), 3u);
  const int32_t kinds[] = {15, 7, 0};
  const uint8_t ascend[] = {1, 0, 1};
  for (int i = 0; i < 3; ++i) {
    FLN_ENTRY_SORT s;
    ASSERT_EQ((*sorts)[i].size(), sizeof s);
    std::memcpy(&s, (*sorts)[i].data(), sizeof s);
    EXPECT_EQ(Host(s.index), i);
    EXPECT_EQ(Host(s.sortFieldKind), kinds[i]);
    EXPECT_EQ(s.sortFieldAscend, ascend[i]);
    EXPECT_EQ(Chars(s.createDate, 18), "20261209211320500");
    EXPECT_EQ(Chars(s.updateDate, 18), "20261209211320500");
  }
}

TEST_F(SaveLibrary, WhatIsSavedLoadsAgain) {
  FLN_ENTRY e;
  Tesk_Ary_GetData(library.data.entry, 3, &e);
  e.en_my_rate = ZEL_EndianShort_NtoL(4);
  ASSERT_EQ(UpdateEntry(library.data.entry, &e), 1);
  Tesk_Ary_Remove(library.data.entry, 0);
  ASSERT_EQ(SaveEnvironment(&library.data, "window_cat1list_selection", "技術"), 0);
  ASSERT_TRUE(SaveAll(path.c_str(), &library.data).ok());

  Library again;
  ASSERT_TRUE(ReadFlnDataFromFlnFile(path.c_str(), &again.data).ok());
  const std::pair<TESK_ARY, TESK_ARY> pairs[] = {
      {library.data.entry, again.data.entry},         {library.data.label, again.data.label},
      {library.data.idCounter, again.data.idCounter}, {library.data.attachment, again.data.attachment},
      {library.data.envAry, again.data.envAry},       {library.data.catsAry, again.data.catsAry},
  };
  for (const auto& [saved, loaded] : pairs) {
    ASSERT_EQ(Tesk_Ary_GetSize(saved), Tesk_Ary_GetSize(loaded));
    std::vector<char> x(static_cast<size_t>(saved->recordSize)), y(x.size());
    for (int32_t i = 0; i < Tesk_Ary_GetSize(saved); ++i) {
      Tesk_Ary_GetData(saved, i, x.data());
      Tesk_Ary_GetData(loaded, i, y.data());
      EXPECT_EQ(x, y) << "record " << i << " of size " << saved->recordSize;
    }
  }
}

TEST_F(SaveLibrary, TheVariantWithoutSortRecordsLeavesThemAsTheyAre) {
  const Contents before = ReadContents(path);
  library.data.entryListInfo = {{9, 9, 9}, {0, 0, 0}};
  Tesk_Ary_Remove(library.data.entry, 1);
  clock.set(FixedTime().addDays(1));
  ASSERT_TRUE(SaveAllWithoutEntrySort(path.c_str(), &library.data).ok());
  const Contents after = ReadContents(path);
  ASSERT_NE(MembersOf(after, kTagEntrySort), nullptr);
  EXPECT_EQ(*MembersOf(after, kTagEntrySort), *MembersOf(before, kTagEntrySort));
  EXPECT_EQ(MembersOf(after, kTagEntry)->size(), 4u);
}

// The library file was replaced by something that is not a library, or
// damaged, after it was loaded: the save writes nothing into it.
TEST_F(SaveLibrary, NeverWritesIntoAForeignOrDamagedFile) {
  const std::vector<uint8_t> good = readAll(path);
  const struct {
    const char* name;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {"foreign", std::vector<uint8_t>(good.size(), '%')},
      {"tag chain broken",
       [&] {
         auto b = good;
         b[512 + 24] = 0x01;  // root's nextTag now points inside the header
         b[512 + 25] = b[512 + 26] = b[512 + 27] = 0;
         return b;
       }()},
      {"cut short", std::vector<uint8_t>(good.begin(), good.end() - 100)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    writeAll(path, c.bytes);
    TouchLater(path);
    Tesk_Ary_Remove(library.data.entry, 0);
    EXPECT_FALSE(SaveAll(path.c_str(), &library.data).ok());
    EXPECT_EQ(readAll(path), c.bytes);
  }
}

TEST_F(SaveLibrary, ReportsWhatItCouldNotWrite) {
  FileFaults::failWrite(1, FileFaults::Kind::FromThenOn);
  Tesk_Ary_Remove(library.data.entry, 0);
  EXPECT_FALSE(SaveAll(path.c_str(), &library.data).ok());
  FileFaults::reset();
  EXPECT_TRUE(SaveAll(path.c_str(), &library.data).ok());
  EXPECT_EQ(MembersOf(ReadContents(path), kTagEntry)->size(), 4u);

  EXPECT_FALSE(SaveAll(dir.path("missing.fln").c_str(), &library.data).ok());
  EXPECT_FALSE(SaveAll("", &library.data).ok());
}

// A failed save says why, with the system's errno, whichever write fails;
// the file keeps every byte it had, and the next save writes the change.
TEST_F(SaveLibrary, AFailedSaveKeepsTheSystemsReason) {
  const struct {
    int error;
    long write;  // the failing write, 1-based
    FlnStatus status;
  } cases[] = {
      {ENOSPC, 1, FlnStatus::NoSpace},   {ENOSPC, 3, FlnStatus::NoSpace},     {EDQUOT, 2, FlnStatus::NoSpace},
      {EIO, 1, FlnStatus::WriteFailed},  {EIO, 2, FlnStatus::WriteFailed},    {EACCES, 1, FlnStatus::WriteFailed},
      {EPERM, 3, FlnStatus::WriteFailed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::strerror(c.error) + std::string(" at write ") + std::to_string(c.write));
    const std::vector<uint8_t> before = readAll(path);
    FLN_ENTRY entry;
    Tesk_Ary_GetData(library.data.entry, 0, &entry);
    entry.en_title[0] ^= 1;  // a change the save must write
    Tesk_Ary_Update(library.data.entry, 0, &entry);
    FileFaults::failWrite(c.write, FileFaults::Kind::Once, c.error);
    const FlnResult why = SaveAll(path.c_str(), &library.data);
    const long writes = FileFaults::writesSeen();
    FileFaults::reset();
    ASSERT_GE(writes, c.write) << "the save never reached the failing write";
    EXPECT_EQ(why.status, c.status);
    EXPECT_EQ(why.systemError, c.error);
    EXPECT_NE(why.reason.find(std::strerror(c.error)), std::string::npos) << why.reason;
    EXPECT_EQ(LastSaveResult(&library.data).reason, why.reason);
    EXPECT_EQ(readAll(path), before);

    const FlnResult next = SaveAll(path.c_str(), &library.data);
    ASSERT_TRUE(next.ok()) << next.reason;
    EXPECT_TRUE(LastSaveResult(&library.data).ok());
    Library reloaded;
    ASSERT_NO_FATAL_FAILURE(Load(path, &reloaded));
    FLN_ENTRY stored;
    Tesk_Ary_GetData(reloaded.data.entry, 0, &stored);
    EXPECT_EQ(std::memcmp(stored.en_title, entry.en_title, sizeof entry.en_title), 0);
  }
}

// A file another program put in the library's place is never written, and
// the result says so rather than blaming the disk; a missing file gives the
// system's reason.
TEST_F(SaveLibrary, AReplacedOrMissingFileIsNamedAsSuch) {
  const std::string other = dir.path("other.fln");
  WriteSampleLibrary(other, 2);
  ASSERT_EQ(std::rename(other.c_str(), path.c_str()), 0);
  const std::vector<uint8_t> replacement = readAll(path);
  const FlnResult replaced = SaveAll(path.c_str(), &library.data);
  EXPECT_EQ(replaced.status, FlnStatus::Replaced);
  EXPECT_EQ(replaced.systemError, 0);
  EXPECT_NE(replaced.reason.find("replaced"), std::string::npos) << replaced.reason;
  EXPECT_EQ(readAll(path), replacement);

  ASSERT_EQ(std::remove(path.c_str()), 0);
  const FlnResult missing = SaveAll(path.c_str(), &library.data);
  EXPECT_EQ(missing.status, FlnStatus::CannotOpen);
  EXPECT_EQ(missing.systemError, ENOENT);
  EXPECT_NE(missing.reason.find(std::strerror(ENOENT)), std::string::npos) << missing.reason;
}

TEST_F(SaveLibrary, ALibraryThatWasNeverLoadedWritesNothing) {
  const std::vector<uint8_t> before = readAll(path);
  Library empty;
  EXPECT_EQ(SaveAll(path.c_str(), &empty.data).status, FlnStatus::NotLoaded);
  EXPECT_EQ(SaveAllWithoutEntrySort(path.c_str(), &empty.data).status, FlnStatus::NotLoaded);
  EXPECT_EQ(readAll(path), before);
}

}  // namespace
