#include "format/CategoryNameText.h"

#include <gtest/gtest.h>

#include <string>

#include "CategoryFixtures.h"
#include "categories/EntryQuery.h"
#include "categories/FlnCategoryEntries.h"
#include "library/FlnCategoryTable.h"

using fixtures::Ary;

namespace {

using fixtures::Repeat;

// A record holds the UTF-8 form of any name field whole (384 bytes and a
// zero); only a longer text passed in is cut, at a character boundary.
TEST(CopyCategoryName, KeepsEveryStoredNameWholeAndCutsOnlyBeyondTheRecord) {
  struct Case {
    std::string name;
    std::string kept;
  } cases[] = {
      {"", ""},
      {"分類１", "分類１"},
      {Repeat("a", 128), Repeat("a", 128)},
      {Repeat("あ", 50), Repeat("あ", 50)},
      {Repeat("あ", 128), Repeat("あ", 128)},  // 384 bytes: a whole field without its zero unit
      {Repeat("a", 385), Repeat("a", 384)},
      {Repeat("a", 382) + "あ", Repeat("a", 382)},  // "あ" would end at byte 385
      {Repeat("a", 381) + "あ", Repeat("a", 381) + "あ"},
      {Repeat("a", 381) + "😀", Repeat("a", 381)},  // 4-byte sequence at 381..384
  };
  for (const Case& c : cases) {
    char dest[kCategoryNameSize];
    CopyCategoryName(dest, c.name.c_str());
    EXPECT_EQ(c.kept, dest) << c.name.size() << " bytes";
  }
  char dest[kCategoryNameSize] = "stale";
  CopyCategoryName(dest, nullptr);
  EXPECT_STREQ("", dest);
}

// A stored name longer than 127 bytes of UTF-8 is read whole, and only the
// whole name finds it: a name alike in its first 127 bytes is another name.
TEST(CategoryNameField, LongStoredNameReadsWholeAndMatchesOnlyItself) {
  const std::string longName = Repeat("長", 50);  // 150 bytes of UTF-8, 50 units
  const std::string cut = Repeat("長", 42);
  Ary table = fixtures::MakeCatsTable({{longName, "X", "P"}});

  Ary names = fixtures::NewAry(kCategoryNameSize);
  ASSERT_EQ(0, GetDistinctCat1Ary_FromCatsAry(table.get(), names.get()));
  EXPECT_EQ(std::vector<std::string>{longName}, fixtures::NamesOf(names.get()));

  const struct {
    std::string name;
    int found;
  } cases[] = {{longName, 1}, {cut, 0}, {Repeat("長", 49) + "短", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name.size());
    Ary found = fixtures::NewAry(sizeof(FLN_CATS));
    ASSERT_EQ(0, QueryFlnCats_ByCat1(c.name.c_str(), table.get(), found.get()));
    EXPECT_EQ(c.found, Tesk_Ary_GetSize(found.get()));
    EXPECT_EQ(c.found, IsCatsExists(table.get(), c.name.c_str(), "X", "P"));
    EXPECT_EQ(c.found == 1 ? 0 : -1, GetCategoryIndex_ByName(names.get(), c.name.c_str()));

    Ary entries = fixtures::MakeEntryAry({fixtures::MakeEntry(1, {longName, "X", "P"})});
    Ary shown = fixtures::NewAry(sizeof(FLN_ENTRY));
    ASSERT_EQ(0, QueryEntry(c.name.c_str(), "X", "P", entries.get(), shown.get()));
    EXPECT_EQ(c.found, Tesk_Ary_GetSize(shown.get()));
    EXPECT_EQ(c.found, IsExistEntryUsedDeleteCategory(entries.get(), c.name.c_str(), 1));
  }
}

TEST(CategoryNameField, FieldWithoutZeroUnitReadsWithinTheField) {
  // A damaged triple: the level-1 field is full of 'あ' with no mark and no zero unit.
  FLN_CATS cats = fixtures::MakeCats(0, {"", "X", "P"});
  for (size_t i = 0; i < sizeof cats.cat1Name / 2; ++i) cats.cat1Name[i] = ZEL_EndianShort_NtoL(0x3042);
  char name[kCategoryNameSize];
  ASSERT_TRUE(ReadCategoryNameOf(cats, 1, name));
  EXPECT_EQ(Repeat("あ", 128), name);  // all 128 units, within the field and the record
  ASSERT_TRUE(ReadCategoryNameOf(cats, 2, name));
  EXPECT_STREQ("X", name);
  EXPECT_FALSE(ReadCategoryNameOf(cats, 0, name));
  EXPECT_STREQ("", name);
}

}  // namespace
