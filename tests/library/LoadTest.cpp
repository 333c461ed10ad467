#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <cstring>
#include <functional>
#include <optional>
#include <set>

#include "LibraryTestSupport.h"
#include "PagesAheadAtOnce.h"
#include "TestFiles.h"
#include "library/FlnAttachment.h"
#include "library/FlnCreateCats.h"
#include "library/FlnIdCounter.h"
#include "library/FlnLoad.h"
#include "library/FlnNewLibrary.h"
#include "library/FlnSave.h"
#include "format/Endian.h"
#include "storage/FileIo.h"
#include "storage/ZelFile.h"

using namespace libtest;

namespace {

std::string Bytes(const void* record, size_t size) { return std::string(static_cast<const char*>(record), size); }

std::string SortRecord(int32_t index, int32_t kind, uint8_t ascend) {
  FLN_ENTRY_SORT s;
  std::memset(&s, 0, sizeof s);
  s.index = ZEL_EndianLong_NtoL(index);
  s.sortFieldKind = ZEL_EndianLong_NtoL(kind);
  s.sortFieldAscend = ascend;
  return Bytes(&s, sizeof s);
}

class LoadFile : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(CreateNewLibraryFile(path.c_str()).ok()); }
  TempDir dir;
  std::string path = dir.path("lib.fln");
};

// Offsets in a new library file: the root record, and the first label record.
constexpr uint64_t kRootNextTag = 512 + 24;
constexpr uint64_t kFirstLabelNextMember = 548 + 16;

TEST_F(LoadFile, RefusesFilesItCannotTrustAndLeavesTheLibraryAlone) {
  const std::vector<uint8_t> good = readAll(path);
  const struct {
    const char* name;
    std::function<void(const std::string&)> make;
    FlnStatus status;
  } cases[] = {
      {"not a container", [](const std::string& p) { writeAll(p, std::vector<uint8_t>(600, '%')); },
       FlnStatus::NotALibrary},
      {"another version",
       [&](const std::string& p) {
         auto b = good;
         b[4] = 4;  // a version no reader of today knows
         writeAll(p, b);
       },
       FlnStatus::WrongVersion},
      {"shorter than the header",
       [&](const std::string& p) { writeAll(p, std::vector<uint8_t>(good.begin(), good.begin() + 100)); },
       FlnStatus::Truncated},
      {"empty", [](const std::string& p) { writeAll(p, {}); }, FlnStatus::Truncated},
      {"cut inside the last item",
       [&](const std::string& p) { writeAll(p, std::vector<uint8_t>(good.begin(), good.end() - 10)); },
       FlnStatus::Damaged},
      {"tag chain leads outside the file",
       [&](const std::string& p) {
         writeAll(p, good);
         pokeU32LE(p, kRootNextTag, 9999999);
       },
       FlnStatus::Damaged},
      {"member chain of a loaded tag leads nowhere",
       [&](const std::string& p) {
         writeAll(p, good);
         pokeU32LE(p, kFirstLabelNextMember, 7);
       },
       FlnStatus::Damaged},
      {"entries of different lengths",
       [&](const std::string& p) {
         writeAll(p, good);
         SetMembers(p, kTagEntry, {std::string(sizeof(FLN_ENTRY), '\0'), std::string(10, '\0')});
       },
       FlnStatus::Damaged},
      {"missing", [](const std::string& p) { QFile::remove(QString::fromStdString(p)); }, FlnStatus::CannotOpen},
      {"a folder", [](const std::string& p) { QDir().mkpath(QString::fromStdString(p)); }, FlnStatus::CannotOpen},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string bad = dir.path(std::string("bad-") + c.name);
    c.make(bad);
    Library library;
    library.data.entryListInfo.sortFieldKind[0] = 42;
    const FlnResult r = ReadFlnDataFromFlnFile(bad.c_str(), &library.data);
    EXPECT_EQ(r.status, c.status) << r.reason;
    EXPECT_FALSE(r.reason.empty());
    EXPECT_EQ(library.data.entry, nullptr);
    EXPECT_EQ(library.data.label, nullptr);
    EXPECT_EQ(library.data.filePath[0], '\0');
    EXPECT_EQ(library.data.entryListInfo.sortFieldKind[0], 42);
    // Nothing can be saved into the refused file.
    const QFileInfo info(QString::fromStdString(bad));
    if (info.isFile()) {
      const std::vector<uint8_t> before = readAll(bad);
      EXPECT_FALSE(SaveAll(bad.c_str(), &library.data).ok());
      EXPECT_EQ(readAll(bad), before);
    }
  }
}

