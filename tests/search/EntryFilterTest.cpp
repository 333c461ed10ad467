#include "search/EntryFilter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SearchFixtures.h"
#include "format/Endian.h"
#include "search/EntrySearchText.h"

using searchfixtures::EntryText;
using searchfixtures::MakeEntry;
using searchfixtures::MakeEntryAry;
using testsupport::Ary;

namespace {

// Each entry carries one distinctive word in one field; 7 carries words in a
// field the filter must not look at.
Ary SampleEntries() {
  return MakeEntryAry({
      MakeEntry(1, {"Deep Learning", "deep.pdf", "", "", "", "", "", "", ""}),
      MakeEntry(2, {"統計学入門", "toukei.pdf", "山田太郎", "", "", "", "", "", ""}),
      MakeEntry(3, {"Notes", "a.pdf", "", "Editor Eve", "", "", "", "", ""}),
      MakeEntry(4, {"", "b.pdf", "", "", "Supervisor Sam", "岩波書店", "", "", ""}),
      MakeEntry(5, {"", "c.pdf", "", "", "", "", "Translator Tom", "", ""}),
      MakeEntry(6, {"ＡＢＣ予想", "ｶﾀｶﾅ.pdf", "", "", "", "", "", "読了。deep な内容", ""}),
      MakeEntry(7, {"", "d.pdf", "", "", "", "", "", "", "category-only-word"}),
  });
}

// The en_ids of the records of `entries` at `rows`, in order.
std::vector<int32_t> IdsAt(TESK_ARY entries, const std::vector<int32_t>& rows) {
  std::vector<int32_t> ids;
  for (int32_t row : rows) {
    FLN_ENTRY entry;
    Tesk_Ary_GetData(entries, row, &entry);
    ids.push_back(ZEL_EndianLong_LtoN(entry.en_id));
  }
  return ids;
}

std::vector<int32_t> Filter(TESK_ARY entries, const std::vector<int32_t>& positions, const std::string& typed) {
  EntrySearchText texts;
  EXPECT_EQ(0, texts.update(entries));
  std::vector<int32_t> rows = {99};  // emptied first
  EXPECT_EQ(0, FilterListedEntries(entries, positions, texts, SearchWords(QString::fromStdString(typed)), rows));
  return IdsAt(entries, rows);
}

TEST(EntryFilter, MatchingRules) {
  struct Case {
    const char* typed;
    std::vector<int32_t> ids;
  } cases[] = {
      {"", {1, 2, 3, 4, 5, 6, 7}},
      {"deep", {1, 6}},                // title, file name and note
      {"DEEP learning", {1}},          // every word, any case
      {"learning deep", {1}},          // in any order
      {"deep 読了", {6}},
      {"deep toukei", {}},             // one word missing is no match
      {"山田", {2}},                   // author
      {"eve", {3}},                    // editor
      {"sam", {4}},                    // supervisor
      {"岩波", {4}},                   // publisher
      {"tom", {5}},                    // translator
      {"toukei.pdf", {2}},             // file name
      {"abc", {6}},                    // full-width in the entry, half-width typed
      {"ＡＢＣ予想", {6}},
      {"カタカナ", {6}},               // half-width katakana in the entry
      {"category-only-word", {}},      // category names are not searched
      {"pdfsupervisor", {}},           // never across two fields
      {"統計 入門", {2}},
  };
  Ary entries = SampleEntries();
  const std::vector<int32_t> all = {0, 1, 2, 3, 4, 5, 6};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    EXPECT_EQ(c.ids, Filter(entries.get(), all, c.typed));
  }
}

TEST(EntryFilter, KeepsTheListedOrderAndOnlyListedEntries) {
  Ary entries = SampleEntries();
  // A sorted, category-narrowed list: entries 6, 1, 3 in that order.
  EXPECT_EQ((std::vector<int32_t>{6, 1}), Filter(entries.get(), {5, 0, 2}, "deep"));
  EXPECT_EQ((std::vector<int32_t>{6, 1, 3}), Filter(entries.get(), {5, 0, 2}, ""));
}

