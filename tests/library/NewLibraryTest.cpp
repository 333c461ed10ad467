#include <gtest/gtest.h>

#include <QDir>
#include <cstring>

#include "LibraryTestSupport.h"
#include "TestFiles.h"
#include "library/FlnLoad.h"
#include "library/FlnNewLibrary.h"
#include "storage/FileIo.h"

using namespace libtest;

namespace {

template <typename Record>
Record As(const std::string& bytes) {
  Record r;
  EXPECT_EQ(bytes.size(), sizeof r);
  std::memcpy(&r, bytes.data(), std::min(bytes.size(), sizeof r));
  return r;
}

bool AllZero(const uint8_t* bytes, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (bytes[i] != 0) return false;
  return true;
}

class NewLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    const FlnResult r = CreateNewLibraryFile(path.c_str());
    ASSERT_TRUE(r.ok()) << r.reason;
    contents = ReadContents(path);
  }
  TempDir dir;
  FrozenClock clock{FixedTime()};
  std::string path = dir.path("new.fln");
  Contents contents;
};

TEST_F(NewLibrary, HoldsExactlyTheDefaultTagsInCreationOrder) {
  EXPECT_EQ(TagsOf(contents), (std::vector<int32_t>{kTagLabel, kTagCat1, kTagCat2, kTagCat3, kTagCats, kTagIdCounter}));
  // Header and root, then each item once: nothing written twice, no dead space.
  EXPECT_EQ(readAll(path).size(), 548u + 3 * (36 + 328) + 3 * (36 + 324) + (36 + 836) + 6 * (36 + 140));
}

TEST_F(NewLibrary, LabelsAreTheThreeLevelsWithDefaultNames) {
  const auto* labels = MembersOf(contents, kTagLabel);
  ASSERT_NE(labels, nullptr);
  ASSERT_EQ(labels->size(), 3u);
  const char* names[] = {"分類１", "分類２", "分類３"};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const auto label = As<FLN_LABEL>((*labels)[i]);
    EXPECT_EQ(Host(label.la_id), i);
    EXPECT_EQ(Host(label.itemNumber), i + 1);
    EXPECT_EQ(FIELD_TEXT(label, name), names[i]);
    EXPECT_EQ(Chars(label.createDate, 18), kFixedDate);
    EXPECT_EQ(Chars(label.updateDate, 18), kFixedDate);
    EXPECT_TRUE(AllZero(label.reserved, sizeof label.reserved));
  }
}

TEST_F(NewLibrary, EachLevelHasTheDefaultCategoryAndOneTriple) {
  for (int32_t tag : {kTagCat1, kTagCat2, kTagCat3}) {
    const auto* members = MembersOf(contents, tag);
    ASSERT_NE(members, nullptr);
    ASSERT_EQ(members->size(), 1u);
    const auto category = As<FLN_CATEGORY>(members->front());
    EXPECT_EQ(Host(category.ca_id), 0);
    EXPECT_EQ(FIELD_TEXT(category, name), "その他");
    EXPECT_EQ(Chars(category.createDate, 18), kFixedDate);
    EXPECT_EQ(Chars(category.updateDate, 18), kFixedDate);
  }
  const auto* cats = MembersOf(contents, kTagCats);
  ASSERT_NE(cats, nullptr);
  ASSERT_EQ(cats->size(), 1u);
  const auto triple = As<FLN_CATS>(cats->front());
  EXPECT_EQ(Host(triple.ct_id), 0);
  EXPECT_EQ(FIELD_TEXT(triple, cat1Name), "その他");
  EXPECT_EQ(FIELD_TEXT(triple, cat2Name), "その他");
  EXPECT_EQ(FIELD_TEXT(triple, cat3Name), "その他");
  EXPECT_EQ(Chars(triple.createDate, 18), kFixedDate);
}

TEST_F(NewLibrary, HasSixCountersInTheOrderTheyWereMade) {
  const struct {
    int32_t tag;
    const char* key;
    int32_t nextId;
  } expected[] = {
      {kTagIdCounter, "ic_id", 6}, {kTagLabel, "la_id", 3}, {kTagCat1, "ca_id", 1},
      {kTagCat2, "ca_id", 1},      {kTagCat3, "ca_id", 1},  {kTagCats, "ct_id", 1},
  };
  const auto* counters = MembersOf(contents, kTagIdCounter);
  ASSERT_NE(counters, nullptr);
  ASSERT_EQ(counters->size(), 6u);
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    const auto c = As<FLN_ID_COUNTER>((*counters)[i]);
    EXPECT_EQ(Host(c.ic_id), i);
    EXPECT_EQ(Host(c.tag), expected[i].tag);
    EXPECT_EQ(Chars(c.key, sizeof c.key), expected[i].key);
    EXPECT_TRUE(AllZero(reinterpret_cast<const uint8_t*>(c.key) + std::strlen(expected[i].key),
                        64 - std::strlen(expected[i].key)));
    EXPECT_EQ(Host(c.nextId), expected[i].nextId);
    EXPECT_EQ(Chars(c.createDate, 18), kFixedDate);
    EXPECT_EQ(Chars(c.updateDate, 18), kFixedDate);
  }
}

