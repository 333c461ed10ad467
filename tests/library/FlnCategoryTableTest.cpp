#include "library/FlnCategoryTable.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "CategoryFixtures.h"
#include "format/CategoryNames.h"

using fixtures::Ary;
using fixtures::Triple;
using Names = std::vector<std::string>;

namespace {

const std::string kAll = kCategoryAll;
const std::string kOther = kCategoryOther;

// The rows the three category lists show for choices c1, c2, c3: row 0 is
// kCategoryAll, then each level's names narrowed by the other two choices and
// sorted.
struct Lists {
  Names level[3];
};

Lists ListsFor(TESK_ARY table, const std::string& c1, const std::string& c2,
               const std::string& c3) {
  Ary names[3] = {fixtures::NewAry(kCategoryNameSize), fixtures::NewAry(kCategoryNameSize),
                  fixtures::NewAry(kCategoryNameSize)};
  EXPECT_EQ(0, QueryCategory1_ByCat2NameAndCat3Name(table, c2.c_str(), c3.c_str(), names[0].get()));
  EXPECT_EQ(0, QueryCategory2_ByCat1NameAndCat3Name(table, c1.c_str(), c3.c_str(), names[1].get()));
  EXPECT_EQ(0, QueryCategory3_ByCat1NameAndCat2Name(table, c1.c_str(), c2.c_str(), names[2].get()));
  Lists lists;
  for (int i = 0; i < 3; ++i) {
    Tesk_Ary_QuickSort(names[i].get(), CategorySortFunc);
    // Read the rows the way a list does, one past the end included.
    const int32_t rows = Tesk_Ary_GetSize(names[i].get()) + 1;
    for (int32_t row = 0; row < rows; ++row) {
      char name[kCategoryNameSize];
      GetCategoryName_ByIndex(names[i].get(), row, name);
      lists.level[i].push_back(name);
    }
    char past[kCategoryNameSize] = "stale";
    GetCategoryName_ByIndex(names[i].get(), rows, past);
    EXPECT_STREQ("", past);
  }
  return lists;
}

struct NarrowingCase {
  const char* what;
  std::vector<Triple> table;
  std::string c1, c2, c3;
  Names level1, level2, level3;  // rows after row 0
};

const std::vector<Triple> kExample = {{"A", "X", "P"}, {"A", "Y", "Q"}, {"B", "X", "Q"}};

TEST(CategoryNarrowing, ChoicesGiveTheThreeLists) {
  const std::vector<NarrowingCase> cases = {
      {"nothing chosen", kExample, kAll, kAll, kAll, {"A", "B"}, {"X", "Y"}, {"P", "Q"}},
      {"worked example", kExample, "A", kAll, "Q", {"A", "B"}, {"Y"}, {"P", "Q"}},
      {"level 1 narrows 2 and 3 only", kExample, "B", kAll, kAll, {"A", "B"}, {"X"}, {"Q"}},
      {"level 2 narrows 1 and 3 only", kExample, kAll, "X", kAll, {"A", "B"}, {"X", "Y"},
       {"P", "Q"}},
      {"two choices narrow the third", kExample, kAll, "X", "P", {"A"}, {"X"}, {"P", "Q"}},
      {"choices that exclude each other", kExample, "B", "Y", kAll, {"A"}, {"X"}, {}},
      {"a choice no triple carries", kExample, "Z", kAll, kAll, {"A", "B"}, {}, {}},
      {"empty table", {}, kAll, kAll, kAll, {}, {}, {}},
      {"その他 sorts last", {{kOther, kOther, kOther}, {"A", kOther, kOther}}, kAll, kAll, kAll,
       {"A", kOther}, {kOther}, {kOther}},
      {"empty name sorts first", {{"B", "X", "P"}, {"", "X", "P"}, {"A", "", "P"}}, kAll, kAll,
       kAll, {"", "A", "B"}, {"", "X"}, {"P"}},
      {"duplicate triples give one row per name", {{"A", "X", "P"}, {"A", "X", "P"}}, kAll, kAll,
       kAll, {"A"}, {"X"}, {"P"}},
      {"names compare exactly", {{"a", "X", "P"}, {"A", "Y", "P"}, {"Ａ", "Z", "P"}}, "A", kAll,
       kAll, {"A", "a", "Ａ"}, {"Y"}, {"P"}},
  };
  for (const NarrowingCase& c : cases) {
    SCOPED_TRACE(c.what);
    Ary table = fixtures::MakeCatsTable(c.table);
    const Lists lists = ListsFor(table.get(), c.c1, c.c2, c.c3);
    const Names* expected[3] = {&c.level1, &c.level2, &c.level3};
    for (int i = 0; i < 3; ++i) {
      Names rows = {kAll};
      rows.insert(rows.end(), expected[i]->begin(), expected[i]->end());
      EXPECT_EQ(rows, lists.level[i]) << "level " << i + 1;
    }
  }
}

TEST(CategoryNarrowing, ChoiceMissingFromItsListSelectsRowZero) {
  Ary table = fixtures::MakeCatsTable(kExample);
  // Level 1 chooses B; level 2's choice Y is no longer offered.
  Ary level2 = fixtures::NewAry(kCategoryNameSize);
  ASSERT_EQ(0, QueryCategory2_ByCat1NameAndCat3Name(table.get(), "B", kCategoryAll, level2.get()));
  EXPECT_EQ(-1, GetCategoryIndex_ByName(level2.get(), "Y"));
  EXPECT_EQ(0, GetCategoryIndex_ByName(level2.get(), "X"));
  EXPECT_EQ(-1, GetCategoryIndex_ByName(level2.get(), kCategoryAll));
  EXPECT_EQ(-1, GetCategoryIndex_ByName(nullptr, "X"));
}

TEST(CategorySortFunc, OtherIsLastAndTheRestIsByteOrder) {
  // Names whose bytes strcmp puts after "その他" (E3 81 9D ...).
  const std::string kanji = "漢字";   // E6 BC A2 ...
  const std::string wide = "ｚ";      // EF BD 9A
  ASSERT_GT(strcmp(kanji.c_str(), kCategoryOther), 0);
  ASSERT_GT(strcmp(wide.c_str(), kCategoryOther), 0);

  Ary names = fixtures::MakeNameAry({wide, kOther, "b", kanji, "", "B", "あ"});
  Tesk_Ary_QuickSort(names.get(), CategorySortFunc);
  EXPECT_EQ((Names{"", "B", "b", "あ", kanji, wide, kOther}), fixtures::NamesOf(names.get()));

  Ary pair = fixtures::MakeNameAry({kOther, kOther, "A", "A"});
  std::vector<char> records(4 * kCategoryNameSize);
  for (int i = 0; i < 4; ++i) Tesk_Ary_GetData(pair.get(), i, &records[i * kCategoryNameSize]);
  EXPECT_EQ(0, CategorySortFunc(&records[0], &records[kCategoryNameSize]));
  EXPECT_EQ(0, CategorySortFunc(&records[2 * kCategoryNameSize], &records[3 * kCategoryNameSize]));
  EXPECT_EQ(1, CategorySortFunc(&records[0], &records[2 * kCategoryNameSize]));
  EXPECT_EQ(-1, CategorySortFunc(&records[2 * kCategoryNameSize], &records[0]));
}

TEST(QueryFlnCats, FiltersInOrderAndAppendsEachTripleOnce) {
  Ary table = fixtures::MakeCatsTable(
      {{"A", "X", "P"}, {kAll, "Y", "Q"}, {"B", "X", "P"}, {"A", "Z", "Q"}});
  struct Case {
    int level;
    std::string name;
    std::vector<int32_t> ids;
  } cases[] = {
      {1, kAll, {0, 1, 2, 3}},  // also the triple whose level-1 name is ＜すべて＞, once
      {1, "A", {0, 3}},
      {2, "X", {0, 2}},
      {3, "Q", {1, 3}},
      {3, "R", {}},
      {2, "x", {}},
  };
  int (*query[])(const char*, TESK_ARY, TESK_ARY) = {QueryFlnCats_ByCat1, QueryFlnCats_ByCat2,
                                                      QueryFlnCats_ByCat3};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.level) + " " + c.name);
    Ary out = fixtures::MakeCatsTable({{"keep", "keep", "keep"}});  // not emptied first
    ASSERT_EQ(0, query[c.level - 1](c.name.c_str(), table.get(), out.get()));
    std::vector<int32_t> ids;
    for (int32_t i = 1; i < Tesk_Ary_GetSize(out.get()); ++i) {
      FLN_CATS cats;
      Tesk_Ary_GetData(out.get(), i, &cats);
      ids.push_back(ZEL_EndianLong_LtoN(cats.ct_id));
    }
    EXPECT_EQ(c.ids, ids);
    EXPECT_EQ("keep", fixtures::TriplesOf(out.get())[0][0]);
  }
}