TEST(EntryFilter, RefusesTextsOutOfStepWithTheEntries) {
  Ary entries = SampleEntries();
  EntrySearchText texts;
  ASSERT_EQ(0, texts.update(entries.get()));
  // Entry 2 deleted after the texts were made: positions no longer agree.
  Tesk_Ary_Remove(entries.get(), 1);
  std::vector<int32_t> rows = {99};
  EXPECT_EQ(-1, FilterListedEntries(entries.get(), {0, 1}, texts, {}, rows));
  EXPECT_TRUE(rows.empty());
  ASSERT_EQ(0, texts.update(entries.get()));
  EXPECT_EQ(0, FilterListedEntries(entries.get(), {0, 1}, texts, {}, rows));
  EXPECT_EQ((std::vector<int32_t>{1, 3}), IdsAt(entries.get(), rows));
  // A position beyond the entries.
  EXPECT_EQ(-1, FilterListedEntries(entries.get(), {0, 6}, texts, {}, rows));
  EXPECT_TRUE(rows.empty());
}

TEST(EntryFilter, NarrowsFurtherOnlyWhenEveryEarlierWordLiesInsideANewOne) {
  struct Case {
    QStringList words, earlier;
    bool narrows;
  } cases[] = {
      {{"deep"}, {}, true},
      {{"deep"}, {"dee"}, true},
      {{"deep", "l"}, {"deep"}, true},
      {{"deep", "learning"}, {"deep", "lear"}, true},
      {{"learning", "deep"}, {"deep", "lear"}, true},
      {{"dee"}, {"deep"}, false},        // a letter erased widens
      {{"deep"}, {"deep", "x"}, false},  // a word dropped widens
      {{"deeper"}, {"deep", "per"}, true},
      {{}, {"deep"}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE((c.words.join(' ') + " after " + c.earlier.join(' ')).toStdString());
    EXPECT_EQ(c.narrows, NarrowsFurther(c.words, c.earlier));
  }
}

TEST(EntryFilter, TellsWhichPositionsMatched) {
  Ary entries = SampleEntries();
  EntrySearchText texts;
  ASSERT_EQ(0, texts.update(entries.get()));
  std::vector<int32_t> matched = {99};
  ASSERT_EQ(0, FilterListedEntries(entries.get(), {5, 0, 2}, texts, SearchWords("deep"), matched));
  EXPECT_EQ((std::vector<int32_t>{5, 0}), matched);
  // Filtering those again by a longer word gives what filtering all would.
  const std::vector<int32_t> deep = matched;
  ASSERT_EQ(0, FilterListedEntries(entries.get(), deep, texts, SearchWords("deep learn"), matched));
  EXPECT_EQ((std::vector<int32_t>{0}), matched);
  EXPECT_EQ((std::vector<int32_t>{1}), IdsAt(entries.get(), matched));
}

TEST(EntryFilter, PicksEntriesWithHitsBestFirstOrInListOrder) {
  Ary entries = SampleEntries();
  // Full-text hits by en_id; 9 is not an entry of the library (deleted).
  const std::unordered_map<int32_t, int> hits = {{1, 2}, {3, 7}, {6, 2}, {5, 1}, {9, 50}};
  struct Case {
    const char* what;
    std::vector<int32_t> positions;
    bool bestFirst;
    std::vector<int32_t> ids;
    std::vector<int> rowHits;
  } cases[] = {
      {"best first, ties in list order", {5, 0, 2, 4, 1}, true, {3, 6, 1, 5}, {7, 2, 2, 1}},
      {"ties follow the sorted list", {0, 5, 2}, true, {3, 1, 6}, {7, 2, 2}},
      {"list order kept", {5, 0, 2, 4, 1}, false, {6, 1, 3, 5}, {2, 2, 7, 1}},
      {"only listed entries", {1, 6}, true, {}, {}},
      {"nothing listed", {}, true, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<int32_t> rows = {99};  // emptied first
    std::vector<int> rowHits = {42};
    ASSERT_EQ(0, PickEntriesWithHits(entries.get(), c.positions, hits, c.bestFirst, rows, &rowHits));
    EXPECT_EQ(c.ids, IdsAt(entries.get(), rows));
    EXPECT_EQ(c.rowHits, rowHits);
  }
  // No hits at all: an empty list.
  std::vector<int32_t> rows = {99};
  std::vector<int> rowHits;
  ASSERT_EQ(0, PickEntriesWithHits(entries.get(), {0, 1}, {}, true, rows, &rowHits));
  EXPECT_TRUE(rows.empty());
  // A position beyond the entries gives nothing rather than part of a list.
  rows = {99};
  EXPECT_EQ(-1, PickEntriesWithHits(entries.get(), {0, 7}, hits, true, rows, &rowHits));
  EXPECT_TRUE(rows.empty());
  EXPECT_TRUE(rowHits.empty());
}

}  // namespace