TEST_F(NewLibrary, LoadsWithThreeLabelsOneTripleAndNoEntries) {
  Library library;
  const FlnResult r = ReadFlnDataFromFlnFile(path.c_str(), &library.data);
  ASSERT_TRUE(r.ok()) << r.reason;
  const FLN_DATA& d = library.data;
  EXPECT_EQ(Tesk_Ary_GetSize(d.label), 3);
  EXPECT_EQ(Tesk_Ary_GetSize(d.catsAry), 1);
  EXPECT_EQ(Tesk_Ary_GetSize(d.idCounter), 6);
  EXPECT_TRUE(d.shownRows.empty());
  for (TESK_ARY empty : {d.entry, d.attachment, d.envAry}) {
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(Tesk_Ary_GetSize(empty), 0);
  }
  for (TESK_ARY names : {d.cat1Ary, d.cat2Ary, d.cat3Ary}) {
    ASSERT_EQ(Tesk_Ary_GetSize(names), 1);
    char name[kCategoryNameSize];
    Tesk_Ary_GetData(names, 0, name);
    EXPECT_STREQ(name, "その他");
  }
  EXPECT_STREQ(d.filePath, path.c_str());
}

TEST(NewLibraryFile, ReplacesAFileAlreadyAtThePath) {
  TempDir dir;
  const std::string path = dir.path("old.fln");
  writeAll(path, std::vector<uint8_t>(5000, 'x'));
  const FlnResult r = CreateNewLibraryFile(path.c_str());
  ASSERT_TRUE(r.ok()) << r.reason;
  EXPECT_EQ(TagsOf(ReadContents(path)).size(), 6u);
  EXPECT_EQ(QDir(dir.dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"old.fln"});
}

TEST(NewLibraryFile, RefusesWhatItCannotCreate) {
  TempDir dir;
  const std::string folder = dir.path("folder");
  ASSERT_TRUE(QDir().mkdir(QString::fromStdString(folder)));
  const struct {
    const char* name;
    std::string path;
    FlnStatus status;
  } cases[] = {
      {"empty path", "", FlnStatus::CannotOpen},
      {"missing folder", dir.path("nowhere/new.fln"), FlnStatus::CannotOpen},
      {"a folder is in the way", folder, FlnStatus::WriteFailed},
      {"path too long for filePath", dir.path(std::string(300, 'a')), FlnStatus::PathTooLong},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const FlnResult r = CreateNewLibraryFile(c.path.c_str());
    EXPECT_EQ(r.status, c.status);
    EXPECT_FALSE(r.reason.empty());
    // No half-made or temporary file is left behind.
    EXPECT_EQ(QDir(dir.dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{});
  }
}

// Changes the working folder for as long as it lives.
class WorkingFolder {
 public:
  explicit WorkingFolder(const std::string& folder) : previous_(QDir::currentPath()) {
    EXPECT_TRUE(QDir::setCurrent(QString::fromStdString(folder)));
  }
  ~WorkingFolder() { QDir::setCurrent(previous_); }

 private:
  QString previous_;
};

// The new file is written under a temporary name beside the target first;
// that name must stay within the file system's limit on one name too.
TEST(NewLibraryFile, ANameAsLongAsTheFileSystemAllows) {
  TempDir dir;
  const WorkingFolder in(dir.dir.path().toStdString());
  std::string kanji;
  for (int i = 0; i < 85; ++i) kanji += "字";
  const std::string names[] = {std::string(255, 'n'), kanji, kanji.substr(3) + "abc", std::string(200, 'm')};
  QStringList made;
  for (const std::string& name : names) {
    SCOPED_TRACE(std::to_string(name.size()) + " bytes");
    ASSERT_EQ(name.size(), name.size() == 200 ? 200u : 255u);
    const FlnResult r = CreateNewLibraryFile(name.c_str());
    ASSERT_TRUE(r.ok()) << r.reason;
    Library library;
    Load(name, &library);
    EXPECT_EQ(Tesk_Ary_GetSize(library.data.label), 3);
    made << QString::fromStdString(name);
  }
  made.sort();
  EXPECT_EQ(QDir(dir.dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), made)
      << "no temporary file is left behind";
}

// Whichever write fails, the file that was at the path stays as it was and
// no temporary file remains.
TEST(NewLibraryFile, AFailedWriteLeavesTheOldFileAlone) {
  TempDir dir;
  const std::string path = dir.path("lib.fln");
  const std::vector<uint8_t> old(700, 'o');
  bool succeeded = false;
  for (long n = 1; n < 200 && !succeeded; ++n) {
    SCOPED_TRACE(n);
    writeAll(path, old);
    FileFaults::failWrite(n, FileFaults::Kind::Once);
    const FlnResult r = CreateNewLibraryFile(path.c_str());
    FileFaults::reset();
    succeeded = r.ok();
    if (!succeeded) {
      EXPECT_EQ(r.status, FlnStatus::WriteFailed) << r.reason;
      EXPECT_EQ(readAll(path), old);
    }
    EXPECT_EQ(QDir(dir.dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"lib.fln"});
  }
  EXPECT_TRUE(succeeded);
}

}  // namespace
