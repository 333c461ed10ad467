#include "search/NarrowingSteps.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SearchFixtures.h"
#include "search/EntryFilter.h"
#include "search/EntrySearchText.h"
#include "search/SearchWords.h"

using searchfixtures::MakeEntry;
using searchfixtures::MakeEntryAry;
using testsupport::Ary;

namespace {

// Titles whose words share beginnings, so that each letter typed or erased
// finds a different set of entries.
Ary PrefixEntries() {
  const char* titles[] = {"d only", "de only", "dee only", "deep only", "deep learning", "deep sea",
                          "Eve",    "Evening", "x",        "aaaa",      "aaaaaaaa",      "deep learning sea"};
  std::vector<FLN_ENTRY> entries;
  int32_t id = 1;
  for (const char* title : titles) entries.push_back(MakeEntry(id++, {title, "f.pdf", "", "", "", "", "", "", ""}));
  return MakeEntryAry(entries);
}

// The positions of `listed` that match `typed`, scanning all of them.
std::vector<int32_t> Fresh(TESK_ARY entries, const EntrySearchText& texts, const std::vector<int32_t>& listed,
                           const std::string& typed) {
  std::vector<int32_t> rows;
  EXPECT_EQ(0, FilterListedEntries(entries, listed, texts, SearchWords(QString::fromStdString(typed)), rows));
  return rows;
}

// A session of typing, erasing and replacing text as the window runs it:
// each keystroke filters the candidates the steps give (or the whole list),
// and the result is always what scanning the whole list finds; the
// candidates are what the named earlier text found.
TEST(NarrowingSteps, EachKeystrokeScansTheNarrowestEarlierResultAndFindsWhatAFullScanFinds) {
  const Ary entries = PrefixEntries();
  EntrySearchText texts;
  ASSERT_EQ(0, texts.update(entries.get()));
  const std::vector<int32_t> listed = {11, 5, 4, 3, 2, 1, 0, 6, 7, 8, 9, 10};  // some sort order
  struct Key {
    const char* typed;
    const char* candidatesOf;  // the earlier text whose result is scanned; null: the whole list
  } session[] = {
      {"d", nullptr},           {"de", "d"},           {"dee", "de"},        {"deep", "dee"},
      {"dee", "dee"},           {"de", "de"},          {"d", "d"},           {"deep l", "d"},
      {"deep le", "deep l"},    {"deep le s", "deep le"}, {"deep le", "deep le"}, {"deep", "d"},
      {"sea deep", "deep"},     {"x", nullptr},        {"", nullptr},        {"eve", nullptr},
      {"EVEN", "eve"},          {"eve", "eve"},        {"d", nullptr},
  };
  NarrowingSteps steps;
  for (const Key& key : session) {
    SCOPED_TRACE(key.typed);
    const QStringList words = SearchWords(QString::fromUtf8(key.typed));
    const std::vector<int32_t>* candidates = steps.candidatesFor(words);
    if (key.candidatesOf == nullptr) {
      EXPECT_EQ(candidates, nullptr);
    } else {
      ASSERT_NE(candidates, nullptr);
      EXPECT_EQ(*candidates, Fresh(entries.get(), texts, listed, key.candidatesOf));
    }
    std::vector<int32_t> rows;
    ASSERT_EQ(0, FilterListedEntries(entries.get(), candidates != nullptr ? *candidates : listed, texts, words, rows));
    EXPECT_EQ(rows, Fresh(entries.get(), texts, listed, key.typed));
    steps.keep(words, rows);
  }
}

// A long run of narrowing keys keeps the newest results only; erasing past
// them scans the whole list again. Clearing forgets every result.
TEST(NarrowingSteps, KeepsALimitedNumberOfResultsAndClearForgetsThem) {
  NarrowingSteps steps;
  std::string typed;
  for (size_t i = 0; i < NarrowingSteps::kMaxSteps + 8; ++i) {
    typed += 'a';
    const QStringList words = SearchWords(QString::fromStdString(typed));
    steps.candidatesFor(words);
    steps.keep(words, {static_cast<int32_t>(i)});  // stands for what it found
  }
  EXPECT_EQ(steps.size(), NarrowingSteps::kMaxSteps);
  const std::vector<int32_t>* kept = steps.candidatesFor(SearchWords(QString(20, QChar('a'))));
  ASSERT_NE(kept, nullptr);
  EXPECT_EQ(*kept, std::vector<int32_t>{19});
  EXPECT_EQ(steps.candidatesFor(SearchWords(QString(5, QChar('a')))), nullptr);  // forgotten
  EXPECT_EQ(steps.size(), 0u);

  steps.keep(SearchWords("b"), {1});
  steps.keep(SearchWords("b"), {2});  // the same words replace their result
  EXPECT_EQ(steps.size(), 1u);
  ASSERT_NE(steps.candidatesFor(SearchWords("bc")), nullptr);
  EXPECT_EQ(*steps.candidatesFor(SearchWords("bc")), std::vector<int32_t>{2});
  steps.keep({}, {3});  // no words: nothing to keep, and the narrower ones are not forgotten
  EXPECT_EQ(steps.size(), 1u);
  steps.clear();
  EXPECT_EQ(steps.candidatesFor(SearchWords("bc")), nullptr);
}

}  // namespace
