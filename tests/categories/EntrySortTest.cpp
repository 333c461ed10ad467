#include "categories/EntrySort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "CategoryFixtures.h"
#include "categories/EntryCompare.h"
#include "categories/EntryListSortKeys.h"
#include "categories/EntryQuery.h"
#include "categories/SortedEntryOrder.h"
#include "format/CategoryNames.h"
#include "storage/TeskAryChanges.h"

using fixtures::Ary;

namespace {

// A table that exercises every comparison: Japanese, Latin and empty texts,
// many equal keys, negative and extreme sizes, empty and equal dates, and
// distinct ids (negative ones too) in no particular order.
std::vector<FLN_ENTRY> MixedEntries(size_t count) {
  const char* texts[] = {"",       "A",        "a",      "Zeta", "あいう", "漢字",
                         "ｚ",     "Éclair",   "日本語の本", "😀絵文字", "alpha beta", "その他",
                         "\xEF\xBF\xBD", "\xEF\xBF\xBF", "\xEF\xBB\xBF", "𠮷野家"};
  const char* dates[] = {"", "20260101000000000", "20251231235959999", "20260101000000001"};
  const int32_t sizes[] = {-5, 0, 20480, 3145728, INT32_MIN, INT32_MAX, 20480};
  std::mt19937 random(20260212);
  auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };

  std::vector<int32_t> ids(count);
  for (size_t i = 0; i < count; ++i) ids[i] = static_cast<int32_t>(i) - 40;
  std::shuffle(ids.begin(), ids.end(), random);

  std::vector<FLN_ENTRY> entries;
  for (size_t i = 0; i < count; ++i) {
    FLN_ENTRY entry = fixtures::MakeEntry(
        ids[i], {texts[pick(16)], texts[pick(4)], texts[pick(16)]});
    SET_FIELD_TEXT(entry, en_title, texts[pick(16)]);
    SET_FIELD_TEXT(entry, en_author_name, texts[pick(5)]);
    SET_FIELD_TEXT(entry, en_note, texts[pick(16)]);
    SET_FIELD_TEXT(entry, en_file_name, texts[pick(16)]);
    SET_FIELD_TEXT(entry, en_publisher_name, texts[pick(3)]);
    entry.en_file_size = ZEL_EndianLong_NtoL(sizes[pick(7)]);
    entry.en_my_rate = ZEL_EndianShort_NtoL(static_cast<int16_t>(pick(7)) - 1);
    const char* created = dates[pick(4)];
    const char* viewed = dates[pick(2)];
    memcpy(entry.en_create_date, created, strlen(created) + 1);
    memcpy(entry.en_last_view_date, viewed, strlen(viewed) + 1);
    if (i % 17 == 0) {
      // Lone surrogate halves cannot come from UTF-8: store the units directly.
      const uint16_t lone[][4] = {{0xFEFF, 'a', 0xD800, 'b'}, {0xFEFF, 0xDC00, 0, 0}};
      memset(entry.en_title, 0, sizeof entry.en_title);
      for (int u = 0; u < 4; ++u)
        entry.en_title[u] = static_cast<uint16_t>(ZEL_EndianShort_NtoL(lone[i % 2][u]));
    }
    entries.push_back(entry);
  }
  return entries;
}

const FLN_ENTRY_LIST_INFO kOrders[] = {
    {{2, 7, 15}, {1, 0, 1}},    // title ↑, size ↓, author ↑
    {{7, 2, 0}, {0, 1, 1}},     // size ↓, title ↑
    {{15, 8, 11}, {0, 0, 1}},   // author ↓, rating ↓, created ↑
    {{3, 4, 5}, {1, 2, 255}},   // categories; 2 and 255 are descending
    {{6, 9, 13}, {0, 1, 0}},    // file name, note, last view
    {{19, 16, 10}, {1, 1, 1}},  // publisher, editor (all empty), file created
    {{0, 0, 0}, {1, 1, 1}},     // no key: ids only
    {{20, -1, 2}, {1, 1, 1}},   // kinds without a field; key 3 still counts
    {{1, 0, 2}, {1, 1, 1}},     // key 3 ignored without key 2
    {{8, 0, 0}, {1, 0, 0}},
};

