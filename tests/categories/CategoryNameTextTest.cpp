#include "categories/CategoryNameText.h"

#include <gtest/gtest.h>

#include <string>

#include "CategoryFixtures.h"
#include "categories/EntryQuery.h"
#include "categories/FlnCategoryTable.h"

using fixtures::Ary;

namespace {

using fixtures::Repeat;

TEST(CopyCategoryName, CutsAtACharacterBoundaryWithin127Bytes) {
  struct Case {
    std::string name;
    std::string kept;
  } cases[] = {
      {"", ""},
      {"分類１", "分類１"},
      {Repeat("a", 127), Repeat("a", 127)},
      {Repeat("a", 128), Repeat("a", 127)},
      {Repeat("a", 124) + "あ", Repeat("a", 124) + "あ"},  // exactly 127 bytes
      {Repeat("a", 125) + "あ", Repeat("a", 125)},         // "あ" would end at byte 128
      {Repeat("a", 126) + "あ", Repeat("a", 126)},
      {Repeat("a", 124) + "😀", Repeat("a", 124)},  // 4-byte sequence at 124..127
      {Repeat("あ", 50), Repeat("あ", 42)},
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

TEST(CategoryNameField, LongStoredNameReadsCutAndStillMatchesItsFullForm) {
  const std::string longName = Repeat("長", 50);  // 150 bytes of UTF-8, 50 units
  const std::string cut = Repeat("長", 42);
  Ary table = fixtures::MakeCatsTable({{longName, "X", "P"}});

  Ary names = fixtures::NewAry(kCategoryNameSize);
  ASSERT_EQ(0, GetDistinctCat1Ary_FromCatsAry(table.get(), names.get()));
  EXPECT_EQ(std::vector<std::string>{cut}, fixtures::NamesOf(names.get()));

  // The full name and its cut form both find the triple, the entry and the row.
  for (const std::string& name : {longName, cut}) {
    Ary found = fixtures::NewAry(sizeof(FLN_CATS));
    ASSERT_EQ(0, QueryFlnCats_ByCat1(name.c_str(), table.get(), found.get()));
    EXPECT_EQ(1, Tesk_Ary_GetSize(found.get()));
    EXPECT_EQ(1, IsCatsExists(table.get(), name.c_str(), "X", "P"));
    EXPECT_EQ(0, GetCategoryIndex_ByName(names.get(), name.c_str()));

    Ary entries = fixtures::MakeEntryAry({fixtures::MakeEntry(1, {longName, "X", "P"})});
    Ary shown = fixtures::NewAry(sizeof(FLN_ENTRY));
    ASSERT_EQ(0, QueryEntry(name.c_str(), "X", "P", entries.get(), shown.get()));
    EXPECT_EQ(1, Tesk_Ary_GetSize(shown.get()));
  }
}

TEST(CategoryNameField, FieldWithoutZeroUnitReadsWithinTheField) {
  // A damaged triple: the level-1 field is full of 'あ' with no mark and no zero unit.
  FLN_CATS cats = fixtures::MakeCats(0, {"", "X", "P"});
  for (size_t i = 0; i < sizeof cats.cat1Name / 2; ++i) cats.cat1Name[i] = ZEL_EndianShort_NtoL(0x3042);
  char name[kCategoryNameSize];
  ASSERT_TRUE(ReadCategoryNameOf(cats, 1, name));
  EXPECT_EQ(Repeat("あ", 42), name);
  ASSERT_TRUE(ReadCategoryNameOf(cats, 2, name));
  EXPECT_STREQ("X", name);
  EXPECT_FALSE(ReadCategoryNameOf(cats, 0, name));
  EXPECT_STREQ("", name);
}

}  // namespace
