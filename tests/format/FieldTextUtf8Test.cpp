#include "format/FieldText.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "format/Endian.h"

namespace {

// A [128S] field holding `units` as stored (little-endian), zero-filled after.
struct Field {
  int16_t units[128] = {};
  explicit Field(const std::u16string& text) {
    for (size_t i = 0; i < text.size() && i < 128; ++i)
      units[i] = ZEL_EndianShort_NtoL(static_cast<int16_t>(text[i]));
  }
};

std::string Shared(const Field& field) {
  char utf8[128 * 3 + 1];
  EXPECT_EQ(1, FLN_COMM_ConvertUniCharToChar_LtoN(field.units, sizeof field.units, utf8, sizeof utf8));
  return utf8;
}

std::string Fast(const Field& field) {
  std::vector<char> out = {'x'};  // appended to
  AppendFieldTextUtf8(field.units, sizeof field.units, out);
  EXPECT_EQ('x', out.front());
  EXPECT_EQ('\0', out.back());
  return std::string(out.begin() + 1, out.end() - 1);
}

// The units the filter box gathers: those of the field's string, after
// what the buffer held.
void ExpectSameUnitsAsTheString(const Field& field) {
  std::vector<char16_t> out = {u'x'};
  AppendFieldTextUtf16(field.units, sizeof field.units, out);
  ASSERT_EQ(u'x', out.front());
  const QString units(reinterpret_cast<const QChar*>(out.data() + 1), static_cast<qsizetype>(out.size() - 1));
  ASSERT_EQ(units, FLN_COMM_CreateNSString_FromUniChar_LtoN(field.units, sizeof field.units));
}

TEST(FieldTextUtf8, SameBytesAsTheSharedConversionForEveryBmpCharacter) {
  for (char32_t c = 1; c < 0x10000; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    const Field field(std::u16string{u'\uFEFF', static_cast<char16_t>(c), u'a'});
    ASSERT_EQ(Shared(field), Fast(field)) << std::hex << static_cast<uint32_t>(c);
    ASSERT_NO_FATAL_FAILURE(ExpectSameUnitsAsTheString(field)) << std::hex << static_cast<uint32_t>(c);
  }
}

TEST(FieldTextUtf8, SameBytesAsTheSharedConversionForSpecialFields) {
  const std::u16string full(128, u'漢');  // no zero unit at all
  const std::u16string cases[] = {
      u"",
      u"\uFEFF",
      u"\uFEFF\uFEFFa",       // only the leading mark is dropped
      u"a\uFEFF",             // a mark later is text
      u"\uFEFF日本語 Latin",
      u"\uFEFF😀絵文字",       // surrogate pair
      u"\uFEFFa\xD800" u"b",  // lone high half
      u"\uFEFF\xDC00",        // lone low half
      std::u16string(u"\uFEFFab\0cd", 6),  // stops at the zero unit
      full,
      full.substr(0, 127),  // the zero unit in the last place
  };
  for (const std::u16string& text : cases) {
    const Field field(text);
    EXPECT_EQ(Shared(field), Fast(field)) << text.size() << " units";
    ExpectSameUnitsAsTheString(field);
  }
}

}  // namespace