TEST(SortEntryArray, SameOrderAsQuickSortWithEntryListSortProc) {
  const std::vector<FLN_ENTRY> entries = MixedEntries(400);
  for (const FLN_ENTRY_LIST_INFO& info : kOrders) {
    SCOPED_TRACE(testing::Message() << "kinds " << info.sortFieldKind[0] << ","
                                    << info.sortFieldKind[1] << "," << info.sortFieldKind[2]);
    Ary reference = fixtures::MakeEntryAry(entries);
    gEntryListInfo = info;
    Tesk_Ary_QuickSort(reference.get(), EntryListSortProc);

    Ary sorted = fixtures::MakeEntryAry(entries);
    ASSERT_EQ(0, SortEntryArray(sorted.get(), info));
    ASSERT_EQ(fixtures::IdsOf(reference.get()), fixtures::IdsOf(sorted.get()));
    for (int32_t i = 0; i < Tesk_Ary_GetSize(sorted.get()); ++i) {
      FLN_ENTRY a, b;
      Tesk_Ary_GetData(reference.get(), i, &a);
      Tesk_Ary_GetData(sorted.get(), i, &b);
      ASSERT_EQ(0, memcmp(&a, &b, sizeof a)) << "record " << i;
    }
  }
}

TEST(SortEntryArray, RepeatedIdsKeepTheirOrderAndLoseNoRecord) {
  std::vector<FLN_ENTRY> entries;
  for (int i = 0; i < 30; ++i) {
    FLN_ENTRY entry = fixtures::MakeEntry(i % 3);
    entry.en_co_id = ZEL_EndianLong_NtoL(i);  // tells the copies apart
    entries.push_back(entry);
  }
  Ary ary = fixtures::MakeEntryAry(entries);
  ASSERT_EQ(0, SortEntryArray(ary.get(), FLN_ENTRY_LIST_INFO{{2, 0, 0}, {1, 0, 0}}));
  std::vector<int32_t> order;
  for (int32_t i = 0; i < Tesk_Ary_GetSize(ary.get()); ++i) {
    FLN_ENTRY entry;
    Tesk_Ary_GetData(ary.get(), i, &entry);
    order.push_back(ZEL_EndianLong_LtoN(entry.en_co_id));
  }
  std::vector<int32_t> expected;
  for (int id = 2; id >= 0; --id)
    for (int i = id; i < 30; i += 3) expected.push_back(i);
  EXPECT_EQ(expected, order);
}

// Many texts that agree on their first 8 bytes and more, and texts shorter
// than that: they order as the whole texts do.
TEST(SortEntryArray, LongSharedBeginningsOrderAsTheWholeTexts) {
  const char* beginnings[] = {"", "Introduction", "Introduction to ", "入門書の", "abcdefgh", "abcdefg"};
  const char* endings[] = {"", "A", "B", "a", "あ", "\xEF\xBF\xBF", " ", "AB"};
  std::vector<FLN_ENTRY> entries;
  std::mt19937 random(7);
  std::vector<int32_t> ids(std::size(beginnings) * std::size(endings) * 2);
  for (size_t i = 0; i < ids.size(); ++i) ids[i] = static_cast<int32_t>(i);
  std::shuffle(ids.begin(), ids.end(), random);
  size_t next = 0;
  for (int copy = 0; copy < 2; ++copy)
    for (const char* beginning : beginnings)
      for (const char* ending : endings) {
        FLN_ENTRY entry = fixtures::MakeEntry(ids[next++]);
        SET_FIELD_TEXT(entry, en_title, (std::string(beginning) + ending).c_str());
        entries.push_back(entry);
      }
  for (const uint8_t ascend : {1, 0}) {
    const FLN_ENTRY_LIST_INFO info{{kEntryFieldTitle, 0, 0}, {ascend, 1, 1}};
    Ary reference = fixtures::MakeEntryAry(entries);
    gEntryListInfo = info;
    Tesk_Ary_QuickSort(reference.get(), EntryListSortProc);
    Ary sorted = fixtures::MakeEntryAry(entries);
    ASSERT_EQ(0, SortEntryArray(sorted.get(), info));
    EXPECT_EQ(fixtures::IdsOf(reference.get()), fixtures::IdsOf(sorted.get())) << "ascending " << int(ascend);
  }
}

