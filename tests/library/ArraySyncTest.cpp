// SaveAll writes only the records that changed; these tests show that the
// file still ends byte for byte as rewriting every record leaves it. Each
// case applies the same change to two loaded copies of one library and saves
// one normally and the other after ForgetLibraryFileState, which makes it
// rewrite every record with ZEL_ARY_Save.

#include <gtest/gtest.h>

#include <QFile>
#include <cstring>
#include <functional>
#include <random>
#include <tuple>

#include "LibraryTestSupport.h"
#include "TestFiles.h"
#include "library/FlnArraySync.h"
#include "library/FlnCreateCats.h"
#include "library/FlnEnvironment.h"
#include "library/FlnIdCounter.h"
#include "library/FlnLoad.h"
#include "library/FlnSave.h"
#include "format/Endian.h"
#include "storage/FileIo.h"
#include "format/FieldText.h"
#include "storage/ZelFile.h"
#include "storage/ZelJournal.h"
#include "storage/ZelTailCache.h"

using namespace libtest;

namespace {

constexpr int kEntries = 12;

using Change = std::function<void(FLN_DATA&)>;

void Retitle(FLN_DATA& d, int32_t index, const std::string& title) {
  FLN_ENTRY e;
  Tesk_Ary_GetData(d.entry, index, &e);
  std::memset(e.en_title, 0, sizeof e.en_title);
  ASSERT_EQ(FLN_COMM_ConvertCharToUniChar_NtoL(title.c_str(), e.en_title, sizeof e.en_title), 1);
  ASSERT_EQ(UpdateEntry(d.entry, &e), 1);
}

void Append(FLN_DATA& d, int32_t id) {
  const FLN_ENTRY e = MakeEntry(id, "追加 " + std::to_string(id));
  ASSERT_EQ(Tesk_Ary_Add(d.entry, &e), 0);
}

struct Scenario {
  const char* id;  // names the test case
  Change change;
};

void PrintTo(const Scenario& s, std::ostream* os) { *os << s.id; }

const Scenario kScenarios[] = {
    {"NothingChanged", [](FLN_DATA&) {}},
    {"OneEntryRetitled", [](FLN_DATA& d) { Retitle(d, 7, "改題された本"); }},
    {"FirstEntryRetitled", [](FLN_DATA& d) { Retitle(d, 0, "First"); }},
    {"LastByteOfTheLastEntry",
     [](FLN_DATA& d) {
       FLN_ENTRY e;
       Tesk_Ary_GetData(d.entry, kEntries - 1, &e);
       e.pad2[2] = 0x5A;
       Tesk_Ary_Update(d.entry, kEntries - 1, &e);
     }},
    {"EntriesAppended",
     [](FLN_DATA& d) {
       for (int32_t id : {900, 901, 902}) Append(d, id);
     }},
    {"FirstEntryRemoved", [](FLN_DATA& d) { Tesk_Ary_Remove(d.entry, 0); }},
    {"MiddleEntryRemoved", [](FLN_DATA& d) { Tesk_Ary_Remove(d.entry, 5); }},
    {"LastEntryRemoved", [](FLN_DATA& d) { Tesk_Ary_Remove(d.entry, kEntries - 1); }},
    {"EveryEntryAndAttachmentRemoved",
     [](FLN_DATA& d) {
       Tesk_Ary_RemoveAll(d.entry);
       Tesk_Ary_RemoveAll(d.attachment);
     }},
    {"RemovedAppendedAndRetitledAtOnce",
     [](FLN_DATA& d) {
       Tesk_Ary_Remove(d.entry, 3);
       Tesk_Ary_Remove(d.entry, 3);
       Append(d, 950);
       Retitle(d, 8, "changed too");
     }},
    {"CounterAdvancedAndTripleAdded",
     [](FLN_DATA& d) {
       ASSERT_GE(GetIdFromIdCounter(d.idCounter, kTagEntry, "en_id"), 0);
       ASSERT_EQ(CreateFlnCats("新", "分類", "その他", d.idCounter, d.catsAry), 0);
     }},
    {"EnvironmentValueSetAndAdded",
     [](FLN_DATA& d) {
       ASSERT_EQ(SaveEnvironment(&d, "categorybox_height", "9"), 0);
       ASSERT_EQ(SaveEnvironment(&d, "entry_scroll_position", "0.000000,120.000000"), 0);
     }},
    {"SortKeysChanged",
     [](FLN_DATA& d) {
       d.entryListInfo = {{7, 2, 15}, {0, 1, 1}};
     }},
    {"EntryWrittenThroughItsAddress",
     [](FLN_DATA& d) {
       auto* e = static_cast<FLN_ENTRY*>(Tesk_Ary_GetDataPtr(d.entry, 4));
       ASSERT_NE(e, nullptr);
       e->en_my_rate = ZEL_EndianShort_NtoL(5);
     }},
    {"EntryInsertedAtTheFront",
     [](FLN_DATA& d) {
       const FLN_ENTRY e = MakeEntry(960, "前に");
       ASSERT_EQ(Tesk_Ary_Insert(d.entry, 0, &e), 0);
     }},
    {"EntriesSwapped", [](FLN_DATA& d) { Tesk_Ary_Swap(d.entry, 9, 2); }},
    {"FirstRemovedAndALaterOneRetitled",
     [](FLN_DATA& d) {
       Tesk_Ary_Remove(d.entry, 0);
       Retitle(d, 6, "after the first left");
     }},
    {"EntryArrayReplacedByAChangedCopy",
     [](FLN_DATA& d) {
       TESK_ARY copy = Tesk_Ary_Init(sizeof(FLN_ENTRY), 20, 20);
       ASSERT_NE(copy, nullptr);
       for (int32_t i = 0; i < Tesk_Ary_GetSize(d.entry); ++i) {
         FLN_ENTRY e;
         Tesk_Ary_GetData(d.entry, i, &e);
         ASSERT_EQ(Tesk_Ary_Add(copy, &e), 0);
       }
       Tesk_Ary_Free(d.entry);
       d.entry = copy;
       Retitle(d, 10, "in the copy");
     }},
    {"LabelRenamed",
     [](FLN_DATA& d) {
       FLN_LABEL l;
       Tesk_Ary_GetData(d.label, 1, &l);
       ASSERT_EQ(FLN_COMM_ConvertCharToUniChar_NtoL("著者別", l.name, sizeof l.name), 1);
       Tesk_Ary_Update(d.label, 1, &l);
     }},
};

// Two copies of one sample library, each loaded; of container version 2, or
// converted to version 3.
class TwoCopies : public ::testing::Test {
 protected:
  void SetUp() override { SetUpVersion(2); }

