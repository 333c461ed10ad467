#include "categories/EntryQuery.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "CategoryFixtures.h"
#include "format/CategoryNames.h"

using fixtures::Ary;

namespace {

const std::string kAll = kCategoryAll;

Ary SampleEntries() {
  return fixtures::MakeEntryAry({
      fixtures::MakeEntry(10, {"A", "X", "P"}),
      fixtures::MakeEntry(11, {kAll, "X", "Q"}),  // a level-1 name that is the marker itself
      fixtures::MakeEntry(12, {"B", "Y", "P"}),
      fixtures::MakeEntry(13, {"A", "Y", "Q"}),
      fixtures::MakeEntry(14, {"A", "X", "P"}),
      fixtures::MakeEntry(15, {"", "X", "P"}),
  });
}

TEST(QueryEntry, ChoicesSelectEntriesInStoredOrder) {
  struct Case {
    std::string c1, c2, c3;
    std::vector<int32_t> ids;
  } cases[] = {
      {kAll, kAll, kAll, {10, 11, 12, 13, 14, 15}},
      {"A", kAll, kAll, {10, 13, 14}},
      {kAll, "X", kAll, {10, 11, 14, 15}},
      {kAll, kAll, "Q", {11, 13}},
      {"A", "X", "P", {10, 14}},
      {"A", "Y", "P", {}},
      {"", kAll, kAll, {15}},
      {"a", kAll, kAll, {}},
  };
  Ary entries = SampleEntries();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.c1 + "/" + c.c2 + "/" + c.c3);
    Ary shown = fixtures::MakeEntryAry({fixtures::MakeEntry(99)});  // emptied first
    ASSERT_EQ(0, QueryEntry(c.c1.c_str(), c.c2.c_str(), c.c3.c_str(), entries.get(), shown.get()));
    EXPECT_EQ(c.ids, fixtures::IdsOf(shown.get()));
  }
}

TEST(QueryEntry, CopiesWholeRecords) {
  FLN_ENTRY entry = fixtures::MakeEntry(7, {"A", "X", "P"});
  SET_FIELD_TEXT(entry, en_title, "題名");
  entry.en_file_size = ZEL_EndianLong_NtoL(123456);
  entry.en_is_select_entrylist = 1;
  memcpy(entry.en_update_date, "20260102030405006", 18);
  Ary entries = fixtures::MakeEntryAry({entry});
  Ary shown = fixtures::NewAry(sizeof(FLN_ENTRY));
  ASSERT_EQ(0, QueryEntry("A", kCategoryAll, "P", entries.get(), shown.get()));
  ASSERT_EQ(1, Tesk_Ary_GetSize(shown.get()));
  FLN_ENTRY copy;
  Tesk_Ary_GetData(shown.get(), 0, &copy);
  EXPECT_EQ(0, memcmp(&entry, &copy, sizeof entry));
}

TEST(QueryEntry, EmptyOrUnusableArrays) {
  Ary shown = fixtures::MakeEntryAry({fixtures::MakeEntry(1)});
  EXPECT_EQ(0, QueryEntry(kCategoryAll, kCategoryAll, kCategoryAll, nullptr, shown.get()));
  EXPECT_EQ(0, Tesk_Ary_GetSize(shown.get()));

  Ary entries = SampleEntries();
  EXPECT_EQ(-1, QueryEntry(kCategoryAll, kCategoryAll, kCategoryAll, entries.get(), entries.get()));
  EXPECT_EQ(6, Tesk_Ary_GetSize(entries.get()));
  EXPECT_EQ(-1, QueryEntry(kCategoryAll, kCategoryAll, kCategoryAll, entries.get(), nullptr));

  Ary wrongKind = fixtures::NewAry(sizeof(FLN_CATS));
  EXPECT_EQ(-1, QueryEntry(kCategoryAll, kCategoryAll, kCategoryAll, entries.get(), wrongKind.get()));
  EXPECT_EQ(0, Tesk_Ary_GetSize(wrongKind.get()));
}

}  // namespace