TEST(SortEntryArray, SmallAndUnusableArrays) {
  const FLN_ENTRY_LIST_INFO info{{2, 0, 0}, {1, 0, 0}};
  EXPECT_EQ(0, SortEntryArray(nullptr, info));
  Ary empty = fixtures::NewAry(sizeof(FLN_ENTRY));
  EXPECT_EQ(0, SortEntryArray(empty.get(), info));
  Ary one = fixtures::MakeEntryAry({fixtures::MakeEntry(5)});
  EXPECT_EQ(0, SortEntryArray(one.get(), info));
  EXPECT_EQ(std::vector<int32_t>{5}, fixtures::IdsOf(one.get()));

  Ary cats = fixtures::MakeCatsTable({{"B", "B", "B"}, {"A", "A", "A"}});
  EXPECT_EQ(-1, SortEntryArray(cats.get(), info));
  EXPECT_EQ((std::vector<std::vector<std::string>>{{"B", "B", "B"}, {"A", "A", "A"}}),
            fixtures::TriplesOf(cats.get()));
}

// Every field of every record, record by record.
void ExpectSameRecords(TESK_ARY expected, TESK_ARY actual) {
  ASSERT_EQ(fixtures::IdsOf(expected), fixtures::IdsOf(actual));
  for (int32_t i = 0; i < Tesk_Ary_GetSize(actual); ++i) {
    FLN_ENTRY a, b;
    Tesk_Ary_GetData(expected, i, &a);
    Tesk_Ary_GetData(actual, i, &b);
    ASSERT_EQ(0, memcmp(&a, &b, sizeof a)) << "record " << i;
  }
}

// The records of `all` at the rows QuerySortedRows gives, in row order.
Ary SortedCopies(const char* cat1, TESK_ARY all, const FLN_ENTRY_LIST_INFO& info) {
  std::vector<int32_t> rows;
  Ary copies = fixtures::NewAry(sizeof(FLN_ENTRY));
  EXPECT_EQ(0, QuerySortedRows(cat1, kCategoryAll, kCategoryAll, all, info, rows));
  EXPECT_EQ(0, CopyEntryRows(all, rows, copies.get()));
  return copies;
}

TEST(QuerySortedRows, PointAtTheRecordsOfQueryThenQuickSortWithEntryListSortProc) {
  const std::vector<FLN_ENTRY> entries = MixedEntries(400);
  const Ary all = fixtures::MakeEntryAry(entries);
  const std::string every = kCategoryAll;
  const fixtures::Triple choices[] = {
      {every, every, every}, {"漢字", every, every}, {every, "", every},
      {every, every, "あいう"}, {"", "A", every}, {"Zeta", "a", "😀絵文字"}, {"nowhere", every, every},
  };
  for (const fixtures::Triple& choice : choices) {
    for (const FLN_ENTRY_LIST_INFO& info : kOrders) {
      SCOPED_TRACE(testing::Message() << choice.c1 << "/" << choice.c2 << "/" << choice.c3 << " kinds "
                                      << info.sortFieldKind[0] << "," << info.sortFieldKind[1] << ","
                                      << info.sortFieldKind[2]);
      Ary reference = fixtures::NewAry(sizeof(FLN_ENTRY));
      ASSERT_EQ(0, QueryEntry(choice.c1.c_str(), choice.c2.c_str(), choice.c3.c_str(), all.get(), reference.get()));
      gEntryListInfo = info;
      Tesk_Ary_QuickSort(reference.get(), EntryListSortProc);

      std::vector<int32_t> rows{77};  // replaced
      ASSERT_EQ(0, QuerySortedRows(choice.c1.c_str(), choice.c2.c_str(), choice.c3.c_str(), all.get(), info, rows));
      Ary picked = fixtures::NewAry(sizeof(FLN_ENTRY));
      ASSERT_EQ(0, CopyEntryRows(all.get(), rows, picked.get()));
      ExpectSameRecords(reference.get(), picked.get());
    }
  }
}

