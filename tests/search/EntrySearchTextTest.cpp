#include "search/EntrySearchText.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "SearchFixtures.h"
#include "categories/EntrySort.h"
#include "format/EntryFieldKind.h"
#include "library/FlnSave.h"
#include "search/EntryFilter.h"
#include "storage/TeskAryChanges.h"

using searchfixtures::EntriesFoldedEveryWay;
using searchfixtures::MakeEntry;
using searchfixtures::MakeEntryAry;
using searchfixtures::ReferenceSearchText;
using testsupport::Ary;

namespace {

Ary Library() {
  return MakeEntryAry({
      MakeEntry(1, {"Deep Learning", "deep.pdf", "", "", "", "", "", "", ""}),
      MakeEntry(2, {"統計学入門", "toukei.pdf", "山田太郎", "", "", "", "", "", ""}),
      MakeEntry(3, {"Notes", "a.pdf", "", "Editor Eve", "", "", "", "", ""}),
      MakeEntry(4, {"", "b.pdf", "", "", "Supervisor Sam", "岩波書店", "", "", ""}),
      MakeEntry(5, {"", "c.pdf", "", "", "", "", "Translator Tom", "", ""}),
      MakeEntry(6, {"ＡＢＣ予想", "ｶﾀｶﾅ.pdf", "", "", "", "", "", "読了。deep な内容", ""}),
  });
}

FLN_ENTRY RecordAt(TESK_ARY entries, int32_t position) {
  FLN_ENTRY entry;
  Tesk_Ary_GetData(entries, position, &entry);
  return entry;
}

// The texts are those a fresh fold of every record gives, position by position.
void ExpectFreshFold(const EntrySearchText& texts, TESK_ARY entries) {
  EXPECT_TRUE(texts.inStepWith(entries));
  ASSERT_EQ(texts.size(), Tesk_Ary_GetSize(entries));
  for (int32_t i = 0; i < texts.size(); ++i)
    ASSERT_EQ(texts.textAt(i), ReferenceSearchText(RecordAt(entries, i))) << "position " << i;
}

void Retitle(TESK_ARY entries, int32_t position, const char* title) {
  FLN_ENTRY entry = RecordAt(entries, position);
  std::memset(entry.en_title, 0, sizeof entry.en_title);
  SET_FIELD_TEXT(entry, en_title, std::string(title));
  UpdateEntry(entries, &entry);
}

struct Change {
  const char* what;
  std::function<void(TESK_ARY)> change;
  bool keepsTexts;  // no searchable byte changed: the texts stay in step
};

std::vector<Change> EveryKindOfChange() {
  const auto add = [](TESK_ARY a, int32_t id, const char* title) {
    const FLN_ENTRY entry = MakeEntry(id, {title, "new.pdf", "", "", "", "", "", "", ""});
    Tesk_Ary_Add(a, &entry);
  };
  return {
      {"an import", [=](TESK_ARY a) { add(a, 7, "Imported"); }, false},
      {"a merge of several", [=](TESK_ARY a) { for (int32_t id : {7, 8, 9}) add(a, id, "Merged"); }, false},
      {"a delete of the first", [](TESK_ARY a) { Tesk_Ary_Remove(a, 0); }, false},
      {"a delete in the middle", [](TESK_ARY a) { Tesk_Ary_Remove(a, 3); }, false},
      {"a delete of the last", [](TESK_ARY a) { Tesk_Ary_Remove(a, 5); }, false},
      {"deletes, an edit and an import",
       [=](TESK_ARY a) {
         Tesk_Ary_Remove(a, 1);
         Retitle(a, 3, "Edited");
         Tesk_Ary_Remove(a, 0);
         add(a, 7, "Imported");
       },
       false},
      {"an edit through the record", [](TESK_ARY a) { Retitle(a, 2, "Shallow Notes"); }, false},
      {"an edit at a known position",
       [](TESK_ARY a) {
         FLN_ENTRY entry = RecordAt(a, 4);
         SET_FIELD_TEXT(entry, en_note, std::string("a new note"));
         UpdateEntryAt(a, 4, &entry);
       },
       false},
      {"an edit of several searched fields",
       [](TESK_ARY a) {
         FLN_ENTRY entry = RecordAt(a, 3);
         SET_FIELD_TEXT(entry, en_title, std::string("Other Notes"));
         SET_FIELD_TEXT(entry, en_author_name, std::string("Writer Wu"));
         SET_FIELD_TEXT(entry, en_note, std::string("kept for later"));
         Tesk_Ary_Update(a, 3, &entry);
       },
       false},
      {"an edit of an unsearched field alone",
       [](TESK_ARY a) {
         FLN_ENTRY entry = RecordAt(a, 2);
         SET_FIELD_TEXT(entry, en_file_path, std::string("/elsewhere/a.pdf"));
         Tesk_Ary_Update(a, 2, &entry);
       },
       true},
      {"an entry written back as it was",
       [](TESK_ARY a) {
         const FLN_ENTRY entry = RecordAt(a, 1);
         Tesk_Ary_Update(a, 1, &entry);
       },
       true},
      {"an edit through a field",
       [](TESK_ARY a) {
         FLN_ENTRY entry = MakeEntry(0, {"Field Title", "", "", "", "", "", "", "", ""});
         Tesk_Ary_UpdateField(a, 1, offsetof(FLN_ENTRY, en_title), sizeof entry.en_title, entry.en_title);
       },
       false},
      {"an edit written through the record's address",
       [](TESK_ARY a) {
         auto* entry = static_cast<FLN_ENTRY*>(Tesk_Ary_GetDataPtr(a, 5));
         SET_FIELD_TEXT(*entry, en_author_name, std::string("Written In Place"));
       },
       false},
      {"an edit undone",
       [](TESK_ARY a) {
         const FLN_ENTRY before = RecordAt(a, 0);
         Retitle(a, 0, "Briefly Renamed");
         Tesk_Ary_Update(a, 0, &before);
       },
       false},
      {"a sort in place",
       [](TESK_ARY a) {
         FLN_ENTRY_LIST_INFO info{{kEntryFieldTitle, kEntryFieldNone, kEntryFieldNone}, {0, 1, 1}};
         ASSERT_EQ(SortEntryArray(a, info), 0);
       },
       false},
      {"an import at the front",
       [](TESK_ARY a) {
         const FLN_ENTRY entry = MakeEntry(7, {"First Now", "", "", "", "", "", "", "", ""});
         Tesk_Ary_Insert(a, 0, &entry);
       },
       false},
      {"every entry deleted and one imported",
       [=](TESK_ARY a) {
         Tesk_Ary_RemoveAll(a);
         add(a, 7, "Alone");
       },
       false},
      {"every entry selected",
       [](TESK_ARY a) {
         const uint8_t on = 1;
         for (int32_t i = 0; i < Tesk_Ary_GetSize(a); ++i)
           Tesk_Ary_UpdateField(a, i, offsetof(FLN_ENTRY, en_is_select_entrylist), sizeof on, &on);
       },
       true},
      {"a save", [](TESK_ARY a) { Tesk_Ary_ClearChanges(a); }, true},
  };
}

// After each kind of change the window and the commands make, the texts are
// those of a fresh fold, brought in step by update or by folding ahead in
// slices; a change of searchable bytes puts them out of step until then.
TEST(EntrySearchText, EqualsAFreshFoldAfterEveryKindOfChange) {
  for (const bool inSlices : {false, true}) {
    for (const Change& c : EveryKindOfChange()) {
      SCOPED_TRACE(std::string(c.what) + (inSlices ? ", folded ahead in slices" : ", by update"));
      Ary entries = Library();
      EntrySearchText texts;
      ASSERT_EQ(0, texts.update(entries.get()));
      c.change(entries.get());
      EXPECT_EQ(c.keepsTexts, texts.inStepWith(entries.get()));
      if (inSlices) {
        int slices = 0;
        while (!texts.foldAhead(entries.get(), 1)) ASSERT_LT(++slices, 20);
      } else {
        ASSERT_EQ(0, texts.update(entries.get()));
      }
      ExpectFreshFold(texts, entries.get());
      // A second change of the same kind after the first was taken in.
      c.change(entries.get());
      ASSERT_EQ(0, texts.update(entries.get()));
      ExpectFreshFold(texts, entries.get());
    }
  }
}

// What the filter box sees: an entry whose title changed is found by its new
// title only, wherever inserts and deletes moved it, never by its old one.
TEST(EntrySearchText, AChangedEntryIsNeverFoundByItsOldText) {
  Ary entries = Library();
  EntrySearchText texts;
  ASSERT_EQ(0, texts.update(entries.get()));
  const std::vector<int32_t> all = {0, 1, 2, 3, 4, 5};
  std::vector<int32_t> rows;
  ASSERT_EQ(0, FilterListedEntries(entries.get(), all, texts, SearchWords("learning"), rows));
  EXPECT_EQ(rows, (std::vector<int32_t>{0}));

  Retitle(entries.get(), 0, "Shallow Thoughts");
  const FLN_ENTRY added = MakeEntry(7, {"Added", "", "", "", "", "", "", "", ""});
  Tesk_Ary_Insert(entries.get(), 0, &added);
  Tesk_Ary_Remove(entries.get(), 3);
  EXPECT_EQ(-1, FilterListedEntries(entries.get(), all, texts, SearchWords("learning"), rows))
      << "texts out of step are refused";
  ASSERT_EQ(0, texts.update(entries.get()));
  ASSERT_EQ(0, FilterListedEntries(entries.get(), all, texts, SearchWords("learning"), rows));
  EXPECT_TRUE(rows.empty());
  ASSERT_EQ(0, FilterListedEntries(entries.get(), all, texts, SearchWords("shallow"), rows));
  EXPECT_EQ(rows, (std::vector<int32_t>{1}));
  ASSERT_EQ(0, FilterListedEntries(entries.get(), all, texts, SearchWords("eve"), rows));
  EXPECT_TRUE(rows.empty()) << "the deleted entry's text went with it";
  ASSERT_EQ(0, FilterListedEntries(entries.get(), all, texts, SearchWords("sam"), rows));
  EXPECT_EQ(rows, (std::vector<int32_t>{3})) << "a moved entry keeps its own text";
}

// Folding ahead folds no more than its budget, follows changes made between
// its slices (behind and ahead of where it got to), and leaves nothing for
// update to do once it reports that it is done.
TEST(EntrySearchText, FoldingAheadInSlicesFollowsChangesBetweenThem) {
  Ary entries = Library();
  EntrySearchText texts;
  EXPECT_FALSE(texts.foldAhead(entries.get(), 3));
  ASSERT_EQ(6, texts.size());
  for (int32_t i = 0; i < 3; ++i) EXPECT_EQ(texts.textAt(i), EntrySearchTextOf(RecordAt(entries.get(), i))) << i;
  EXPECT_TRUE(texts.textAt(3).isEmpty()) << "beyond the slice nothing is folded yet";
  EXPECT_FALSE(texts.inStepWith(entries.get()));

  Retitle(entries.get(), 1, "Changed Behind");
  Retitle(entries.get(), 5, "Changed Ahead");
  EXPECT_FALSE(texts.foldAhead(entries.get(), 3));
  EXPECT_TRUE(texts.foldAhead(entries.get(), 3));
  EXPECT_TRUE(texts.foldAhead(entries.get(), 3)) << "nothing is left to do";
  ExpectFreshFold(texts, entries.get());

  Tesk_Ary_Remove(entries.get(), 0);
  EXPECT_FALSE(texts.inStepWith(entries.get()));
  EXPECT_TRUE(texts.foldAhead(entries.get(), 3)) << "moved entries keep their texts: nothing to fold";
  ExpectFreshFold(texts, entries.get());
}

// A library of many chunks (folded on two threads), partly folded ahead and
// then changed behind and ahead of where folding got to: what the filter
// box finds is what a fresh fold of every record finds, so an entry never
// folded, or one found by a fold of its text before the change, shows.
TEST(EntrySearchText, ALargeLibraryPartlyFoldedAheadFindsWhatAFreshFoldFinds) {
  const std::vector<FLN_ENTRY> kinds = EntriesFoldedEveryWay();
  std::vector<FLN_ENTRY> records;
  for (int32_t i = 0; i < 3000; ++i) {
    FLN_ENTRY entry = kinds[static_cast<size_t>(i) % kinds.size()];
    entry.en_id = ZEL_EndianLong_NtoL(i + 1);
    SET_FIELD_TEXT(entry, en_supervisor_name, "Ｎｏ" + std::to_string(i));
    records.push_back(entry);
  }
  Ary entries = MakeEntryAry(records);
  EntrySearchText texts;
  ASSERT_FALSE(texts.foldAhead(entries.get(), 1100));
  Retitle(entries.get(), 10, "Changed Behind");
  Retitle(entries.get(), 2500, "Changed Ahead");
  const FLN_ENTRY added = MakeEntry(9000, {"Inserted First", "", "", "", "", "", "", "", ""});
  Tesk_Ary_Insert(entries.get(), 0, &added);
  Tesk_Ary_Remove(entries.get(), 1500);
  ASSERT_FALSE(texts.foldAhead(entries.get(), 1100));
  ASSERT_EQ(0, texts.update(entries.get()));
  ExpectFreshFold(texts, entries.get());

  std::vector<int32_t> all(static_cast<size_t>(texts.size()));
  for (size_t i = 0; i < all.size(); ++i) all[i] = static_cast<int32_t>(all.size() - 1 - i);
  const char* queries[] = {"changed", "behind", "ahead", "inserted", "ｎｏ10", "no2500", "no1499", "deep learning",
                           "ガギグ", "école", "平成", "𠮷", "各", "\xEF\xBF\xBD", "ａａａ", "two marks", "no mark"};
  for (const char* typed : queries) {
    SCOPED_TRACE(typed);
    const QStringList words = SearchWords(QString::fromUtf8(typed));
    std::vector<int32_t> expected;
    for (const int32_t p : all)
      if (ContainsEveryWord(ReferenceSearchText(RecordAt(entries.get(), p)), words)) expected.push_back(p);
    std::vector<int32_t> rows;
    ASSERT_EQ(0, FilterListedEntries(entries.get(), all, texts, words, rows));
    EXPECT_EQ(rows, expected);
  }
  // The reference itself sees the changes.
  const struct {
    const char* typed;
    size_t found;
  } counts[] = {{"changed", 2}, {"inserted first", 1}, {"no1499", 0}, {"no1500", 1}};
  for (const auto& count : counts) {
    std::vector<int32_t> rows;
    ASSERT_EQ(0, FilterListedEntries(entries.get(), all, texts, SearchWords(QString::fromUtf8(count.typed)), rows));
    EXPECT_EQ(rows.size(), count.found) << count.typed;
  }
}

TEST(EntrySearchText, RefusesOtherRecords) {
  Ary notEntries = testsupport::NewAry(16);
  const char record[16] = {};
  Tesk_Ary_Add(notEntries.get(), record);
  EntrySearchText texts;
  EXPECT_TRUE(texts.foldAhead(notEntries.get(), 10)) << "nothing to fold ahead";
  EXPECT_EQ(0, texts.size());
  EXPECT_EQ(-1, texts.update(notEntries.get()));
  EXPECT_EQ(0, texts.size());
  EXPECT_FALSE(texts.inStepWith(notEntries.get()));
}

// Bytes after a field's zero unit are not text and do not matter.
TEST(EntrySearchText, TextEndsAtEachFieldsZeroUnit) {
  const FLN_ENTRY entry = MakeEntry(8, {"Added Later", "", "", "", "", "", "", "", ""});
  FLN_ENTRY tail = entry;
  tail.en_title[100] = 'x';
  EXPECT_EQ(EntrySearchTextOf(entry), EntrySearchTextOf(tail));
  EXPECT_EQ(EntrySearchTextOf(entry), QStringLiteral("added later\n\n\n\n\n\n\n"));
}

// Matching picks exactly what ContainsEveryWord picks from the same texts,
// whether it goes through the whole buffer (a long list) or entry by entry
// (a short one), for words folded in every way, several words, and words
// that would only match across two fields.
TEST(EntrySearchText, PicksWhatContainsEveryWordPicks) {
  Ary entries = MakeEntryAry({
      MakeEntry(1, {"Deep Learning for Everyone", "deep.pdf", "", "", "", "", "", "", ""}),
      MakeEntry(2, {"ＡＢＣ予想の証明", "ｶﾀｶﾅ.pdf", "山田太郎", "", "", "", "", "ひらがなのノート", ""}),
      MakeEntry(3, {"aaaaaaaaaaaaaaaaaab", "abab.pdf", "", "Editor Eve", "", "", "", "", ""}),
      MakeEntry(4, {"", "b.pdf", "", "", "Supervisor Sam", "岩波書店", "", "", ""}),
      MakeEntry(5, {"𠮷野家の歴史", "c.pdf", "", "", "", "", "Translator Tom", "", ""}),
      MakeEntry(6, {"", "", "", "", "", "", "", "", ""}),
      MakeEntry(7, {"Learning", "Deep.PDF", "", "", "", "", "", "deep thoughts, deeply", ""}),
  });
  EntrySearchText texts;
  ASSERT_EQ(0, texts.update(entries.get()));
  const char* queries[] = {
      "",     "deep",    "DEEP learning", "learning deep", "abc",       "ＡＢＣ予想", "カタカナ", "かたかな",
      "ノート", "ひらがな", "のノート",        "aaaab",         "aaaaaaaaaaaaaaaaaab", "aaaaaaaaaaaaaaaaaaab",
      "abab", "ba",      "𠮷",            "𠮷野",          "野家",       "pdfsupervisor", "eve\neditor",
      "sam 岩波", "tom sam", "deeply",   "y",             "deep.pdf",   "\n",         "everyone deep.pdf",
  };
  const std::vector<int32_t> all = {6, 5, 4, 3, 2, 1, 0};
  const std::vector<int32_t> few = {4, 0};
  for (const char* typed : queries) {
    SCOPED_TRACE(typed);
    const QStringList words = SearchWords(QString::fromUtf8(typed));
    for (const std::vector<int32_t>* positions : {&all, &few}) {
      std::vector<int32_t> expected;
      for (int32_t p : *positions)
        if (ContainsEveryWord(ReferenceSearchText(RecordAt(entries.get(), p)), words)) expected.push_back(p);
      std::vector<int32_t> rows = {99};
      texts.pickMatching(*positions, words, rows);
      EXPECT_EQ(rows, expected) << positions->size() << " positions";
    }
  }
}

}  // namespace