TEST(DistinctNames, FirstOccurrenceOrderAndOutputEmptiedFirst) {
  Ary table = fixtures::MakeCatsTable(
      {{"B", "X", "P"}, {"A", "X", "Q"}, {"B", "Y", "P"}, {kOther, "", "Q"}});
  Ary out = fixtures::MakeNameAry({"stale"});
  ASSERT_EQ(0, GetDistinctCat1Ary_FromCatsAry(table.get(), out.get()));
  EXPECT_EQ((Names{"B", "A", kOther}), fixtures::NamesOf(out.get()));
  ASSERT_EQ(0, GetDistinctCat2Ary_FromCatsAry(table.get(), out.get()));
  EXPECT_EQ((Names{"X", "Y", ""}), fixtures::NamesOf(out.get()));
  ASSERT_EQ(0, GetDistinctCat3Ary_FromCatsAry(table.get(), out.get()));
  EXPECT_EQ((Names{"P", "Q"}), fixtures::NamesOf(out.get()));

  Ary empty = fixtures::MakeCatsTable({});
  ASSERT_EQ(0, GetDistinctCat1Ary_FromCatsAry(empty.get(), out.get()));
  EXPECT_TRUE(fixtures::NamesOf(out.get()).empty());
}

TEST(CatsLookups, ExistsAndContainsCompareExactly) {
  Ary table = fixtures::MakeCatsTable({{"A", "X", "P"}, {"分類", kOther, ""}});
  EXPECT_EQ(1, IsCatsExists(table.get(), "A", "X", "P"));
  EXPECT_EQ(1, IsCatsExists(table.get(), "分類", kCategoryOther, ""));
  EXPECT_EQ(0, IsCatsExists(table.get(), "A", "X", "Q"));
  EXPECT_EQ(0, IsCatsExists(table.get(), "a", "X", "P"));
  EXPECT_EQ(0, IsCatsExists(table.get(), "A", "P", "X"));
  EXPECT_EQ(0, IsCatsExists(nullptr, "A", "X", "P"));

  Ary names = fixtures::MakeNameAry({"A", "", "その他"});
  EXPECT_EQ(1, IsContainsCategory(names.get(), "A"));
  EXPECT_EQ(1, IsContainsCategory(names.get(), ""));
  EXPECT_EQ(1, IsContainsCategory(names.get(), kCategoryOther));
  EXPECT_EQ(0, IsContainsCategory(names.get(), "A "));
  EXPECT_EQ(0, IsContainsCategory(names.get(), kCategoryAll));
  EXPECT_EQ(0, IsContainsCategory(nullptr, "A"));
  EXPECT_EQ(2, GetCategoryIndex_ByName(names.get(), kCategoryOther));
}