// Texts order as the bytes of their UTF-8 forms ("" < "A" < "Z" < "a" <
// kana < kanji); equal keys fall to the next key, and entries equal on all
// keys to the greater id first; numbers compare signed.
TEST(QuerySortedRows, TrickyKeysInATable) {
  struct Row {
    int32_t id;
    const char* shelf;
    const char* title;
    int32_t size;
    const char* author;
  } rows[] = {
      {1, "洋書", "", 5, "b"},      {2, "和書", "あ", 10, "a"}, {3, "洋書", "A", 10, "z"},
      {4, "洋書", "a", 7, ""},      {5, "和書", "漢字", -3, ""}, {6, "和書", "あ", 10, ""},
      {7, "和書", "あ", 20, "c"}, {8, "洋書", "Z", 0, ""},
  };
  std::vector<FLN_ENTRY> entries;
  for (const Row& row : rows) {
    FLN_ENTRY entry = fixtures::MakeEntry(row.id, {row.shelf, "その他", "その他"});
    SET_FIELD_TEXT(entry, en_title, row.title);
    SET_FIELD_TEXT(entry, en_author_name, row.author);
    entry.en_file_size = ZEL_EndianLong_NtoL(row.size);
    entries.push_back(entry);
  }
  const Ary all = fixtures::MakeEntryAry(entries);
  struct Case {
    const char* shelf;
    FLN_ENTRY_LIST_INFO info;
    std::vector<int32_t> ids;
  } cases[] = {
      {kCategoryAll, {{kEntryFieldTitle, kEntryFieldFileSize, kEntryFieldAuthor}, {1, 0, 1}}, {1, 3, 8, 4, 7, 6, 2, 5}},
      {kCategoryAll, {{kEntryFieldFileSize, 0, 0}, {0, 1, 1}}, {7, 6, 3, 2, 4, 1, 8, 5}},
      {kCategoryAll, {{kEntryFieldFileSize, 0, 0}, {1, 1, 1}}, {5, 8, 1, 4, 6, 3, 2, 7}},
      {kCategoryAll, {{kEntryFieldAuthor, kEntryFieldTitle, 0}, {0, 1, 1}}, {3, 7, 1, 2, 8, 4, 6, 5}},
      {"和書", {{kEntryFieldTitle, kEntryFieldFileSize, kEntryFieldAuthor}, {1, 0, 1}}, {7, 6, 2, 5}},
      {"洋書", {{kEntryFieldTitle, 0, 0}, {0, 1, 1}}, {4, 8, 3, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.shelf << " kinds " << c.info.sortFieldKind[0] << ","
                                    << c.info.sortFieldKind[1] << "," << c.info.sortFieldKind[2]);
    EXPECT_EQ(c.ids, fixtures::IdsOf(SortedCopies(c.shelf, all.get(), c.info).get()));
  }
}

TEST(QuerySortedRows, RepeatedIdsKeepTheirStoredOrder) {
  std::vector<FLN_ENTRY> entries;
  for (int i = 0; i < 30; ++i) {
    FLN_ENTRY entry = fixtures::MakeEntry(i % 3, {i % 2 == 0 ? "even" : "odd", "その他", "その他"});
    entry.en_co_id = ZEL_EndianLong_NtoL(i);  // tells the copies apart
    entries.push_back(entry);
  }
  const Ary all = fixtures::MakeEntryAry(entries);
  const Ary shown = SortedCopies("even", all.get(), FLN_ENTRY_LIST_INFO{{kEntryFieldTitle, 0, 0}, {1, 0, 0}});
  std::vector<int32_t> order;
  for (int32_t i = 0; i < Tesk_Ary_GetSize(shown.get()); ++i) {
    FLN_ENTRY entry;
    Tesk_Ary_GetData(shown.get(), i, &entry);
    order.push_back(ZEL_EndianLong_LtoN(entry.en_co_id));
  }
  std::vector<int32_t> expected;
  for (int id = 2; id >= 0; --id)
    for (int i = 0; i < 30; i += 2)
      if (i % 3 == id) expected.push_back(i);
  EXPECT_EQ(expected, order);
}

TEST(QuerySortedRows, UnusableArraysLeaveTheListEmpty) {
  const FLN_ENTRY_LIST_INFO info{{kEntryFieldTitle, 0, 0}, {1, 0, 0}};
  Ary cats = fixtures::MakeCatsTable({{"A", "A", "A"}});
  std::vector<int32_t> rows = {9};
  EXPECT_EQ(-1, QuerySortedRows(kCategoryAll, kCategoryAll, kCategoryAll, cats.get(), info, rows));
  EXPECT_TRUE(rows.empty());
  rows = {9};
  Ary empty = fixtures::NewAry(sizeof(FLN_ENTRY));
  EXPECT_EQ(0, QuerySortedRows(kCategoryAll, kCategoryAll, kCategoryAll, empty.get(), info, rows));
  EXPECT_TRUE(rows.empty());
}

// After each kind of change to the entries or the keys, the kept order gives
// exactly what a fresh query and sort gives, for every choice of categories;
// it sorts again after changes a sort can see and only then.
TEST(SortedEntryOrder, AfterEachChangeEqualsAFreshSort) {
  const FLN_ENTRY_LIST_INFO byTitle{{kEntryFieldTitle, kEntryFieldFileSize, kEntryFieldAuthor}, {1, 0, 1}};
  const std::vector<FLN_ENTRY> entries = MixedEntries(300);
  const auto edit = [](TESK_ARY all, int32_t row, const std::function<void(FLN_ENTRY&)>& how) {
    FLN_ENTRY entry;
    Tesk_Ary_GetData(all, row, &entry);
    how(entry);
    Tesk_Ary_Update(all, row, &entry);
  };
  struct Case {
    const char* what;
    std::function<void(TESK_ARY, FLN_ENTRY_LIST_INFO&)> change;
    bool sortsAgain;
  } cases[] = {
      {"import", [&](TESK_ARY all, FLN_ENTRY_LIST_INFO&) {
         FLN_ENTRY entry = fixtures::MakeEntry(9000, {"漢字", "A", "あいう"});
         Tesk_Ary_Add(all, &entry);
       }, true},
      {"delete one", [](TESK_ARY all, FLN_ENTRY_LIST_INFO&) { Tesk_Ary_Remove(all, 17); }, true},
      {"delete the last", [](TESK_ARY all, FLN_ENTRY_LIST_INFO&) { Tesk_Ary_Remove(all, Tesk_Ary_GetSize(all) - 1); },
       true},
      {"edit a title", [&](TESK_ARY all, FLN_ENTRY_LIST_INFO&) {
         edit(all, 40, [](FLN_ENTRY& e) { SET_FIELD_TEXT(e, en_title, ""); });
       }, true},
      {"edit a size in place", [](TESK_ARY all, FLN_ENTRY_LIST_INFO&) {
         static_cast<FLN_ENTRY*>(Tesk_Ary_GetDataPtr(all, 3))->en_file_size = ZEL_EndianLong_NtoL(INT32_MAX);
       }, true},
      {"field update of a sorted field", [](TESK_ARY all, FLN_ENTRY_LIST_INFO&) {
         const int32_t size = ZEL_EndianLong_NtoL(-99);
         Tesk_Ary_UpdateField(all, 8, offsetof(FLN_ENTRY, en_file_size), sizeof size, &size);
       }, true},
      {"rename a category", [&](TESK_ARY all, FLN_ENTRY_LIST_INFO&) {
         for (int32_t row = 0; row < Tesk_Ary_GetSize(all); row += 3)
           edit(all, row, [](FLN_ENTRY& e) { SET_FIELD_TEXT(e, en_c1_name, "漢字"); });
       }, false},
      {"edit a note and the update date", [&](TESK_ARY all, FLN_ENTRY_LIST_INFO&) {
         edit(all, 41, [](FLN_ENTRY& e) {
           SET_FIELD_TEXT(e, en_note, "a note");
           memcpy(e.en_update_date, "20991231235959000", 17);
         });
       }, false},
      {"edit a note and an author", [&](TESK_ARY all, FLN_ENTRY_LIST_INFO&) {
         edit(all, 42, [](FLN_ENTRY& e) {
           SET_FIELD_TEXT(e, en_note, "another note");
           SET_FIELD_TEXT(e, en_author_name, "");
         });
       }, true},
      {"an edit that changes nothing", [&](TESK_ARY all, FLN_ENTRY_LIST_INFO&) {
         edit(all, 43, [](FLN_ENTRY&) {});
       }, false},
      {"merge two entries' fields", [&](TESK_ARY all, FLN_ENTRY_LIST_INFO&) {
         FLN_ENTRY from;
         Tesk_Ary_GetData(all, 2, &from);
         edit(all, 90, [&](FLN_ENTRY& e) { memcpy(e.en_author_name, from.en_author_name, sizeof e.en_author_name); });
         Tesk_Ary_Remove(all, 2);
       }, true},
      {"undo: every record put back", [&](TESK_ARY all, FLN_ENTRY_LIST_INFO&) {
         Tesk_Ary_RemoveAll(all);
         for (auto it = entries.rbegin(); it != entries.rend(); ++it) Tesk_Ary_Add(all, &*it);
       }, true},
      {"swap two", [](TESK_ARY all, FLN_ENTRY_LIST_INFO&) { Tesk_Ary_Swap(all, 1, 250); }, true},
      {"another first key", [](TESK_ARY, FLN_ENTRY_LIST_INFO& info) { info.sortFieldKind[0] = kEntryFieldAuthor; },
       true},
      {"descending", [](TESK_ARY, FLN_ENTRY_LIST_INFO& info) { info.sortFieldAscend[0] = 0; }, true},
      {"category names by field update", [](TESK_ARY all, FLN_ENTRY_LIST_INFO&) {
         FLN_ENTRY renamed = fixtures::MakeEntry(0, {"Zeta", "a", "😀絵文字"});
         for (int32_t row = 0; row < Tesk_Ary_GetSize(all); row += 2)
           Tesk_Ary_UpdateField(all, row, offsetof(FLN_ENTRY, en_c1_name), sizeof renamed.en_c1_name, renamed.en_c1_name);
       }, false},
      {"entries selected", [](TESK_ARY all, FLN_ENTRY_LIST_INFO&) {
         const uint8_t flag = 1;
         for (int32_t row = 0; row < Tesk_Ary_GetSize(all); row += 5)
           Tesk_Ary_UpdateField(all, row, offsetof(FLN_ENTRY, en_is_select_entrylist), sizeof flag, &flag);
       }, false},
      {"saved", [](TESK_ARY all, FLN_ENTRY_LIST_INFO&) { Tesk_Ary_ClearChanges(all); }, false},
      {"nothing", [](TESK_ARY, FLN_ENTRY_LIST_INFO&) {}, false},
  };
  const std::string every = kCategoryAll;
  const fixtures::Triple choices[] = {
      {every, every, every}, {"漢字", every, every}, {every, "", every}, {"Zeta", "a", "😀絵文字"}, {"nowhere", every, every},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Ary all = fixtures::MakeEntryAry(entries);
    FLN_ENTRY_LIST_INFO info = byTitle;
    SortedEntryOrder order;
    std::vector<int32_t> rows;
    ASSERT_EQ(0, order.query(kCategoryAll, kCategoryAll, kCategoryAll, all.get(), info, rows));
    ASSERT_EQ(order.sortCount(), 1);
    c.change(all.get(), info);
    for (const fixtures::Triple& choice : choices) {
      SCOPED_TRACE(testing::Message() << choice.c1 << "/" << choice.c2 << "/" << choice.c3);
      std::vector<int32_t> fresh;
      ASSERT_EQ(0, QuerySortedRows(choice.c1.c_str(), choice.c2.c_str(), choice.c3.c_str(), all.get(), info, fresh));
      rows = {77};  // replaced
      ASSERT_EQ(0, order.query(choice.c1.c_str(), choice.c2.c_str(), choice.c3.c_str(), all.get(), info, rows));
      EXPECT_EQ(fresh, rows);
    }
    EXPECT_EQ(order.sortCount(), c.sortsAgain ? 2 : 1);
  }
}

// The kept columns outlive the keys they served with: clicks on column
// headers, with changes to the entries between them, to fields that are keys
// and to fields that were keys before. After every step each list is the one
// the entry comparison gives its copies, and exactly the columns whose field
// may have changed are made again, when they serve: a record moved or
// written through its address may have changed in every field, one written
// whole or through a field update in the bytes that differ alone. A click on a column whose
// field is unchanged makes none.
TEST(SortedEntryOrder, KeptColumnsFollowEveryChangeOfTheirFields) {
  const std::vector<FLN_ENTRY> entries = MixedEntries(300);
  const Ary all = fixtures::MakeEntryAry(entries);
  FLN_ENTRY_LIST_INFO info{{kEntryFieldTitle, kEntryFieldFileSize, kEntryFieldAuthor}, {1, 0, 1}};
  const auto click = [&](const char* column, bool ascending) {
    info = GetEntryListInfo_ByHeaderClick(info, column, ascending);
  };
  const auto edit = [&](int32_t row, const std::function<void(FLN_ENTRY&)>& how) {
    FLN_ENTRY entry;
    Tesk_Ary_GetData(all.get(), row, &entry);
    how(entry);
    Tesk_Ary_Update(all.get(), row, &entry);
  };
  const auto setDate = [&](int32_t row, const char* date) {
    char field[sizeof(FLN_ENTRY::en_create_date)] = {};
    memcpy(field, date, strlen(date));
    Tesk_Ary_UpdateField(all.get(), row, offsetof(FLN_ENTRY, en_create_date), sizeof field, field);
  };
  // The keys after each step are in its comment.
  struct Step {
    const char* what;
    std::function<void()> act;
    int columnsMade;
  } steps[] = {
      {"first listing", [] {}, 3},                                     // title, size, author
      {"click author", [&] { click("author", true); }, 0},              // author, title, size
      {"click created, a date", [&] { click("createDate", false); }, 1},  // created, author, title
      {"sizes edited in place while not a key: the records count as changed", [&] {
         static_cast<FLN_ENTRY*>(Tesk_Ary_GetDataPtr(all.get(), 3))->en_file_size = ZEL_EndianLong_NtoL(INT32_MAX);
         static_cast<FLN_ENTRY*>(Tesk_Ary_GetDataPtr(all.get(), 4))->en_file_size = ZEL_EndianLong_NtoL(INT32_MIN);
       }, 3},
      {"click size", [&] { click("fileSize", false); }, 1},  // size, created, author
      {"titles edited while not a key: no key column changed", [&] {
         edit(40, [](FLN_ENTRY& e) { SET_FIELD_TEXT(e, en_title, "~"); });
         edit(41, [](FLN_ENTRY& e) { SET_FIELD_TEXT(e, en_title, ""); });
       }, 0},
      {"click title: its field changed", [&] { click("title", true); }, 1},  // title, size, created
      {"an information-window edit of a note, dated", [&] {
         edit(50, [](FLN_ENTRY& e) {
           SET_FIELD_TEXT(e, en_note, "read again");
           memcpy(e.en_update_date, "20991231235959000", 17);
         });
       }, 0},
      {"an edit of a title and a size, both keys", [&] {
         edit(51, [](FLN_ENTRY& e) {
           SET_FIELD_TEXT(e, en_title, "~~");
           e.en_file_size = ZEL_EndianLong_NtoL(7);
         });
       }, 2},
      {"an edit of a title and a note", [&] {
         edit(52, [](FLN_ENTRY& e) {
           SET_FIELD_TEXT(e, en_title, "");
           SET_FIELD_TEXT(e, en_note, "noted");
         });
       }, 1},
      {"an edit that changes nothing", [&] { edit(53, [](FLN_ENTRY&) {}); }, 0},
      {"click rating", [&] { click("myRate", true); }, 1},  // rating, title, size
      {"click created, author and size again", [&] {
         click("createDate", true);
         click("author", true);
         click("fileSize", false);
       }, 0},  // size, author, created
      {"a rating by field update while not a key", [&] {
         const int16_t rate = ZEL_EndianShort_NtoL(-30);
         Tesk_Ary_UpdateField(all.get(), 7, offsetof(FLN_ENTRY, en_my_rate), sizeof rate, &rate);
       }, 0},
      {"click rating again", [&] { click("myRate", false); }, 1},  // rating, size, author
      {"a created date by field update while not a key", [&] { setDate(11, "19990101000000000"); }, 0},
      {"click created: its date changed", [&] { click("createDate", true); }, 1},  // created, rating, size
      {"a created date by field update while a key", [&] { setDate(12, "30000101000000000"); }, 1},
      {"click size again, unchanged", [&] { click("fileSize", true); }, 0},  // size, created, rating
      {"entries selected", [&] {
         const uint8_t flag = 1;
         for (int32_t row = 0; row < Tesk_Ary_GetSize(all.get()); row += 4)
           Tesk_Ary_UpdateField(all.get(), row, offsetof(FLN_ENTRY, en_is_select_entrylist), sizeof flag, &flag);
       }, 0},
      {"swap two", [&] { Tesk_Ary_Swap(all.get(), 1, 250); }, 3},
      {"click title: its column moved too", [&] { click("title", false); }, 1},  // title, size, created
      {"delete one", [&] { Tesk_Ary_Remove(all.get(), 17); }, 3},
      {"import one", [&] {
         FLN_ENTRY entry = fixtures::MakeEntry(9000, {"漢字", "A", "あいう"});
         SET_FIELD_TEXT(entry, en_author_name, "𠮷野");
         Tesk_Ary_Add(all.get(), &entry);
       }, 3},
      {"undo: every record put back", [&] {
         Tesk_Ary_RemoveAll(all.get());
         for (auto it = entries.rbegin(); it != entries.rend(); ++it) Tesk_Ary_Add(all.get(), &*it);
       }, 3},
      {"click author, moved by the undo, then title", [&] {
         click("author", true);  // author, title, size
         click("title", true);   // title, author, size
       }, 1},
  };
  const std::string every = kCategoryAll;
  const fixtures::Triple choices[] = {{every, every, every}, {"漢字", every, every}, {every, "", every}};
  SortedEntryOrder order;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    const int64_t madeBefore = order.columnCount();
    step.act();
    for (const fixtures::Triple& choice : choices) {
      SCOPED_TRACE(testing::Message() << choice.c1 << "/" << choice.c2 << "/" << choice.c3);
      Ary reference = fixtures::NewAry(sizeof(FLN_ENTRY));
      ASSERT_EQ(0, QueryEntry(choice.c1.c_str(), choice.c2.c_str(), choice.c3.c_str(), all.get(), reference.get()));
      gEntryListInfo = info;
      Tesk_Ary_QuickSort(reference.get(), EntryListSortProc);
      std::vector<int32_t> rows;
      ASSERT_EQ(0, order.query(choice.c1.c_str(), choice.c2.c_str(), choice.c3.c_str(), all.get(), info, rows));
      Ary picked = fixtures::NewAry(sizeof(FLN_ENTRY));
      ASSERT_EQ(0, CopyEntryRows(all.get(), rows, picked.get()));
      ExpectSameRecords(reference.get(), picked.get());
    }
    EXPECT_EQ(step.columnsMade, order.columnCount() - madeBefore);
  }
}

