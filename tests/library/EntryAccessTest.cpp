#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "LibraryTestSupport.h"
#include "library/FlnAttachment.h"
#include "library/FlnCreateCats.h"
#include "library/FlnEntryLookup.h"
#include "library/FlnIdCounter.h"
#include "library/FlnLoad.h"
#include "library/FlnSave.h"
#include "format/Endian.h"
#include "storage/TeskAryChanges.h"

using namespace libtest;

namespace {

Ary EntriesWithIds(std::initializer_list<int32_t> ids) {
  Ary entries = NewAry(sizeof(FLN_ENTRY));
  for (int32_t id : ids) {
    const FLN_ENTRY e = MakeEntry(id, "entry " + std::to_string(id));
    Tesk_Ary_Add(entries.get(), &e);
  }
  return entries;
}

std::vector<int32_t> IdsOf(TESK_ARY ary) {
  std::vector<int32_t> ids;
  for (int32_t i = 0; i < Tesk_Ary_GetSize(ary); ++i) {
    FLN_ENTRY e;
    Tesk_Ary_GetData(ary, i, &e);
    ids.push_back(ZEL_EndianLong_LtoN(e.en_id));
  }
  return ids;
}

std::vector<uint8_t> ArrayBytes(TESK_ARY ary) {
  std::vector<uint8_t> bytes(static_cast<size_t>(Tesk_Ary_GetSize(ary)) * static_cast<size_t>(ary->recordSize));
  for (int32_t i = 0; i < Tesk_Ary_GetSize(ary); ++i)
    Tesk_Ary_GetData(ary, i, bytes.data() + static_cast<size_t>(i) * static_cast<size_t>(ary->recordSize));
  return bytes;
}

TEST(GetFLNEntry_ByFLNData, CopiesTheEntryOfAShownRowAndLeavesOutAloneOtherwise) {
  Ary entries = EntriesWithIds({5, 6, 7, 8});
  FLN_DATA data;
  data.entry = entries.get();
  data.shownRows = {3, 0, 2, 9};  // row 3 names no entry (as after a careless delete)

  FLN_ENTRY out;
  ASSERT_EQ(GetFLNEntry_ByFLNData(&data, 0, &out), 1);
  EXPECT_EQ(Host(out.en_id), 8);
  ASSERT_EQ(GetFLNEntry_ByFLNData(&data, 2, &out), 1);
  EXPECT_EQ(Host(out.en_id), 7);
  // Read in place: the row shows the library's own record, not a copy.
  EXPECT_EQ(ShownEntry(&data, 1), Tesk_Ary_GetDataPtr(entries.get(), 0));
  for (int32_t row : {-1, 3, 4, 100}) {
    SCOPED_TRACE(row);
    EXPECT_EQ(ShownEntry(&data, row), nullptr);
    std::memset(&out, 0xAB, sizeof out);
    EXPECT_EQ(GetFLNEntry_ByFLNData(&data, row, &out), 0);
    for (size_t i = 0; i < sizeof out; ++i) ASSERT_EQ(reinterpret_cast<uint8_t*>(&out)[i], 0xAB) << i;
  }
  data.entry = nullptr;
  EXPECT_EQ(GetFLNEntry_ByFLNData(&data, 0, &out), 0);
}

// Removing records shifts every later record down by the number removed
// before it: rows must follow, or they would show the wrong entry (or none)
// until the list is made again.
TEST(ForgetEntryRows, RowsOfTheRemovedRecordsGoAndLaterOnesMoveDown) {
  const struct {
    std::vector<int32_t> rows;
    std::vector<int32_t> removed;
    std::vector<int32_t> after;
  } cases[] = {
      {{4, 0, 2, 3}, {2}, {3, 0, 2}},  // sorted list, the removed one in the middle
      {{4, 0, 2, 3}, {0}, {3, 1, 2}},
      {{4, 0, 2, 3}, {4}, {0, 2, 3}},
      {{1, 3}, {2}, {1, 2}},           // removed entry not listed: rows still move
      {{}, {0}, {}},
      {{4, 0, 2, 3}, {}, {4, 0, 2, 3}},
      {{6, 0, 5, 2, 3, 1}, {0, 3}, {4, 3, 1, 0}},  // each row down by those removed before it
      {{6, 0, 5, 2, 3, 1}, {1, 2, 3}, {3, 0, 2}},  // an adjacent run
      {{6, 0, 5, 2, 3, 1}, {0, 1, 2, 3, 5, 6}, {}},
      {{7, 2, 5}, {1, 3, 4, 6}, {3, 1, 2}},       // none of the removed ones listed
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.removed));
    FLN_DATA data;
    data.shownRows = c.rows;
    ForgetEntryRows(&data, c.removed);
    EXPECT_EQ(data.shownRows, c.after);
  }
}

