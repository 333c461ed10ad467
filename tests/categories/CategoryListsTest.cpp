#include "categories/CategoryLists.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "OpenLibraryFixture.h"
#include "library/FlnEnvironment.h"

using Names = std::vector<std::string>;

namespace {

class CategoryListsTest : public fixtures::OpenLibraryTest {
 protected:
  void Choose(const char* c1, const char* c2, const char* c3) {
    SetCategoryChoice(data(), 1, c1);
    SetCategoryChoice(data(), 2, c2);
    SetCategoryChoice(data(), 3, c3);
  }
  std::vector<Names> Lists() {
    return {fixtures::NamesOf(data()->cat1Ary), fixtures::NamesOf(data()->cat2Ary),
            fixtures::NamesOf(data()->cat3Ary)};
  }
  std::vector<int32_t> Rows() {
    return {GetCategoryListRow_ByChoice(data(), 1), GetCategoryListRow_ByChoice(data(), 2),
            GetCategoryListRow_ByChoice(data(), 3)};
  }
};

TEST_F(CategoryListsTest, ChoicesNarrowTheOtherLevels) {
  Fill({{"A", "X", "P"}, {"A", "Y", "Q"}, {"B", "X", "Q"}, {"その他", "その他", "その他"}}, {});
  struct Case {
    Names choices;
    std::vector<Names> lists;
    std::vector<int32_t> rows;
  } cases[] = {
      {{"＜すべて＞", "＜すべて＞", "＜すべて＞"},
       {{"A", "B", "その他"}, {"X", "Y", "その他"}, {"P", "Q", "その他"}},
       {0, 0, 0}},
      {{"A", "＜すべて＞", "Q"}, {{"A", "B"}, {"Y"}, {"P", "Q"}}, {1, 0, 2}},
      // Level 1's B excludes level 2's Y (and Y excludes B): both fall back
      // to row 0 until the window records their new choices.
      {{"B", "Y", "＜すべて＞"}, {{"A"}, {"X"}, {}}, {0, 0, 0}},
      {{"B", "X", "＜すべて＞"}, {{"A", "B"}, {"X"}, {"Q"}}, {2, 1, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.choices));
    Choose(c.choices[0].c_str(), c.choices[1].c_str(), c.choices[2].c_str());
    ASSERT_EQ(0, RebuildCategoryNameArrays(data()));
    EXPECT_EQ(c.lists, Lists());
    EXPECT_EQ(c.rows, Rows());
  }
}

TEST_F(CategoryListsTest, MissingNameArraysAreMade) {
  Fill({{"A", "B", "C"}}, {});
  Tesk_Ary_Free(data()->cat2Ary);
  data()->cat2Ary = nullptr;
  ASSERT_EQ(0, RebuildCategoryNameArrays(data()));
  EXPECT_EQ((std::vector<Names>{{"A"}, {"B"}, {"C"}}), Lists());

  FLN_DATA empty;
  EXPECT_EQ(-1, RebuildCategoryNameArrays(&empty));  // no category table
}

TEST_F(CategoryListsTest, LevelAccessors) {
  EXPECT_EQ(data()->cat1Ary, CategoryNameAryOf(data(), 1));
  EXPECT_EQ(data()->cat3Ary, CategoryNameAryOf(data(), 3));
  EXPECT_EQ(data()->lastSelectCat2, CategoryChoiceOf(data(), 2));
  for (int level : {0, 4, -1}) {
    EXPECT_EQ(nullptr, CategoryNameAryOf(data(), level));
    EXPECT_EQ(nullptr, CategoryChoiceOf(data(), level));
    EXPECT_EQ(nullptr, CategoryListSelectionEnvKey(level));
    EXPECT_EQ(0, GetCategoryListRow_ByChoice(data(), level));
  }
  // A choice as long as a name field holds is kept whole; a longer text is
  // cut at a character boundary.
  std::string longName(60, 'x');
  for (int i = 0; i < 66; ++i) longName += "漢";
  SetCategoryChoice(data(), 3, longName.c_str());
  EXPECT_EQ(longName, data()->lastSelectCat3);
  for (int i = 0; i < 54; ++i) longName += "漢";
  SetCategoryChoice(data(), 3, longName.c_str());
  EXPECT_EQ(longName.substr(0, 60 + 3 * 108), data()->lastSelectCat3);
}

TEST_F(CategoryListsTest, SelectionIsRememberedInTheLibrary) {
  ASSERT_EQ(0, RememberCategoryListSelection(data(), {"＜すべて＞", "B", "その他"}));
  ASSERT_EQ(0, RememberCategoryListSelection(data(), {"A", "B", "その他"}));  // overwrites
  {
    fixtures::Library unsaved;
    Reload(&unsaved);
    EXPECT_EQ(0, Tesk_Ary_GetSize(unsaved.data.envAry)) << "nothing is written before the next save";
  }
  ASSERT_TRUE(SaveAll(data()->filePath, data()).ok());
  fixtures::Library saved;
  Reload(&saved);
  const Names keys = {"window_cat1list_selection", "window_cat2list_selection",
                      "window_cat3list_selection"};
  const Names values = {"A", "B", "その他"};
  for (int i = 0; i < 3; ++i) {
    char value[kEnvValueBufferSize] = {};
    ASSERT_EQ(1, GetEnvironmentValue(saved.data.envAry, keys[i].c_str(), value));
    EXPECT_EQ(values[i], value);
    EXPECT_EQ(keys[i], CategoryListSelectionEnvKey(i + 1));
  }
  EXPECT_EQ(3, Tesk_Ary_GetSize(saved.data.envAry));
}

}  // namespace