// One kept order serves one array: another array of the same length, or an
// array that cannot be sorted, is never answered from it.
TEST(SortedEntryOrder, AnotherArrayIsSortedAfreshAndFailuresLeaveTheListEmpty) {
  const FLN_ENTRY_LIST_INFO info{{kEntryFieldTitle, 0, 0}, {1, 0, 0}};
  std::vector<FLN_ENTRY> entries = MixedEntries(50);
  const Ary first = fixtures::MakeEntryAry(entries);
  std::reverse(entries.begin(), entries.end());
  const Ary second = fixtures::MakeEntryAry(entries);
  SortedEntryOrder order;
  std::vector<int32_t> rows, fresh;
  ASSERT_EQ(0, order.query(kCategoryAll, kCategoryAll, kCategoryAll, first.get(), info, rows));
  ASSERT_EQ(0, order.query(kCategoryAll, kCategoryAll, kCategoryAll, second.get(), info, rows));
  ASSERT_EQ(0, QuerySortedRows(kCategoryAll, kCategoryAll, kCategoryAll, second.get(), info, fresh));
  EXPECT_EQ(fresh, rows);
  EXPECT_EQ(order.sortCount(), 2);

  Ary cats = fixtures::MakeCatsTable({{"A", "A", "A"}});
  rows = {9};
  EXPECT_EQ(-1, order.query(kCategoryAll, kCategoryAll, kCategoryAll, cats.get(), info, rows));
  EXPECT_TRUE(rows.empty());
  // The failure forgot the order: the first array is sorted again.
  ASSERT_EQ(0, order.query(kCategoryAll, kCategoryAll, kCategoryAll, second.get(), info, rows));
  EXPECT_EQ(fresh, rows);
  EXPECT_EQ(order.sortCount(), 3);
}

}  // namespace