TEST(UpdateEntry, ReplacesTheRecordWithTheSameIdAndStampsIt) {
  FrozenClock clock(FixedTime());
  Ary entries = EntriesWithIds({1, 2, 3});
  FLN_ENTRY changed = MakeEntry(2, "new title");
  ASSERT_EQ(UpdateEntry(entries.get(), &changed), 1);
  EXPECT_EQ(Chars(changed.en_update_date, 18), kFixedDate);

  FLN_ENTRY stored;
  Tesk_Ary_GetData(entries.get(), 1, &stored);
  EXPECT_EQ(std::memcmp(&stored, &changed, sizeof stored), 0);
  Tesk_Ary_GetData(entries.get(), 0, &stored);
  EXPECT_EQ(FIELD_TEXT(stored, en_title), "entry 1");
  EXPECT_EQ(Chars(stored.en_update_date, 18), "");
}

TEST(UpdateEntry, AnUnknownIdChangesNothing) {
  FrozenClock clock(FixedTime());
  Ary entries = EntriesWithIds({1, 2, 3});
  const std::vector<uint8_t> before = ArrayBytes(entries.get());
  FLN_ENTRY stranger = MakeEntry(9, "stranger");
  const FLN_ENTRY callerCopy = stranger;
  EXPECT_EQ(UpdateEntry(entries.get(), &stranger), 0);
  EXPECT_EQ(ArrayBytes(entries.get()), before);
  EXPECT_EQ(std::memcmp(&stranger, &callerCopy, sizeof stranger), 0);
  EXPECT_EQ(UpdateEntry(nullptr, &stranger), 0);
}

// Each kind of change the windows and commands make to the entries, on
// entries 1 to 6 (one retitled through UpdateEntry, so that the index of
// en_id exists before), with the en_ids in order afterwards.
struct EntryChange {
  const char* what;
  std::function<void(TESK_ARY)> change;
  std::vector<int32_t> ids;
};

int Retitle(TESK_ARY a, int32_t id, const std::string& title) {
  FLN_ENTRY e = MakeEntry(id, title);
  return UpdateEntry(a, &e);
}

std::vector<EntryChange> EveryKindOfEntryChange() {
  const auto add = [](TESK_ARY a, int32_t id) {
    const FLN_ENTRY e = MakeEntry(id, "entry " + std::to_string(id));
    Tesk_Ary_Add(a, &e);
  };
  return {
      {"an import", [=](TESK_ARY a) { add(a, 7); }, {1, 2, 3, 4, 5, 6, 7}},
      {"a merge of several", [=](TESK_ARY a) { for (int32_t id : {9, 8, 10}) add(a, id); },
       {1, 2, 3, 4, 5, 6, 9, 8, 10}},
      {"a delete", [](TESK_ARY a) { Tesk_Ary_Remove(a, 1); }, {1, 3, 4, 5, 6}},
      {"deletes and an import of an id held", [=](TESK_ARY a) { Tesk_Ary_Remove(a, 0); Tesk_Ary_Remove(a, 3); add(a, 2); },
       {2, 3, 4, 6, 2}},
      {"deletes in one pass", [](TESK_ARY a) {
         const int32_t gone[] = {0, 2, 5};
         Tesk_Ary_RemoveMany(a, gone, 3);
       }, {2, 4, 5}},
      {"an import at the front of an id held", [](TESK_ARY a) {
         const FLN_ENTRY e = MakeEntry(5, "front");
         Tesk_Ary_Insert(a, 0, &e);
       }, {5, 1, 2, 3, 4, 5, 6}},
      {"edits one after another", [](TESK_ARY a) { Retitle(a, 5, "x"); Retitle(a, 2, "y"); }, {1, 2, 3, 4, 5, 6}},
      {"an edit at a known position", [](TESK_ARY a) {
         FLN_ENTRY e = MakeEntry(3, "z");
         UpdateEntryAt(a, 2, &e);
       }, {1, 2, 3, 4, 5, 6}},
      {"an edit that changes the id", [](TESK_ARY a) {
         FLN_ENTRY e = MakeEntry(11, "renumbered");
         Tesk_Ary_Update(a, 3, &e);
       }, {1, 2, 3, 11, 5, 6}},
      {"an edit that gives an id held later", [](TESK_ARY a) {
         FLN_ENTRY e = MakeEntry(6, "twin");
         Tesk_Ary_Update(a, 1, &e);
       }, {1, 6, 3, 4, 5, 6}},
      {"an id written through the record's address", [](TESK_ARY a) {
         static_cast<FLN_ENTRY*>(Tesk_Ary_GetDataPtr(a, 0))->en_id = ZEL_EndianLong_NtoL(12);
       }, {12, 2, 3, 4, 5, 6}},
      {"a selection flag set", [](TESK_ARY a) {
         const int16_t on = 1;
         for (int32_t i = 0; i < Tesk_Ary_GetSize(a); ++i)
           Tesk_Ary_UpdateField(a, i, offsetof(FLN_ENTRY, en_is_select_entrylist), sizeof on, &on);
       }, {1, 2, 3, 4, 5, 6}},
      {"a sort in place", [](TESK_ARY a) {
         Tesk_Ary_QuickSort(a, [](const void* x, const void* y) {
           return std::memcmp(&static_cast<const FLN_ENTRY*>(y)->en_id, &static_cast<const FLN_ENTRY*>(x)->en_id, 4);
         });
       }, {6, 5, 4, 3, 2, 1}},
  };
}

