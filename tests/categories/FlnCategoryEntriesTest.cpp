#include "categories/FlnCategoryEntries.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CategoryFixtures.h"

using fixtures::Ary;
using fixtures::Triple;

namespace {

Ary EntriesWithLevel2(const std::vector<std::string>& names) {
  std::vector<FLN_ENTRY> entries;
  int32_t id = 0;
  for (const std::string& name : names) entries.push_back(fixtures::MakeEntry(id++, {"K", name, "L"}));
  return fixtures::MakeEntryAry(entries);
}

TEST(FlnEntriesCatIsSameName, CommonNameOrNothing) {
  struct Case {
    std::vector<std::string> level2;
    int level;
    int same;
    std::string name;
  } cases[] = {
      {{"A", "A", "B"}, 2, 0, ""},
      {{"A", "B", "A"}, 2, 0, ""},
      {{"A", "A"}, 2, 1, "A"},
      {{"分類"}, 2, 1, "分類"},
      {{}, 2, 1, ""},
      {{"", ""}, 2, 1, ""},
      {{"A", "B"}, 1, 1, "K"},  // level 1 is "K" for all
      {{"A", "A"}, 4, 0, ""},
      {{"A", "A"}, 0, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.level2) + " level " + std::to_string(c.level));
    Ary entries = EntriesWithLevel2(c.level2);
    char name[kCategoryNameSize] = "stale";
    EXPECT_EQ(c.same, FlnEntriesCatIsSameName(entries.get(), c.level, name));
    EXPECT_EQ(c.name, name);
  }
}

TEST(IsExistEntryUsedDeleteCategory, LooksOnlyAtTheGivenLevel) {
  Ary entries = fixtures::MakeEntryAry(
      {fixtures::MakeEntry(1, {"A", "X", "P"}), fixtures::MakeEntry(2, {"B", "A", ""})});
  struct Case {
    const char* name;
    int level;
    int used;
  } cases[] = {
      {"A", 1, 1}, {"B", 1, 1}, {"X", 1, 0}, {"A", 2, 1}, {"X", 2, 1},
      {"P", 3, 1}, {"", 3, 1},  {"A", 3, 0}, {"a", 1, 0}, {"A", 4, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.used, IsExistEntryUsedDeleteCategory(entries.get(), c.name, c.level))
        << c.name << " on level " << c.level;
  EXPECT_EQ(0, IsExistEntryUsedDeleteCategory(nullptr, "A", 1));
}

}  // namespace