// Offsets of the records of the members of `tag`, in chain order.
std::vector<uint32_t> MemberPositions(const std::string& path, int32_t tag) {
  std::vector<uint32_t> positions;
  ZEL_FILE file;
  EXPECT_EQ(ZEL_Open(path.c_str(), 1, &file), ZEL_OK);
  for (int rc = ZEL_FirstMember(&file, tag); rc == ZEL_OK; rc = ZEL_NextMember(&file))
    positions.push_back(file.current.position);
  ZEL_Close(&file);
  return positions;
}

TEST_F(LoadFile, DamageAmongThePdfsCostsOnlyThePdfsItReaches) {
  WriteSampleLibrary(path, 4);
  const std::vector<uint8_t> good = readAll(path);
  const std::vector<uint32_t> pdf = MemberPositions(path, kTagAttachmentData);
  ASSERT_EQ(pdf.size(), 4u);
  const struct {
    const char* name;
    std::function<void(const std::string&)> damage;
    int readable;  // PDFs 0 .. readable - 1 read back whole, the others not at all
  } cases[] = {
      {"a fifth PDF cut short by a writer that died",
       [&](const std::string& p) {
         AppendMember(p, kTagAttachmentData, "%PDF-1.4 " + std::string(400, 'x'));
         ASSERT_EQ(truncate(p.c_str(), static_cast<off_t>(readAll(p).size() - 100)), 0);
       },
       4},
      {"a PDF longer than the file", [&](const std::string& p) { pokeU32LE(p, pdf[2] + zel::kDataLengthAt, 0x7FFFFFF0u); },
       2},
      {"a link out of the file", [&](const std::string& p) { pokeU32LE(p, pdf[1] + zel::kNextMemberAt, 0xFFFFFF00u); },
       2},
      {"a link into a PDF's bytes", [&](const std::string& p) { pokeU32LE(p, pdf[0] + zel::kNextMemberAt, pdf[0] + 40); },
       1},
      {"a loop back to the first PDF", [&](const std::string& p) { pokeU32LE(p, pdf[2] + zel::kNextMemberAt, pdf[0]); },
       3},
      {"a PDF with another tag code", [&](const std::string& p) { pokeU32LE(p, pdf[3] + zel::kTagAt, ZelTag("ATTX")); },
       3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    writeAll(path, good);
    c.damage(path);
    Library library;
    const FlnResult r = ReadFlnDataFromFlnFile(path.c_str(), &library.data);
    ASSERT_TRUE(r.ok()) << r.reason;
    ASSERT_EQ(Tesk_Ary_GetSize(library.data.entry), 4);
    EXPECT_EQ(Tesk_Ary_GetSize(library.data.attachment), 4);
    for (int32_t i = 0; i < 4; ++i) {
      SCOPED_TRACE(i);
      FLN_ENTRY entry;
      Tesk_Ary_GetData(library.data.entry, i, &entry);
      EXPECT_EQ(Host(entry.en_id), 100 + i);
      const QByteArray bytes = ReadPDFData_ByFLNFile(i, path.c_str());
      if (i < c.readable)
        EXPECT_EQ(bytes.toStdString(), "%PDF-1.4 sample " + std::to_string(i));
      else
        EXPECT_TRUE(bytes.isNull()) << bytes.toStdString();
    }
  }
}

TEST_F(LoadFile, RefusesAPathLongerThanFilePathHolds) {
  const std::string deep = dir.path(std::string(250, 'd'));
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(deep)));
  const std::string longPath = deep + "/lib.fln";
  ASSERT_TRUE(QFile::copy(QString::fromStdString(path), QString::fromStdString(longPath)));
  Library library;
  const FlnResult r = ReadFlnDataFromFlnFile(longPath.c_str(), &library.data);
  EXPECT_EQ(r.status, FlnStatus::PathTooLong);
  EXPECT_EQ(library.data.entry, nullptr);
}