// UpdateEntry finds entries through the array's index of en_id: whatever
// changed the entries before (each kind of change the windows make), every
// id present updates its own record and no other (the first of an id held
// twice), and an id gone updates nothing.
TEST(UpdateEntry, FindsTheRightRecordAfterEveryKindOfChange) {
  FrozenClock clock(FixedTime());
  for (const EntryChange& c : EveryKindOfEntryChange()) {
    SCOPED_TRACE(c.what);
    Ary entries = EntriesWithIds({1, 2, 3, 4, 5, 6});
    ASSERT_EQ(Retitle(entries.get(), 4, "before"), 1);  // the index exists before the change
    c.change(entries.get());
    ASSERT_EQ(IdsOf(entries.get()), c.ids);
    for (int32_t id = 1; id <= 12; ++id) {
      const std::string title = "updated " + std::to_string(id);
      const auto first = std::find(c.ids.begin(), c.ids.end(), id);
      const std::vector<uint8_t> before = ArrayBytes(entries.get());
      ASSERT_EQ(Retitle(entries.get(), id, title), first != c.ids.end() ? 1 : 0) << id;
      for (int32_t i = 0; i < Tesk_Ary_GetSize(entries.get()); ++i) {
        FLN_ENTRY stored;
        Tesk_Ary_GetData(entries.get(), i, &stored);
        const bool target = first != c.ids.end() && i == first - c.ids.begin();
        EXPECT_EQ(FIELD_TEXT(stored, en_title) == title, target) << "id " << id << " record " << i;
        if (!target) {
          EXPECT_EQ(std::memcmp(&stored, before.data() + static_cast<size_t>(i) * sizeof stored, sizeof stored), 0)
              << "id " << id << " record " << i;
        }
      }
    }
  }
}

