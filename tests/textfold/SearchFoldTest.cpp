#include "textfold/SearchFold.h"

#include <gtest/gtest.h>

namespace {

QString Q(const char* utf8) { return QString::fromUtf8(utf8); }

// Each pair is two ways of writing one text; kana of the two scripts are
// different texts and stay apart.
TEST(FoldForSearch, FoldsCaseAndWidthButKeepsKanaApart) {
  struct Case {
    const char* text;
    const char* folded;
  } cases[] = {
      {"", ""},
      {"ABC", "abc"},
      {"ＡＢＣ", "abc"},          // full-width Latin
      {"ｶﾀｶﾅ", "カタカナ"},        // half-width katakana
      {"ひらがな", "ひらがな"},    // hiragana is not made katakana
      {"カタカナ", "カタカナ"},    // nor katakana hiragana
      {"１２３", "123"},
      {"ÉCOLE", "école"},
      {"ﬁle", "file"},            // compatibility ligature
      {"Foo　Bar", "foo bar"},    // the ideographic space is a space
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(Q(c.folded), FoldForSearch(Q(c.text)));
  }
}

}  // namespace
