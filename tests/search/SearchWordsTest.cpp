#include "search/SearchWords.h"

#include <gtest/gtest.h>

#include <string>

namespace {

QString Q(const char* utf8) { return QString::fromUtf8(utf8); }

TEST(SearchWords, FoldsCaseAndWidthAndSplitsAtAnySpace) {
  struct Case {
    const char* typed;
    QStringList words;
  } cases[] = {
      {"", {}},
      {"   \t ", {}},
      {"abc", {"abc"}},
      {"ABC", {"abc"}},
      {"ＡＢＣ", {"abc"}},             // each word folded as the texts are
      {"Foo  bar", {"foo", "bar"}},
      {"foo　bar", {"foo", "bar"}},      // ideographic space
      {" \tfoo\nBAR ", {"foo", "bar"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    EXPECT_EQ(c.words, SearchWords(Q(c.typed)));
  }
}

TEST(SearchWords, ContainsEveryWordNeedsAllWords) {
  const QString text = FoldForSearch(Q("Deep Learning\n山田太郎"));
  struct Case {
    const char* typed;
    bool found;
  } cases[] = {
      {"", true},         {"deep", true},      {"LEARN deep", true}, {"山田", true},
      {"deep 山田", true}, {"deep 鈴木", false}, {"deeplearning", false},
      {"learning山田", false},  // across the line break between two fields
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    EXPECT_EQ(c.found, ContainsEveryWord(text, SearchWords(Q(c.typed))));
  }
}

}  // namespace