TEST(DeleteFlnCats, RemovesEveryMatchOnTheLevelAndKeepsOrder) {
  const std::vector<Triple> triples = {
      {"A", "X", "P"}, {"B", "A", "P"}, {"A", "X", "P"}, {"C", "Y", "A"}, {"A", "Y", "Q"}};
  struct Case {
    const char* name;
    int level;
    int removed;
    std::vector<std::vector<std::string>> left;
  } cases[] = {
      {"A", 1, 3, {{"B", "A", "P"}, {"C", "Y", "A"}}},
      {"X", 2, 2, {{"B", "A", "P"}, {"C", "Y", "A"}, {"A", "Y", "Q"}}},
      {"A", 3, 1, {{"A", "X", "P"}, {"B", "A", "P"}, {"A", "X", "P"}, {"A", "Y", "Q"}}},
      {"Z", 1, 0, {{"A", "X", "P"}, {"B", "A", "P"}, {"A", "X", "P"}, {"C", "Y", "A"},
                   {"A", "Y", "Q"}}},
      {"A", 4, 0, {{"A", "X", "P"}, {"B", "A", "P"}, {"A", "X", "P"}, {"C", "Y", "A"},
                   {"A", "Y", "Q"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " on level " + std::to_string(c.level));
    Ary table = fixtures::MakeCatsTable(triples);
    EXPECT_EQ(c.removed, DeleteFlnCats_ByCatNameAndCatKind(c.name, c.level, table.get()));
    EXPECT_EQ(c.left, fixtures::TriplesOf(table.get()));
  }
}

TEST(DeleteFlnCats, RepeatedIdDoesNotCostTheOtherTriple) {
  // A damaged table: two triples share ct_id 7, only the second carries "B".
  Ary table = fixtures::NewAry(sizeof(FLN_CATS));
  FLN_CATS keep = fixtures::MakeCats(7, {"A", "X", "P"});
  FLN_CATS drop = fixtures::MakeCats(7, {"B", "X", "P"});
  Tesk_Ary_Add(table.get(), &keep);
  Tesk_Ary_Add(table.get(), &drop);
  EXPECT_EQ(1, DeleteFlnCats_ByCatNameAndCatKind("B", 1, table.get()));
  EXPECT_EQ((std::vector<std::vector<std::string>>{{"A", "X", "P"}}),
            fixtures::TriplesOf(table.get()));
}

TEST(GetCategoryName_ByIndex, RowsOfAList) {
  Ary names = fixtures::MakeNameAry({"A", "B"});
  struct Case {
    TESK_ARY ary;
    int32_t row;
    std::string name;
  } cases[] = {
      {names.get(), 0, kAll}, {names.get(), 1, "A"}, {names.get(), 2, "B"},
      {names.get(), 3, ""},   {names.get(), -1, ""}, {nullptr, 0, ""},
      {nullptr, 1, ""},
  };
  for (const Case& c : cases) {
    char name[kCategoryNameSize] = "stale";
    GetCategoryName_ByIndex(c.ary, c.row, name);
    EXPECT_EQ(c.name, name) << "row " << c.row << (c.ary ? "" : " without array");
  }
}

TEST(GetFlnLabelIndex_ByItemNumber, FirstLabelOfTheLevel) {
  Ary labels = fixtures::NewAry(sizeof(FLN_LABEL));
  for (int32_t level : {2, 1, 3, 1}) {
    FLN_LABEL label;
    memset(&label, 0, sizeof label);
    label.itemNumber = ZEL_EndianLong_NtoL(level);
    Tesk_Ary_Add(labels.get(), &label);
  }
  EXPECT_EQ(1, GetFlnLabelIndex_ByItemNumber(labels.get(), 1));
  EXPECT_EQ(0, GetFlnLabelIndex_ByItemNumber(labels.get(), 2));
  EXPECT_EQ(2, GetFlnLabelIndex_ByItemNumber(labels.get(), 3));
  EXPECT_EQ(-1, GetFlnLabelIndex_ByItemNumber(labels.get(), 4));
  EXPECT_EQ(-1, GetFlnLabelIndex_ByItemNumber(labels.get(), 0));
  EXPECT_EQ(-1, GetFlnLabelIndex_ByItemNumber(nullptr, 1));
}

}  // namespace
