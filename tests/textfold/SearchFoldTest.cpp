#include "textfold/SearchFold.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

QString Q(const char* utf8) { return QString::fromUtf8(utf8); }

// Code point as UTF-16 (one unit or a surrogate pair).
QString Cp(char32_t c) { return QString::fromUcs4(&c, 1); }

// Fails with the text when the fast folding differs from the whole rule.
void ExpectSameAsWhole(const QString& text) {
  const QString fast = FoldForSearch(text);
  const QString whole = FoldForSearchWhole(text);
  if (fast != whole) {
    const auto hex = [](const QString& s) {
      QString units;
      for (const QChar c : s) units += QString::number(c.unicode(), 16) + ' ';
      return units.toStdString();
    };
    ADD_FAILURE() << "units " << hex(text) << ": fast " << hex(fast) << "whole " << hex(whole);
  }
}

TEST(SearchFold, FoldsCaseWidthCompatibilityAndComposition) {
  struct Case {
    const char* text;
    const char* folded;
  } cases[] = {
      {"", ""},
      {"abc 123", "abc 123"},
      {"Hello World", "hello world"},
      {"ＡＢＣ１２３", "abc123"},               // full-width Latin and digits
      {"ｶﾞｷﾞｸﾞ", "ガギグ"},                    // half-width kana with voiced marks join
      {"ﾊﾟ", "パ"},                              // semi-voiced mark
      {"か\u3099", "が"},                        // combining voiced mark joins the kana before
      {"ひらがな カタカナ", "ひらがな カタカナ"},  // kana are not folded into each other
      {"e\u0301cole", "école"},                  // combining accent joins the letter before
      {"ÉCOLE", "école"},
      {"STRASSE Straße", "strasse straße"},      // simple folding: ß stays one letter
      {"ﬁle ﬂow", "file flow"},                  // ligatures
      {"ΣΊΣΥΦΟΣ", "σίσυφοσ"},
      {"\u1100\u1161\u11A8", "각"},              // Hangul jamo compose
      {"각\u11A8", "각\u11A8"},                  // a full syllable takes no more
      {"가\u11A8", "각"},                        // leading+vowel syllable takes a trailing jamo
      {"𝐀𝐁𝐂 x", "abc x"},                       // mathematical letters outside the BMP
      {"漢字テスト", "漢字テスト"},
      {"①②", "12"},
      {"㍻", "平成"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FoldForSearch(Q(c.text)), Q(c.folded)) << c.text;
    EXPECT_EQ(FoldForSearchWhole(Q(c.text)), Q(c.folded)) << c.text;
  }
}

TEST(SearchFold, TextThatFoldsToItselfIsSharedNotCopied) {
  const QString text = Q("already folded text 漢字 かな");
  const QString folded = FoldForSearch(text);
  EXPECT_EQ(folded, text);
  EXPECT_EQ(folded.constData(), text.constData());
}

// Every BMP code point in runs of its neighbours, alone after a letter, and
// before a combining mark: the fast folding equals the whole rule for each.
TEST(SearchFold, EveryBmpCodePointFoldsAsTheWholeRuleDoes) {
  for (char32_t start = 0; start < 0x10000; start += 32) {
    QString run;
    for (char32_t c = start; c < start + 32; ++c)
      if (c < 0xD800 || c > 0xDFFF) run += Cp(c);
    ExpectSameAsWhole(run);
    ExpectSameAsWhole("A" + run + "z");
  }
  for (char32_t c = 0; c < 0x10000; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    const QString one = Cp(c);
    ExpectSameAsWhole("Ab" + one + "cD");
    ExpectSameAsWhole("k" + one + QChar(0x0301) + "x");  // combining acute after
    ExpectSameAsWhole(one + QChar(0x3099) + "x");          // combining voiced mark after
    ExpectSameAsWhole(QString(QChar(0x1100)) + one + QChar(0x11A8));  // between jamo
  }
}

// Random texts mixing scripts, marks, jamo, surrogate pairs, half-width kana
// and voiced marks, full-width Latin and ligatures.
TEST(SearchFold, GeneratedMixedTextsFoldAsTheWholeRuleDoes) {
  const std::vector<char32_t> pool = {
      'a', 'Z', 'q', '5', ' ', '-', 0x00C9, 0x00DF, 0x00E9, 0x0130, 0x03A3, 0x03C2, 0x0410, 0x0451,
      0x0300, 0x0301, 0x0308, 0x0327, 0x0345, 0x1E9E, 0xFB01, 0xFB03, 0xFF21, 0xFF41, 0xFF11, 0xFF76,
      0xFF9E, 0xFF9F, 0xFF8A, 0x3099, 0x309A, 0x309B, 0x304B, 0x30AB, 0x30F3, 0x6F22, 0x5B57, 0x3000,
      0x1100, 0x1161, 0x11A8, 0xAC00, 0xAC01, 0xFFA1, 0x3131, 0x0BC6, 0x0BBE, 0x0CC6, 0x0CD5, 0x0DD9,
      0x0DCF, 0x2460, 0x337B, 0x1D400, 0x1F600, 0x10400, 0x0000, 0xD800, 0xDC00, 0x00A0, 0x2126, 0x212B,
      0x0041, 0x030A, 0x0627, 0x0653, 0x0915, 0x093C, 0x1E00, 0x0F71, 0x0F72,
  };
  std::mt19937 random(15);
  std::uniform_int_distribution<size_t> pick(0, pool.size() - 1);
  std::uniform_int_distribution<int> length(1, 24);
  for (int i = 0; i < 50000; ++i) {
    QString text;
    for (int n = length(random); n > 0; --n) text += Cp(pool[pick(random)]);
    ExpectSameAsWhole(text);
  }
}

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
