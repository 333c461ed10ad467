#include "categories/EntryCompare.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "CategoryFixtures.h"

using fixtures::Ary;

namespace {

int Sign(int value) { return value < 0 ? -1 : value > 0 ? 1 : 0; }

TEST(SortKeys, KindToColumnKeyAndBack) {
  const char* keys[] = {"",           "",           "title",          "cat1",        "cat2",
                        "cat3",       "fileName",   "fileSize",       "myRate",      "note",
                        "fileCreateDate", "createDate", "updateDate", "lastViewDate", "lastUseDate",
                        "author",     "editor",     "supervisor",     "translator",  "publisher"};
  for (int32_t kind = 0; kind < 20; ++kind) {
    char key[kSortKeyBufferSize];
    memset(key, 'x', sizeof key);
    GetSortKey_FromEntryFieldKind(kind, key);
    EXPECT_STREQ(keys[kind], key) << "kind " << kind;
    EXPECT_EQ(kind < 2 ? 0 : kind, GetEntryFieldKind_FromSortKey(keys[kind])) << keys[kind];
  }
  for (int32_t kind : {20, 21, -1, -100}) {
    char key[kSortKeyBufferSize] = "stale";
    GetSortKey_FromEntryFieldKind(kind, key);
    EXPECT_STREQ("", key) << "kind " << kind;
  }
  for (const char* key : {"Title", "title ", "cat4", "en_title", "fileSIZE"})
    EXPECT_EQ(0, GetEntryFieldKind_FromSortKey(key)) << key;
  EXPECT_EQ(0, GetEntryFieldKind_FromSortKey(nullptr));
}

FLN_ENTRY WithTitle(int32_t id, const std::string& title) {
  FLN_ENTRY entry = fixtures::MakeEntry(id);
  SET_FIELD_TEXT(entry, en_title, title);
  return entry;
}

TEST(CompareFlnEntryItem, ByFieldClassAndDirection) {
  FLN_ENTRY empty = WithTitle(1, "");
  FLN_ENTRY latin = WithTitle(2, "Zeta");
  FLN_ENTRY lower = WithTitle(3, "alpha");
  FLN_ENTRY japanese = WithTitle(4, "あいう");
  SET_FIELD_TEXT(latin, en_author_name, "佐藤");
  SET_FIELD_TEXT(lower, en_author_name, "佐藤");
  latin.en_file_size = ZEL_EndianLong_NtoL(3 * 1024 * 1024);
  lower.en_file_size = ZEL_EndianLong_NtoL(20 * 1024);
  empty.en_file_size = ZEL_EndianLong_NtoL(-5);
  latin.en_my_rate = ZEL_EndianShort_NtoL(-2);
  lower.en_my_rate = ZEL_EndianShort_NtoL(3);
  memcpy(latin.en_create_date, "20260101000000000", 18);
  memcpy(lower.en_create_date, "20251231235959999", 18);

  struct Case {
    int32_t kind;
    uint8_t ascend;
    const FLN_ENTRY* a;
    const FLN_ENTRY* b;
    int sign;
  } cases[] = {
      {kEntryFieldTitle, 1, &empty, &latin, -1},  // empty text first
      {kEntryFieldTitle, 1, &latin, &lower, -1},  // bytes, no case folding
      {kEntryFieldTitle, 1, &lower, &japanese, -1},
      {kEntryFieldTitle, 0, &lower, &japanese, 1},
      {kEntryFieldTitle, 2, &lower, &japanese, 1},  // anything but 1 is descending
      {kEntryFieldTitle, 1, &latin, &latin, 0},
      {kEntryFieldAuthor, 1, &latin, &lower, 0},
      {kEntryFieldAuthor, 1, &empty, &lower, -1},
      {kEntryFieldFileSize, 0, &latin, &lower, -1},  // 3 MB before 20 KB descending
      {kEntryFieldFileSize, 1, &latin, &lower, 1},
      {kEntryFieldFileSize, 1, &empty, &lower, -1},  // signed
      {kEntryFieldMyRate, 1, &latin, &lower, -1},
      {kEntryFieldMyRate, 0, &latin, &lower, 1},
      {kEntryFieldCreateDate, 1, &lower, &latin, -1},
      {kEntryFieldCreateDate, 1, &empty, &lower, -1},  // empty date first
      {kEntryFieldCreateDate, 0, &empty, &lower, 1},
      {kEntryFieldUpdateDate, 1, &lower, &latin, 0},
      {kEntryFieldNone, 1, &empty, &latin, 0},
      {kEntryFieldUnused, 1, &empty, &latin, 0},
      {20, 1, &empty, &latin, 0},
      {-3, 1, &empty, &latin, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.sign, Sign(CompareFlnEntryItem(c.kind, c.ascend, c.a, c.b)))
        << "kind " << c.kind << " ascend " << int(c.ascend) << " ids "
        << ZEL_EndianLong_LtoN(c.a->en_id) << "," << ZEL_EndianLong_LtoN(c.b->en_id);
}

TEST(CompareFlnEntryItem, LongNotesCompareInFull) {
  // 250 Japanese characters are 750 bytes of UTF-8: the difference is at the end.
  std::string note;
  for (int i = 0; i < 249; ++i) note += "あ";
  FLN_ENTRY a = fixtures::MakeEntry(1);
  FLN_ENTRY b = fixtures::MakeEntry(2);
  SET_FIELD_TEXT(a, en_note, note + "い");
  SET_FIELD_TEXT(b, en_note, note + "う");
  EXPECT_LT(CompareFlnEntryItem(kEntryFieldNote, 1, &a, &b), 0);
  EXPECT_GT(CompareFlnEntryItem(kEntryFieldNote, 0, &a, &b), 0);
}

TEST(EntryListSortProc, KeysThenGreaterIdFirst) {
  struct Row {
    int32_t id;
    int32_t size;
    const char* title;
    const char* author;
  };
  const Row rows[] = {
      {1, 20480, "b", "a"}, {2, 3145728, "a", "y"}, {3, 20480, "a", "z"},
      {4, 20480, "a", "w"}, {5, -1, "c", "v"},      {6, 20480, "b", "x"},
  };
  std::vector<FLN_ENTRY> entries;
  for (const Row& row : rows) {
    FLN_ENTRY entry = WithTitle(row.id, row.title);
    SET_FIELD_TEXT(entry, en_author_name, row.author);
    entry.en_file_size = ZEL_EndianLong_NtoL(row.size);
    entries.push_back(entry);
  }
  struct Case {
    const char* what;
    FLN_ENTRY_LIST_INFO info;
    std::vector<int32_t> ids;
  } cases[] = {
      {"size descending, title, then greater id", {{7, 2, 0}, {0, 1, 0}}, {2, 4, 3, 6, 1, 5}},
      {"size ascending, title", {{7, 2, 0}, {1, 1, 0}}, {5, 4, 3, 6, 1, 2}},
      {"size only: ties by greater id", {{7, 0, 2}, {0, 1, 1}}, {2, 6, 4, 3, 1, 5}},
      {"three keys", {{7, 2, 15}, {0, 1, 1}}, {2, 4, 3, 1, 6, 5}},
      {"kind 1 as key 2 still lets key 3 count", {{7, 1, 2}, {0, 1, 1}}, {2, 4, 3, 6, 1, 5}},
      {"key 3 unused without key 2: greater id first", {{0, 0, 2}, {1, 1, 1}}, {6, 5, 4, 3, 2, 1}},
      {"title descending", {{2, 0, 0}, {0, 0, 0}}, {5, 6, 1, 4, 3, 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Ary ary = fixtures::MakeEntryAry(entries);
    gEntryListInfo = c.info;
    Tesk_Ary_QuickSort(ary.get(), EntryListSortProc);
    EXPECT_EQ(c.ids, fixtures::IdsOf(ary.get()));
  }
  // Never 0 for two different entries, whatever the keys.
  gEntryListInfo = FLN_ENTRY_LIST_INFO{{0, 0, 0}, {1, 0, 0}};
  EXPECT_EQ(-1, EntryListSortProc(&entries[5], &entries[0]));
  EXPECT_EQ(1, EntryListSortProc(&entries[0], &entries[5]));
  EXPECT_EQ(0, EntryListSortProc(&entries[0], &entries[0]));
}

}  // namespace
