#include "categories/EntrySelection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "CategoryFixtures.h"
#include "FrozenClock.h"
#include "storage/TeskAryChanges.h"

using fixtures::Ary;

namespace {

TEST(SelectedRows, IndexesAndCount) {
  struct Case {
    std::vector<int> rows;
    std::vector<int32_t> ascending;
  } cases[] = {
      {{}, {}},
      {{0}, {0}},
      {{1, 3, 5}, {1, 3, 5}},
      {{5, 1, 3, 1, -2}, {1, 3, 5}},  // any order, repeats once, no negative rows
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.rows));
    Ary indexes = fixtures::NewAry(sizeof(int32_t));
    const int32_t kept = 9;
    Tesk_Ary_Add(indexes.get(), &kept);  // appended to, not emptied
    ASSERT_EQ(0, GetSelectedEntryIndexAry(c.rows, indexes.get()));
    std::vector<int32_t> expected = {9};
    expected.insert(expected.end(), c.ascending.begin(), c.ascending.end());
    EXPECT_EQ(expected, fixtures::RecordsOf<int32_t>(indexes.get()));
    EXPECT_EQ(static_cast<int32_t>(c.ascending.size()), GetSelectedEntryNum(c.rows));
  }
}

class EntrySelectionTest : public testing::Test {
 protected:
  void SetUp() override {
    std::vector<FLN_ENTRY> records;
    for (int32_t id = 1; id <= 5; ++id) {
      FLN_ENTRY entry = fixtures::MakeEntry(id);
      entry.en_is_select_entrylist = (id == 1 || id == 3) ? 1 : 0;
      memcpy(entry.en_update_date, kOldDate, sizeof entry.en_update_date);
      records.push_back(entry);
    }
    entries_ = fixtures::MakeEntryAry(records);
    data_.entry = entries_.get();
    data_.shownRows = {3, 1, 0};  // ids 4, 2, 1
  }

  static constexpr char kOldDate[18] = "20200101000000000";
  testsupport::FrozenClock clock_{QDateTime(QDate(2026, 2, 12), QTime(10, 30, 0, 250))};
  Ary entries_;
  FLN_DATA data_;
};

TEST_F(EntrySelectionTest, SelectedEntriesAreCopiesOfShownRows) {
  Ary selected = fixtures::MakeEntryAry({fixtures::MakeEntry(77)});
  ASSERT_EQ(0, GetSelectedEntryAry({2, 0, 7}, &data_, selected.get()));
  EXPECT_EQ((std::vector<int32_t>{77, 4, 1}), fixtures::IdsOf(selected.get()));
}

// Entries ids 1..5 at indexes 0..4; ids 1 and 3 flagged; rows show ids 4, 2, 1.
TEST_F(EntrySelectionTest, FlagsFollowTheSelectionAndOnlyFlagsThatChangeAreWritten) {
  const struct {
    std::vector<int> rows;
    std::vector<int32_t> selectedIds;
    int32_t changedFrom, changedTo;  // the records noted as changed for the next save
  } cases[] = {
      {{2, 0, 7}, {1, 4}, 2, 4},  // row 7 has no entry; id 3 cleared, id 4 set, id 1 kept
      {{2}, {1}, 2, 3},           // id 1 already flagged: only id 3 changes
      {{}, {}, 0, 3},             // ids 1 and 3 cleared
      {{1, 2}, {1, 2}, 1, 3},     // id 2 set, id 3 cleared
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.rows));
    SetUp();
    Tesk_Ary_ClearChanges(data_.entry);
    ASSERT_EQ(0, SetFlnEntryIsSelected(c.rows, &data_));
    int32_t from = -1, to = -1;
    Tesk_Ary_GetChanges(data_.entry, &from, &to);
    EXPECT_EQ(c.changedFrom, from);
    EXPECT_EQ(c.changedTo, to);
    for (int32_t i = 0; i < Tesk_Ary_GetSize(data_.entry); ++i) {
      FLN_ENTRY entry;
      Tesk_Ary_GetData(data_.entry, i, &entry);
      const int32_t id = ZEL_EndianLong_LtoN(entry.en_id);
      const bool selected = std::find(c.selectedIds.begin(), c.selectedIds.end(), id) != c.selectedIds.end();
      EXPECT_EQ(selected ? 1 : 0, entry.en_is_select_entrylist) << "id " << id;
      EXPECT_STREQ(kOldDate, entry.en_update_date) << "selecting is not an edit of the entry; id " << id;
    }
    EXPECT_EQ((std::vector<int32_t>{3, 1, 0}), data_.shownRows);
  }
}

TEST_F(EntrySelectionTest, EmptySelectionClearsEveryFlag) {
  ASSERT_EQ(0, SetFlnEntryIsSelected({}, &data_));
  for (int32_t i = 0; i < Tesk_Ary_GetSize(data_.entry); ++i) {
    FLN_ENTRY entry;
    Tesk_Ary_GetData(data_.entry, i, &entry);
    EXPECT_EQ(0, entry.en_is_select_entrylist);
    EXPECT_STREQ(kOldDate, entry.en_update_date);
  }
}

}  // namespace