TEST_F(LoadFile, AFailedLoadKeepsTheLibraryThatWasLoaded) {
  Library library;
  ASSERT_TRUE(ReadFlnDataFromFlnFile(path.c_str(), &library.data).ok());
  TESK_ARY entries = library.data.entry;
  const std::string foreign = dir.path("foreign.pdf");
  writeAll(foreign, std::vector<uint8_t>(2000, '%'));
  EXPECT_FALSE(ReadFlnDataFromFlnFile(foreign.c_str(), &library.data).ok());
  EXPECT_EQ(library.data.entry, entries);
  EXPECT_STREQ(library.data.filePath, path.c_str());
}

struct StoredTag {
  const char* name;
  int32_t tag;
  TESK_ARY FLN_DATA::*field;
  int32_t recordSize;
};
const StoredTag kStoredTags[] = {
    {"labels", kTagLabel, &FLN_DATA::label, sizeof(FLN_LABEL)},
    {"entries", kTagEntry, &FLN_DATA::entry, sizeof(FLN_ENTRY)},
    {"attachments", kTagAttachment, &FLN_DATA::attachment, sizeof(FLN_ATTACHMENT)},
    {"counters", kTagIdCounter, &FLN_DATA::idCounter, sizeof(FLN_ID_COUNTER)},
    {"environment", kTagEnvironment, &FLN_DATA::envAry, sizeof(FLN_ENV)},
    {"category triples", kTagCats, &FLN_DATA::catsAry, sizeof(FLN_CATS)},
};

// A missing tag and a tag of records of another single length both load as
// an empty array of the right record size, so that no record copy runs past
// a record and every later operation has its array.
TEST_F(LoadFile, MissingOrForeignSizedTagsGiveEmptyArraysOfTheRightSize) {
  const std::vector<uint8_t> good = readAll(path);
  const std::vector<std::vector<std::string>> variants = {{}, {std::string(10, 'x'), std::string(10, 'y')}};
  for (const StoredTag& t : kStoredTags) {
    for (const auto& members : variants) {
      SCOPED_TRACE(std::string(t.name) + (members.empty() ? ", missing" : ", 10-byte records"));
      writeAll(path, good);
      SetMembers(path, t.tag, members);
      Library library;
      const FlnResult r = ReadFlnDataFromFlnFile(path.c_str(), &library.data);
      ASSERT_TRUE(r.ok()) << r.reason;
      TESK_ARY ary = library.data.*t.field;
      ASSERT_NE(ary, nullptr);
      // Without counters, those of the identifiers stored are made on loading
      // (CountersMissingOrBehindAreRaisedAboveTheStoredIds).
      if (t.tag != kTagIdCounter) {
        EXPECT_EQ(Tesk_Ary_GetSize(ary), 0);
      }
      EXPECT_EQ(ary->recordSize, t.recordSize);
    }
  }
}

std::string CounterRecord(int32_t icId, int32_t tag, const char* key, int32_t nextId) {
  const FLN_ID_COUNTER c = MakeIdCounter(icId, tag, key, nextId);
  return Bytes(&c, sizeof c);
}