  void SetUpVersion(int version) {
    const std::string base = dir.path("base.fln");
    WriteSampleLibrary(base, kEntries);
    if (version == 3) {
      ASSERT_NO_FATAL_FAILURE(ConvertToWide(base));
    }
    ASSERT_TRUE(QFile::copy(QString::fromStdString(base), QString::fromStdString(a)));
    ASSERT_TRUE(QFile::copy(QString::fromStdString(base), QString::fromStdString(b)));
    ASSERT_NO_FATAL_FAILURE(Load(a, &incremental));
    ASSERT_NO_FATAL_FAILURE(Load(b, &whole));
    clock.set(FixedTime().addSecs(3600));  // the sort records' dates differ from the stored ones
  }

  // Applies `change` to both libraries and saves them, the second one whole.
  // Returns the number of writes the normal save made.
  long ChangeAndSave(const Change& change) {
    change(incremental.data);
    change(whole.data);
    FileFaults::reset();
    EXPECT_TRUE(SaveAll(a.c_str(), &incremental.data).ok());
    const long writes = FileFaults::writesSeen();
    ForgetLibraryFileState(&whole.data);
    EXPECT_TRUE(SaveAll(b.c_str(), &whole.data).ok());
    return writes;
  }

  FrozenClock clock{FixedTime()};
  TempDir dir;
  std::string a = dir.path("a.fln"), b = dir.path("b.fln");
  Library incremental, whole;
};

class EveryChange : public TwoCopies, public ::testing::WithParamInterface<std::tuple<Scenario, int>> {
 protected:
  void SetUp() override { SetUpVersion(std::get<1>(GetParam())); }
};

TEST_P(EveryChange, EndsInTheSameBytesAsAWholeRewrite) {
  ChangeAndSave(std::get<0>(GetParam()).change);
  ASSERT_EQ(readAll(a), readAll(b));
  // What the image learnt from this save is right for the next one too,
  // also about members this save appended or moved to the front.
  ChangeAndSave([](FLN_DATA& d) {
    const int32_t count = Tesk_Ary_GetSize(d.entry);
    if (count > 2) Retitle(d, 2, "second round");
    if (count > 0) Retitle(d, count - 1, "the last one, second round");
    if (count > 0) Retitle(d, 0, "the first one, second round");
  });
  EXPECT_EQ(readAll(a), readAll(b));
}

INSTANTIATE_TEST_SUITE_P(Scenarios, EveryChange, ::testing::Combine(::testing::ValuesIn(kScenarios), ::testing::Values(2, 3)),
                         [](const ::testing::TestParamInfo<std::tuple<Scenario, int>>& info) {
                           return std::string(std::get<0>(info.param).id) + "Version" +
                                  std::to_string(std::get<1>(info.param));
                         });

TEST_F(TwoCopies, OneChangedEntryIsOneWrite) {
  const long writes = ChangeAndSave([](FLN_DATA& d) { Retitle(d, 7, "one change"); });
  EXPECT_EQ(readAll(a), readAll(b));
  // The entry and the three sort records (their dates are new); nothing
  // else. The commit then writes the journal once and each of them in place.
  EXPECT_LE(writes, 4 + 1 + 4);
  FileFaults::reset();
  ForgetLibraryFileState(&incremental.data);
  ASSERT_TRUE(SaveAll(a.c_str(), &incremental.data).ok());
  EXPECT_GT(FileFaults::writesSeen(), kEntries);  // what a whole rewrite costs
}

// Someone else changes a saved record on disk (and the file's time moves on),
// or puts another file in its place: the next save writes nothing, since it
// would overwrite records it never loaded.
TEST_F(TwoCopies, AFileChangedOrReplacedBehindTheProgramsBackIsNeverWritten) {
  const struct {
    const char* name;
    std::function<void()> change;
  } cases[] = {
      {"record changed in place",
       [&] {
         ZEL_FILE file;
         ASSERT_EQ(ZEL_Open(a.c_str(), 0, &file), ZEL_OK);
         ASSERT_EQ(ZEL_FirstMember(&file, kTagEntry), ZEL_OK);
         ASSERT_EQ(ZEL_NextMember(&file), ZEL_OK);
         const FLN_ENTRY other = MakeEntry(555, "written by someone else");
         ASSERT_EQ(ZEL_ReplaceData(&file, sizeof other, &other), ZEL_OK);
         ZEL_Close(&file);
         TouchLater(a);
       }},
      {"replaced by rename",
       [&] {
         const std::string other = dir.path("other.fln");
         WriteSampleLibrary(other, 3);
         ASSERT_EQ(std::rename(other.c_str(), a.c_str()), 0);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Library loaded;
    ASSERT_NO_FATAL_FAILURE(Load(a, &loaded));
    EXPECT_TRUE(LibraryFileIsAsLeft(&loaded.data));
    c.change();
    const std::vector<uint8_t> theirs = readAll(a);
    EXPECT_FALSE(LibraryFileIsAsLeft(&loaded.data));
    Retitle(loaded.data, 7, "mine");
    EXPECT_FALSE(SaveAll(a.c_str(), &loaded.data).ok());
    EXPECT_FALSE(SaveAllWithoutEntrySort(a.c_str(), &loaded.data).ok());
    EXPECT_EQ(readAll(a), theirs);
  }
}

// The program's own writes to tags that SaveAll leaves alone, announced with
// Begin/EndWriteOutsideSavedTags, keep the next save small.
TEST_F(TwoCopies, AnnouncedWritesToOtherTagsKeepTheSaveSmall) {
  for (auto* lib : {&incremental, &whole}) {
    ZEL_FILE file;
    ASSERT_EQ(ZEL_Open(lib->data.filePath, 0, &file), ZEL_OK);
    ASSERT_TRUE(BeginWriteOutsideSavedTags(&lib->data, &file));
    const std::string pdf = "%PDF-1.7 imported";
    ASSERT_EQ(ZEL_AddData(&file, kTagAttachmentData, static_cast<uint32_t>(pdf.size()), pdf.data()), ZEL_OK);
    ASSERT_EQ(ZEL_Commit(&file), ZEL_OK);
    EndWriteOutsideSavedTags(&lib->data, &file);
    ZEL_Close(&file);
  }
  const long writes = ChangeAndSave([](FLN_DATA& d) {
    Append(d, 990);
    const FLN_ATTACHMENT at = MakeAttachment(50, 990, kEntries);
    ASSERT_EQ(Tesk_Ary_Add(d.attachment, &at), 0);
  });
  EXPECT_EQ(readAll(a), readAll(b));
  EXPECT_LT(writes, 20);
}

// Many rounds of mixed changes, each saved and compared with a whole
// rewrite: whatever the image remembers about where members lie and what
// they hold must stay true round after round.
TEST_F(TwoCopies, RoundAfterRoundOfMixedChangesStaysByteIdentical) {
  std::mt19937 random(20261210);
  int32_t nextId = 2000;
  for (int round = 0; round < 40; ++round) {
    const int kind = static_cast<int>(random() % 6);
    const uint32_t pick = static_cast<uint32_t>(random());
    SCOPED_TRACE("round " + std::to_string(round) + ", change " + std::to_string(kind));
    const int32_t id = nextId++;
    bool inPlace = false;  // a change that moves no other record
    const long writes = ChangeAndSave([&](FLN_DATA& d) {
      const int32_t count = Tesk_Ary_GetSize(d.entry);
      const int32_t at = count > 0 ? static_cast<int32_t>(pick % static_cast<uint32_t>(count)) : 0;
      inPlace = count < 3 || kind == 0 || kind == 1 || kind == 4;
      switch (count < 3 ? 1 : kind) {
        case 0: Retitle(d, at, "round title " + std::to_string(id)); break;
        case 1: Append(d, id); break;
        case 2: Tesk_Ary_Remove(d.entry, at); break;
        case 3: Tesk_Ary_Swap(d.entry, at, count - 1 - at); break;
        case 4: static_cast<FLN_ENTRY*>(Tesk_Ary_GetDataPtr(d.entry, at))->en_my_rate = ZEL_EndianShort_NtoL(3); break;
        default: {
          const FLN_ENTRY e = MakeEntry(id, "inserted");
          ASSERT_EQ(Tesk_Ary_Insert(d.entry, at, &e), 0);
        }
      }
    });
    ASSERT_EQ(readAll(a), readAll(b));
    // Such a change is written where the record's member lies, also for
    // members appended in earlier rounds, never by rewriting the tag.
    if (inPlace) {
      EXPECT_LE(writes, 4 + 1 + 4 + 2);
    }
  }
}

// Saving one change of a long library reads a handful of records, not one
// per member: a changed member is found by where it lies, and an appended
// one goes after the member known to end the chain.
TEST(ArraySync, OneChangeInALongLibraryReadsNoMemberChain) {
  TempDir dir;
  const std::string path = dir.path("long.fln");
  constexpr int kLong = 400;
  WriteSampleLibrary(path, kLong);
  const struct {
    const char* name;
    Change change;
  } changes[] = {
      {"last retitled", [](FLN_DATA& d) { Retitle(d, kLong - 1, "one change"); }},
      {"first retitled", [](FLN_DATA& d) { Retitle(d, 0, "one change"); }},
      {"middle retitled", [](FLN_DATA& d) { Retitle(d, kLong / 2, "one change"); }},
      {"one appended", [](FLN_DATA& d) { Append(d, 5000); }},
  };
  for (const auto& c : changes) {
    SCOPED_TRACE(c.name);
    Library library;  // loaded anew: nothing is known yet but what the loading learnt
    ASSERT_NO_FATAL_FAILURE(Load(path, &library));
    ZelTailCache::clear();
    c.change(library.data);
    FileFaults::reset();
    ASSERT_TRUE(SaveAll(path.c_str(), &library.data).ok());
    EXPECT_LT(FileFaults::readsSeen(), 60);
    EXPECT_LT(FileFaults::writesSeen(), 14);
    FileFaults::reset();
  }
  Library reloaded;
  ASSERT_NO_FATAL_FAILURE(Load(path, &reloaded));
  const std::vector<FLN_ENTRY> entries = [&] {
    std::vector<FLN_ENTRY> out(static_cast<size_t>(Tesk_Ary_GetSize(reloaded.data.entry)));
    for (size_t i = 0; i < out.size(); ++i) Tesk_Ary_GetData(reloaded.data.entry, static_cast<int32_t>(i), &out[i]);
    return out;
  }();
  ASSERT_EQ(entries.size(), static_cast<size_t>(kLong + 1));
  for (size_t index : {size_t{0}, size_t{kLong / 2}, size_t{kLong - 1}})
    EXPECT_EQ(FLN_COMM_CreateNSString_FromUniChar_LtoN(entries[index].en_title, sizeof entries[index].en_title)
                  .toStdString(),
              "one change");
  EXPECT_EQ(ZEL_EndianLong_LtoN(entries.back().en_id), 5000);
}

// Whichever write of a save fails, the save reports it and the file holds
// exactly what it held before (a save is all or nothing). After an I/O error
// the same library saves again; after the process "died" (nothing more
// reached the disk) the next opening rolls back whatever the journal
// records, and a library loaded anew saves. Either way the file ends as an
// undisturbed save leaves it.
TEST_F(TwoCopies, ASaveThatFailsHalfwayIsMadeGoodByTheNext) {
  const Change change = [](FLN_DATA& d) {
    Tesk_Ary_Remove(d.entry, 2);
    Append(d, 970);
    Retitle(d, 6, "after a failure");
    ASSERT_EQ(SaveEnvironment(&d, "categorybox_height", "77"), 0);
  };
  change(whole.data);
  ForgetLibraryFileState(&whole.data);
  ASSERT_TRUE(SaveAll(b.c_str(), &whole.data).ok());
  const Contents expected = ReadContents(b);
  const std::vector<uint8_t> original = readAll(a);
  const Contents before = ReadContents(a);

  for (const FileFaults::Kind kind : {FileFaults::Kind::Once, FileFaults::Kind::FromThenOn}) {
    bool saved = false;
    long n = 1;
    for (; n < 500 && !saved; ++n) {
      SCOPED_TRACE(std::string(kind == FileFaults::Kind::Once ? "once, write " : "dead from write ") +
                   std::to_string(n));
      writeAll(a, original);
      Library attempt;
      ASSERT_TRUE(ReadFlnDataFromFlnFile(a.c_str(), &attempt.data).ok());
      change(attempt.data);
      FileFaults::failWrite(n, kind);
      saved = SaveAll(a.c_str(), &attempt.data).ok();
      FileFaults::reset();
      if (saved) break;
      if (kind == FileFaults::Kind::FromThenOn) {
        ASSERT_NE(ZelJournal::RollBack(a), ZelJournal::Recovery::Failed);
        EXPECT_EQ(ReadContents(a), before);
        Library reloaded;
        ASSERT_TRUE(ReadFlnDataFromFlnFile(a.c_str(), &reloaded.data).ok());
        change(reloaded.data);
        EXPECT_TRUE(SaveAll(a.c_str(), &reloaded.data).ok());
      } else {
        EXPECT_FALSE(QFile::exists(QString::fromStdString(ZelJournal::PathFor(a))));
        EXPECT_EQ(ReadContents(a), before);
        EXPECT_TRUE(SaveAll(a.c_str(), &attempt.data).ok());
      }
      EXPECT_EQ(ReadContents(a), expected);
    }
    EXPECT_TRUE(saved);
    EXPECT_GT(n, 10);  // the failures struck appends, held writes and the commit's own writes
  }
}

}  // namespace