// GetFLNEntry_ByID gives what a walk from the first entry gives, whatever
// changed the entries before: the first entry of the id (of one held twice,
// the earlier), copied whole, and for an id gone nothing, `out` untouched.
// Asked between the changes too, so that its own lookups are part of what
// each change must keep true.
TEST(GetFLNEntry_ByID, FindsTheFirstEntryOfTheIdAsAWalkDoes) {
  FrozenClock clock(FixedTime());
  for (const EntryChange& c : EveryKindOfEntryChange()) {
    SCOPED_TRACE(c.what);
    Ary entries = EntriesWithIds({1, 2, 3, 4, 5, 6});
    ASSERT_EQ(Retitle(entries.get(), 4, "before"), 1);
    FLN_ENTRY out;
    ASSERT_EQ(GetFLNEntry_ByID(entries.get(), 6, &out), 1);
    c.change(entries.get());
    ASSERT_EQ(IdsOf(entries.get()), c.ids);
    for (int32_t id = -1; id <= 13; ++id) {
      const auto first = std::find(c.ids.begin(), c.ids.end(), id);
      std::memset(&out, 0xA5, sizeof out);
      const FLN_ENTRY untouched = out;
      ASSERT_EQ(GetFLNEntry_ByID(entries.get(), id, &out), first != c.ids.end() ? 1 : 0) << id;
      if (first == c.ids.end()) {
        EXPECT_EQ(std::memcmp(&out, &untouched, sizeof out), 0) << id;
        continue;
      }
      const std::vector<uint8_t> bytes = ArrayBytes(entries.get());
      EXPECT_EQ(std::memcmp(&out, bytes.data() + static_cast<size_t>(first - c.ids.begin()) * sizeof out, sizeof out), 0)
          << id;
    }
  }
  FLN_ENTRY out;
  EXPECT_EQ(GetFLNEntry_ByID(nullptr, 1, &out), 0);
  Ary labels = NewAry(sizeof(FLN_LABEL));
  const FLN_LABEL label{ZEL_EndianLong_NtoL(1), 0, {}, {}, {}, {}};
  Tesk_Ary_Add(labels.get(), &label);
  EXPECT_EQ(GetFLNEntry_ByID(labels.get(), 1, &out), 0) << "an array of other records holds no entry";
}

TEST(GetAttachmentIndex, FindsTheFirstAttachmentOfTheEntry) {
  Ary entries = EntriesWithIds({10, 11, 12});
  Ary attachments = NewAry(sizeof(FLN_ATTACHMENT));
  for (const FLN_ATTACHMENT& a : {MakeAttachment(0, 12, 4), MakeAttachment(1, 10, 0), MakeAttachment(2, 12, 9)})
    Tesk_Ary_Add(attachments.get(), &a);
  const struct {
    int32_t entryIndex;
    int32_t expected;
  } cases[] = {{0, 0}, {1, -1}, {2, 4}, {-1, -1}, {3, -1}};
  for (const auto& c : cases)
    EXPECT_EQ(GetAttachmentIndex(entries.get(), attachments.get(), c.entryIndex), c.expected) << c.entryIndex;
  EXPECT_EQ(GetAttachmentIndex(entries.get(), nullptr, 0), -1);
}

TEST(CreateFlnCats, AppendsATripleWithTheNextIdAndDates) {
  FrozenClock clock(FixedTime());
  Ary counters = NewAry(sizeof(FLN_ID_COUNTER));
  Ary cats = NewAry(sizeof(FLN_CATS));
  ASSERT_EQ(CreateFlnCats("技術書", "", "Qt", counters.get(), cats.get()), 0);
  ASSERT_EQ(CreateFlnCats("技術書", "", "Qt", counters.get(), cats.get()), 0);  // no search for an equal triple
  ASSERT_EQ(Tesk_Ary_GetSize(cats.get()), 2);
  FLN_CATS second;
  Tesk_Ary_GetData(cats.get(), 1, &second);
  EXPECT_EQ(Host(second.ct_id), 1);
  EXPECT_EQ(FIELD_TEXT(second, cat1Name), "技術書");
  EXPECT_EQ(FIELD_TEXT(second, cat2Name), "");
  EXPECT_EQ(FIELD_TEXT(second, cat3Name), "Qt");
  EXPECT_EQ(Chars(second.createDate, 18), kFixedDate);
  EXPECT_EQ(Chars(second.updateDate, 18), kFixedDate);
}

// A name that does not fit its field would be stored empty; it is refused
// instead, before an identifier is used up.
TEST(CreateFlnCats, RefusesANameThatDoesNotFitItsField) {
  Ary counters = NewAry(sizeof(FLN_ID_COUNTER));
  Ary cats = NewAry(sizeof(FLN_CATS));
  const std::string fits(126, 'a'), tooLong(127, 'a');
  EXPECT_EQ(CreateFlnCats("x", tooLong.c_str(), "z", counters.get(), cats.get()), -1);
  EXPECT_EQ(Tesk_Ary_GetSize(cats.get()), 0);
  EXPECT_EQ(Tesk_Ary_GetSize(counters.get()), 0);
  ASSERT_EQ(CreateFlnCats("x", fits.c_str(), "z", counters.get(), cats.get()), 0);
  FLN_CATS stored;
  Tesk_Ary_GetData(cats.get(), 0, &stored);
  EXPECT_EQ(Host(stored.ct_id), 0);
  EXPECT_EQ(FIELD_TEXT(stored, cat2Name), fits);
}

}  // namespace
