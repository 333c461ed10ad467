#include "categories/EntrySortColumns.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "CategoryFixtures.h"
#include "categories/EntryCompare.h"
#include "storage/TeskAryChanges.h"

using fixtures::Ary;

namespace {

// Writes `units` into a text field as they are, little-endian, without
// adding a mark or a zero unit; the rest of the field keeps its bytes.
template <size_t N>
void PutUnits(FlnUniChar (&field)[N], const std::u16string& units) {
  for (size_t i = 0; i < units.size() && i < N; ++i)
    field[i] = static_cast<FlnUniChar>(ZEL_EndianShort_NtoL(static_cast<int16_t>(units[i])));
}

// Texts and dates at the edges of reading a column: beginnings shared for 8,
// 16 and 24 bytes and more, equal texts, a field filled to its end with no
// zero unit, stale units after the zero that ends a shorter text, texts
// without the leading mark, surrogate pairs and lone halves, the units on
// either side of the surrogates (U+D7FF, U+E000, U+FFFF) whose UTF-8 order
// is not their UTF-16 order; dates without a zero byte, with stale bytes
// after it, and with bytes above 0x7F; numbers at their limits.
std::vector<FLN_ENTRY> EdgeEntries() {
  const std::string shared = "Introduction to the Theory of ";
  const std::vector<std::string> texts = {
      "", "I", "Introduction", shared, shared + "Computation", shared + "Computing", shared + "Computation",
      "入門", "入門　データ構造", "入門　データ構造の基本", "𠮷野家", "😀", "\xEF\xBF\xBF", "\xEE\x80\x80",
      "\xED\x9F\xBF", "ｚ"};
  const std::u16string rawTexts[] = {
      {0xFEFF, 'a', 'b', 0xD800, 'c'},  // a lone high half
      {0xFEFF, 0xDC00},                 // a lone low half
      {0xFEFF, 0xD83D, 0xDE00, 'x'},    // a pair, as written
      u"no mark",
  };
  const char* dates[] = {"", "20260101000000000", "20251231235959999", "20260101000000001", "2026", "\xFF"};
  const int32_t sizes[] = {INT32_MIN, -1, 0, 1, INT32_MAX};
  const int16_t rates[] = {INT16_MIN, -1, 0, 5, INT16_MAX};

  std::mt19937 random(20261211);
  const auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
  std::vector<FLN_ENTRY> entries;
  for (int32_t i = 0; i < 120; ++i) {
    FLN_ENTRY entry = fixtures::MakeEntry(1000 - i * 7);
    for (FlnUniChar* field : {entry.en_title, entry.en_author_name, entry.en_note, entry.en_publisher_name}) {
      const size_t bytes = field == entry.en_note ? sizeof entry.en_note : sizeof entry.en_title;
      testsupport::SetText(field, bytes, texts[pick(texts.size())]);
    }
    switch (i % 6) {
      case 0: {  // stale units after the zero of a shorter text
        PutUnits(entry.en_title, u"\uFEFFIntroduction to the Theory of Computation");
        PutUnits(entry.en_title, u"\uFEFFIntroduction to the Theory of ");
        entry.en_title[31] = 0;
        break;
      }
      case 1: {  // the whole field is text, no zero unit anywhere
        for (size_t u = 0; u < std::size(entry.en_author_name); ++u)
          entry.en_author_name[u] = ZEL_EndianShort_NtoL(static_cast<int16_t>(u == 0 ? 0xFEFF : 'a' + u % 3));
        break;
      }
      case 2:
        memset(entry.en_title, 0, sizeof entry.en_title);
        PutUnits(entry.en_title, rawTexts[pick(std::size(rawTexts))]);
        break;
      default:
        break;
    }
    const char* created = dates[pick(std::size(dates))];
    memcpy(entry.en_create_date, created, strlen(created) + 1);
    if (i % 5 == 0) memset(entry.en_update_date, '9', sizeof entry.en_update_date);  // no zero byte
    if (i % 5 == 1) memcpy(entry.en_update_date, "2026\0stale bytes", 16);
    if (i % 5 == 2) memcpy(entry.en_update_date, "2026\0other bytes", 16);
    entry.en_file_size = ZEL_EndianLong_NtoL(sizes[pick(std::size(sizes))]);
    entry.en_my_rate = ZEL_EndianShort_NtoL(rates[pick(std::size(rates))]);
    entries.push_back(entry);
  }
  return entries;
}

int Sign(int64_t value) { return value < 0 ? -1 : value > 0 ? 1 : 0; }

// For every field kind, the column of the entries at `rows` orders every pair
// of them as the entry comparison does, ties included.
TEST(MakeSortColumn, OrdersEveryPairAsTheEntryComparison) {
  const std::vector<FLN_ENTRY> entries = EdgeEntries();
  const Ary ary = fixtures::MakeEntryAry(entries);
  std::vector<int32_t> all, someRows;
  for (int32_t row = 0; row < static_cast<int32_t>(entries.size()); ++row) {
    all.push_back(row);
    if (row % 3 != 1) someRows.push_back(row);
  }
  int wasLocked = 0;
  Tesk_Ary_Lock(ary.get(), &wasLocked);
  for (const std::vector<int32_t>* rows : {&all, &someRows}) {
    for (int32_t kind = kEntryFieldTitle; kind <= kEntryFieldPublisher; ++kind) {
      SCOPED_TRACE(testing::Message() << "kind " << kind << ", " << rows->size() << " rows");
      const std::vector<uint32_t> column = MakeSortColumn(ary.get(), *rows, *GetEntryFieldInfo(kind));
      ASSERT_EQ(rows->size(), column.size());
      int ties = 0;
      for (size_t i = 0; i < rows->size(); ++i)
        for (size_t j = 0; j < rows->size(); ++j) {
          const FLN_ENTRY& a = entries[static_cast<size_t>((*rows)[i])];
          const FLN_ENTRY& b = entries[static_cast<size_t>((*rows)[j])];
          const int expected = Sign(CompareFlnEntryItem(kind, 1, &a, &b));
          ASSERT_EQ(expected, Sign(int64_t{column[i]} - int64_t{column[j]})) << "rows " << i << ", " << j;
          ties += i != j && expected == 0;
        }
      EXPECT_GT(ties, 0);  // the table has equal values in every field
    }
  }
  Tesk_Ary_Unlock(ary.get(), wasLocked);
}

// Ids order as signed numbers, at their limits too.
TEST(MakeIdColumn, OrdersAsTheSignedIds) {
  const int32_t ids[] = {5, INT32_MIN, -1, 0, INT32_MAX, 5, -7};
  std::vector<FLN_ENTRY> entries;
  for (const int32_t id : ids) entries.push_back(fixtures::MakeEntry(id));
  const Ary ary = fixtures::MakeEntryAry(entries);
  std::vector<int32_t> rows(std::size(ids));
  for (size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<int32_t>(i);
  int wasLocked = 0;
  Tesk_Ary_Lock(ary.get(), &wasLocked);
  const std::vector<uint32_t> column = MakeIdColumn(ary.get(), rows);
  Tesk_Ary_Unlock(ary.get(), wasLocked);
  for (size_t i = 0; i < rows.size(); ++i)
    for (size_t j = 0; j < rows.size(); ++j)
      EXPECT_EQ(Sign(int64_t{ids[i]} - ids[j]), Sign(int64_t{column[i]} - int64_t{column[j]})) << i << ", " << j;
}

// The order of positions: keys in turn, each in its direction, kinds without
// a field skipped, key 3 unused without key 2, then the greater id, then the
// smaller position.
TEST(OrderByKeys, KeysInTurnThenGreaterIdThenPosition) {
  // Columns for kinds 2 (title), 7 (size) and 15 (author); ids.
  const std::vector<uint32_t> title = {1, 0, 1, 1, 0, 1};
  const std::vector<uint32_t> size = {5, 5, 3, 5, 9, 5};
  const std::vector<uint32_t> author = {0, 2, 2, 1, 0, 0};
  const std::vector<uint32_t> ids = {10, 11, 12, 13, 14, 10};
  const auto columnOf = [&](int32_t kind, const EntryFieldInfo&) -> const std::vector<uint32_t>& {
    return kind == kEntryFieldTitle ? title : kind == kEntryFieldFileSize ? size : author;
  };
  struct Case {
    FLN_ENTRY_LIST_INFO info;
    std::vector<int32_t> order;
  } cases[] = {
      {{{2, 7, 15}, {1, 1, 1}}, {1, 4, 2, 0, 5, 3}},
      {{{2, 7, 15}, {0, 0, 0}}, {3, 0, 5, 2, 4, 1}},
      {{{7, 2, 0}, {0, 1, 1}}, {4, 1, 3, 0, 5, 2}},  // equal on both keys: greater id first
      {{{15, 0, 2}, {1, 1, 1}}, {4, 0, 5, 3, 2, 1}},  // key 3 unused; ids 10 twice: position
      {{{20, 15, 2}, {1, 0, 1}}, {1, 2, 3, 4, 0, 5}},  // no field for 20
      {{{0, 0, 0}, {1, 1, 1}}, {4, 3, 2, 1, 0, 5}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "kinds " << c.info.sortFieldKind[0] << "," << c.info.sortFieldKind[1] << ","
                                    << c.info.sortFieldKind[2]);
    EXPECT_EQ(c.order, OrderByKeys(c.info, ids.size(), columnOf, ids));
  }
}

}  // namespace