// A counter that is missing or behind would hand out identifiers that records
// hold already. Loading raises each above the highest identifier its tag
// stores (in memory: the file is not written), and leaves counters ahead alone.
TEST_F(LoadFile, CountersMissingOrBehindAreRaisedAboveTheStoredIds) {
  // Stored: la_id 0-2, ct_id 0-1, ev_id 0-1, en_id 100-102, at_id 0-2.
  WriteSampleLibrary(path, 3);
  const std::vector<uint8_t> sample = readAll(path);
  struct Next {
    int32_t tag;
    const char* key;
    int32_t id;
  };
  const struct {
    const char* what;
    std::vector<std::string> counters;
    std::vector<Next> next;
  } cases[] = {
      {"no 'IDCO' at all", {}, {{kTagLabel, "la_id", 3}, {kTagCats, "ct_id", 2}, {kTagEnvironment, "ev_id", 2},
                                {kTagEntry, "en_id", 103}, {kTagAttachment, "at_id", 3}}},
      {"every counter behind",
       {CounterRecord(0, kTagIdCounter, "ic_id", 1), CounterRecord(1, kTagLabel, "la_id", 0),
        CounterRecord(2, kTagCats, "ct_id", 1), CounterRecord(3, kTagEnvironment, "ev_id", -5),
        CounterRecord(4, kTagEntry, "en_id", 100), CounterRecord(5, kTagAttachment, "at_id", 2)},
       {{kTagIdCounter, "ic_id", 6}, {kTagLabel, "la_id", 3}, {kTagCats, "ct_id", 2}, {kTagEnvironment, "ev_id", 2},
        {kTagEntry, "en_id", 103}, {kTagAttachment, "at_id", 3}}},
      {"counters ahead are kept",
       {CounterRecord(0, kTagIdCounter, "ic_id", 10), CounterRecord(1, kTagLabel, "la_id", 7),
        CounterRecord(2, kTagCats, "ct_id", 9), CounterRecord(3, kTagEnvironment, "ev_id", 4),
        CounterRecord(4, kTagEntry, "en_id", 500), CounterRecord(5, kTagAttachment, "at_id", 60)},
       {{kTagIdCounter, "ic_id", 10}, {kTagLabel, "la_id", 7}, {kTagCats, "ct_id", 9}, {kTagEnvironment, "ev_id", 4},
        {kTagEntry, "en_id", 500}, {kTagAttachment, "at_id", 60}}},
      {"only the counters of counters", {CounterRecord(0, kTagIdCounter, "ic_id", 1)},
       {{kTagEntry, "en_id", 103}, {kTagAttachment, "at_id", 3}, {kTagIdCounter, "ic_id", 6}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    writeAll(path, sample);
    SetMembers(path, kTagIdCounter, c.counters);
    const std::vector<uint8_t> before = readAll(path);
    Library library;
    const FlnResult r = ReadFlnDataFromFlnFile(path.c_str(), &library.data);
    ASSERT_TRUE(r.ok()) << r.reason;
    EXPECT_EQ(readAll(path), before) << "loading writes nothing";
    for (const Next& n : c.next) EXPECT_EQ(GetIdFromIdCounter(library.data.idCounter, n.tag, n.key), n.id) << n.key;
    // No two counters share their own identifier, also those made now.
    std::set<int32_t> icIds;
    const int32_t count = Tesk_Ary_GetSize(library.data.idCounter);
    for (int32_t i = 0; i < count; ++i) {
      FLN_ID_COUNTER counter;
      Tesk_Ary_GetData(library.data.idCounter, i, &counter);
      EXPECT_TRUE(icIds.insert(Host(counter.ic_id)).second) << "ic_id " << Host(counter.ic_id) << " twice";
    }
  }
}

TEST_F(LoadFile, SortKeysComeFromTheFirstThreeSortRecords) {
  const struct {
    const char* name;
    std::vector<std::string> members;
    FLN_ENTRY_LIST_INFO expected;
  } cases[] = {
      // Before loading the info holds kinds 11, 12, 13 and directions 9, 8, 7.
      {"no sort records", {}, {{2, 0, 0}, {1, 8, 7}}},
      {"records of another size", {std::string(20, 's')}, {{2, 0, 0}, {1, 8, 7}}},
      {"one record", {SortRecord(0, 7, 0)}, {{7, 12, 13}, {0, 8, 7}}},
      {"three records", {SortRecord(0, 7, 0), SortRecord(1, 2, 1), SortRecord(2, 15, 1)}, {{7, 2, 15}, {0, 1, 1}}},
      {"five records, index fields ignored",
       {SortRecord(2, 3, 1), SortRecord(0, 4, 0), SortRecord(1, 5, 1), SortRecord(0, 6, 0), SortRecord(0, 8, 1)},
       {{3, 4, 5}, {1, 0, 1}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetMembers(path, kTagEntrySort, c.members);
    Library library;
    library.data.entryListInfo = {{11, 12, 13}, {9, 8, 7}};
    ASSERT_TRUE(ReadFlnDataFromFlnFile(path.c_str(), &library.data).ok());
    const FLN_ENTRY_LIST_INFO& got = library.data.entryListInfo;
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(got.sortFieldKind[i], c.expected.sortFieldKind[i]) << i;
      EXPECT_EQ(got.sortFieldAscend[i], c.expected.sortFieldAscend[i]) << i;
    }
  }
}

// A read failing anywhere while a large library is read (its entries come in
// several steps, also while their pages are made ready beside the reading)
// fails the load and leaves the library that was loaded as it was; a load
// that meets no fault holds it all.
TEST_F(LoadFile, AReadFailingAnywhereInALargeLibraryKeepsTheLibraryThatWasLoaded) {
  constexpr int kEntries = 2500;
  const std::string large = dir.path("large.fln");
  {
    Library made;
    ASSERT_TRUE(CreateNewLibraryFile(large.c_str()).ok());
    ASSERT_TRUE(ReadFlnDataFromFlnFile(large.c_str(), &made.data).ok());
    for (int32_t i = 0; i < kEntries; ++i) {
      const FLN_ENTRY e = MakeEntry(100 + i, "title " + std::to_string(i));
      ASSERT_EQ(Tesk_Ary_Add(made.data.entry, &e), 0);
    }
    ASSERT_TRUE(SaveAll(large.c_str(), &made.data).ok());
  }
  FileFaults::reset();
  {
    Library whole;
    ASSERT_TRUE(ReadFlnDataFromFlnFile(large.c_str(), &whole.data).ok());
    ASSERT_EQ(Tesk_Ary_GetSize(whole.data.entry), kEntries);
  }
  const long reads = FileFaults::readsSeen();
  ASSERT_GT(reads, 10);

  for (const bool atOnce : {false, true}) {
    SCOPED_TRACE(atOnce ? "pages made ready beside the reading from the start" : "pages made ready at its pace");
    std::optional<PagesAheadAtOnce> beside;
    if (atOnce) beside.emplace();
    Library library;
    long failed = 0;
    for (long n = 1; n <= reads; ++n) {
      ASSERT_TRUE(ReadFlnDataFromFlnFile(path.c_str(), &library.data).ok());
      const TESK_ARY entries = library.data.entry;
      FileFaults::failRead(n, FileFaults::Kind::Once);
      const FlnResult r = ReadFlnDataFromFlnFile(large.c_str(), &library.data);
      FileFaults::reset();
      if (r.ok()) {  // a read the list does not need
        ASSERT_EQ(Tesk_Ary_GetSize(library.data.entry), kEntries) << n;
        FLN_ENTRY last;
        Tesk_Ary_GetData(library.data.entry, kEntries - 1, &last);
        EXPECT_EQ(Host(last.en_id), 100 + kEntries - 1) << n;
        continue;
      }
      ++failed;
      EXPECT_EQ(library.data.entry, entries) << n;
      EXPECT_EQ(Tesk_Ary_GetSize(library.data.entry), 0) << n;
      EXPECT_STREQ(library.data.filePath, path.c_str()) << n;
    }
    EXPECT_GT(failed, reads / 2) << "the entries' reads among them";
  }
}

TEST_F(LoadFile, ReadsRecordsInStoredOrderAndSortsTheNamesPerLevel) {
  Library library;
  ASSERT_TRUE(ReadFlnDataFromFlnFile(path.c_str(), &library.data).ok());
  FLN_DATA& d = library.data;
  const struct {
    const char *c1, *c2, *c3;
  } triples[] = {{"B", "X", "P"}, {"A", "Y", "その他"}, {"その他", "X", "Q"}, {"A", "X", "P"}};
  for (const auto& t : triples) ASSERT_EQ(CreateFlnCats(t.c1, t.c2, t.c3, d.idCounter, d.catsAry), 0);
  for (int32_t id : {30, 10, 20}) {
    const FLN_ENTRY e = MakeEntry(id, "title " + std::to_string(id));
    Tesk_Ary_Add(d.entry, &e);
  }
  ASSERT_TRUE(SaveAll(d.filePath, &d).ok());

  Library again;
  ASSERT_TRUE(ReadFlnDataFromFlnFile(path.c_str(), &again.data).ok());
  const FLN_DATA& g = again.data;
  const int32_t storedOrder[] = {30, 10, 20};
  ASSERT_EQ(Tesk_Ary_GetSize(g.entry), 3);
  for (int i = 0; i < 3; ++i) {
    FLN_ENTRY e;
    Tesk_Ary_GetData(g.entry, i, &e);
    EXPECT_EQ(Host(e.en_id), storedOrder[i]);
  }
  EXPECT_TRUE(g.shownRows.empty());
  const std::vector<std::vector<std::string>> expected = {
      {"A", "B", "その他"}, {"X", "Y", "その他"}, {"P", "Q", "その他"}};
  const TESK_ARY names[] = {g.cat1Ary, g.cat2Ary, g.cat3Ary};
  for (int level = 0; level < 3; ++level) {
    std::vector<std::string> got;
    for (int32_t i = 0; i < Tesk_Ary_GetSize(names[level]); ++i) {
      char name[kCategoryNameSize];
      Tesk_Ary_GetData(names[level], i, name);
      got.push_back(name);
    }
    EXPECT_EQ(got, expected[level]) << "level " << level + 1;
  }
}

}  // namespace
