#include "format/Utf8Text.h"

#include <gtest/gtest.h>

#include <QString>
#include <string>

namespace {

TEST(Utf8TextTest, TellsUtf8FromWhatIsNot) {
  const struct {
    const char* what;
    std::string text;
    bool utf8;
  } cases[] = {
      {"empty", "", true},
      {"ASCII", "cafe", true},
      {"kana and kanji", "分類１その他", true},
      {"beyond U+FFFF", "\xF0\x9F\x98\x80", true},
      {"highest code point", "\xF4\x8F\xBF\xBF", true},
      {"Latin-1 byte", "caf\xE9", false},
      {"cut three-byte sequence", "\xE5\xAD", false},
      {"continuation byte alone", "a\x80z", false},
      {"overlong slash", "\xC0\xAF", false},
      {"overlong three bytes", "\xE0\x80\xAF", false},
      {"surrogate half", "\xED\xA0\x80", false},
      {"above U+10FFFF", "\xF4\x90\x80\x80", false},
      {"0xFF", "\xFF", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsUtf8Text(c.text), c.utf8) << c.what;
}

TEST(Utf8TextTest, CountsTheUnitsAFieldStores) {
  const std::string samples[] = {"", "abc", "字字字", "a😀b", "😀😀", "ＡＢ\n改行", std::string(300, 'x')};
  for (const std::string& text : samples)
    EXPECT_EQ(Utf16UnitsOfUtf8(text), static_cast<size_t>(QString::fromUtf8(text.c_str()).size())) << text;
  EXPECT_EQ(Utf16UnitsOfUtf8("a😀b"), 4u);
}

}  // namespace
