#include "categories/CategoryNameInput.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CategoryFixtures.h"

using Names = std::vector<std::string>;

namespace {

using fixtures::Repeat;

TEST(CategoryNameInput, NamesFitTheStoredField) {
  struct Case {
    std::string name;
    bool fits;
  } cases[] = {
      {"", true},
      {Repeat("a", 126), true},
      {Repeat("a", 127), false},        // 127 units overflow the field
      {Repeat("漢", 42) + "ab", true},  // 128 bytes in 44 units: a name record holds it whole
      {Repeat("漢", 126), true},        // 378 bytes
      {Repeat("漢", 127), false},
      {Repeat("😀", 63), true},          // 126 units in surrogate pairs
      {Repeat("😀", 63) + "a", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name.size());
    EXPECT_EQ(c.fits, CategoryNameFits(c.name.c_str()));
  }
  EXPECT_TRUE(CategoryNameFits(nullptr));
}

TEST(CategoryNameInput, AddRefusalsInOrder) {
  fixtures::Ary table = fixtures::MakeCatsTable({{"その他", "その他", "その他"}, {"A", "B", "C"}});
  struct Case {
    int level;
    std::string name;
    std::string message;
  } cases[] = {
      {1, "", "分類名を入力してください。"},
      {2, "＜すべて＞", "”＜すべて＞”は追加できません。"},
      {1, "＜変更しない＞", "”＜変更しない＞”は追加できません。"},
      {3, "C", "「C」は、すでに登録されています。"},
      {3, "その他", "「その他」は、すでに登録されています。"},
      {1, Repeat("x", 127), "分類名が長すぎます。"},
      {3, "B", ""},  // on level 2 only: a new name on level 3
      {1, "C", ""},
      {2, "b", ""},  // names compare exactly
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.message, CheckCategoryAddName(table.get(), c.level, c.name.c_str()).toStdString());
  }
  fixtures::Ary noOther = fixtures::MakeCatsTable({{"A", "B", "C"}});
  EXPECT_EQ("", CheckCategoryAddName(noOther.get(), 1, "その他").toStdString());
}

TEST(CategoryNameInput, AnEntrysCategoryIsNeverTheNameForEveryCategory) {
  const std::string all = "”＜すべて＞”はすべての分類を表すため、分類名にできません。";
  const std::string noChange = "”＜変更しない＞”は分類名にできません。";
  struct Case {
    const char* name;
    bool noChangeIsMarker;
    std::string message;
  } cases[] = {
      {"＜すべて＞", false, all},     {"＜すべて＞", true, all},       {"＜変更しない＞", false, noChange},
      {"＜変更しない＞", true, ""},   {"すべて", false, ""},           {"＜すべて＞ ", false, ""},
      {"その他", false, ""},         {"", false, ""},                 {nullptr, false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name != nullptr ? c.name : "(null)");
    EXPECT_EQ(c.message, CheckEntryCategoryName(c.name, c.noChangeIsMarker).toStdString());
  }
}

TEST(CategoryNameInput, ComboChoicesOfTheWholeTable) {
  fixtures::Ary table = fixtures::MakeCatsTable(
      {{"その他", "その他", "P"}, {"b", "X", "Q"}, {"A", "Y", "P"}, {"b", "その他", ""}});
  struct Case {
    int level;
    std::string proposal;
    Names items;
    std::string selected;
  } cases[] = {
      {1, "A", {"A", "b", "その他"}, "A"},
      {2, "", {"＜変更しない＞", "X", "Y", "その他"}, "＜変更しない＞"},
      {3, "Q", {"", "P", "Q"}, "Q"},
      // A proposal that no triple has is shown as it is.
      {1, "Lost", {"A", "b", "その他"}, "Lost"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.level);
    CategoryComboChoices choices;
    ASSERT_EQ(0, GetCategoryComboChoices(table.get(), c.level, c.proposal.c_str(), &choices));
    EXPECT_EQ(c.items, choices.items);
    EXPECT_EQ(c.selected, choices.selected);
  }
}

}  // namespace
