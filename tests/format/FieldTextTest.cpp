#include "format/FieldText.h"

#include "format/FlnRecords.h"
#include "format/Utf8Text.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <algorithm>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

// The bytes of a little-endian field holding `units`, made byte by byte so that
// the expectation does not depend on the host's order.
Bytes littleEndian(std::initializer_list<char16_t> units, size_t fieldBytes = 0) {
  Bytes bytes;
  for (char16_t unit : units) {
    bytes.push_back(static_cast<unsigned char>(unit & 0xFF));
    bytes.push_back(static_cast<unsigned char>(unit >> 8));
  }
  if (bytes.size() < fieldBytes) bytes.resize(fieldBytes, 0);
  return bytes;
}

std::string readField(const void* field, size_t fieldBytes) {
  char out[2048];
  EXPECT_EQ(FLN_COMM_ConvertUniCharToChar_LtoN(field, fieldBytes, out, sizeof out), 1);
  return out;
}

// The four ways into a field or UTF-16 buffer, all with the same rules.
struct Writer {
  const char* name;
  bool littleEndian;
  std::function<int(const std::string&, void*, size_t)> write;
};

const Writer kWriters[] = {
    {"ConvertCharToUniChar", false,
     [](const std::string& s, void* d, size_t n) {
       return FLN_COMM_ConvertCharToUniChar(s.c_str(), static_cast<char16_t*>(d), n);
     }},
    {"ConvertCharToUniChar_NtoL", true,
     [](const std::string& s, void* d, size_t n) { return FLN_COMM_ConvertCharToUniChar_NtoL(s.c_str(), d, n); }},
    {"CopyUniStr_FromNSString", false,
     [](const std::string& s, void* d, size_t n) {
       return FLN_COMM_CopyUniStr_FromNSString(QString::fromStdString(s), static_cast<char16_t*>(d), n);
     }},
    {"CopyUniStr_FromNSString_NtoL", true,
     [](const std::string& s, void* d, size_t n) {
       return FLN_COMM_CopyUniStr_FromNSString_NtoL(QString::fromStdString(s), d, n);
     }},
};

// Reads back what a writer stored, with the reader of the same byte order.
std::string readBack(const Writer& writer, const std::vector<char16_t>& buffer) {
  if (writer.littleEndian) return readField(buffer.data(), buffer.size() * sizeof(char16_t));
  char out[2048];
  EXPECT_EQ(FLN_COMM_ConvertUniCharToChar(buffer.data(), out, sizeof out), 1);
  return out;
}

TEST(FieldConversion, AbcIsStoredAsMarkTextAndZeroLittleEndian) {
  unsigned char field[256];
  std::memset(field, 0xAA, sizeof field);
  ASSERT_EQ(FLN_COMM_ConvertCharToUniChar_NtoL("abc", field, sizeof field), 1);

  const Bytes expected = littleEndian({0xFEFF, u'a', u'b', u'c', 0});
  EXPECT_EQ(Bytes(field, field + expected.size()), expected);
  EXPECT_EQ(field[expected.size()], 0xAA) << "bytes after the terminator are not the converter's";
  EXPECT_EQ(readField(field, sizeof field), "abc");
  EXPECT_EQ(FLN_COMM_CreateNSString_FromUniChar_LtoN(field, sizeof field), QStringLiteral("abc"));
}

TEST(FieldConversion, TextMustFitWithMarkAndTerminatorElseFieldKeepsItsContent) {
  struct Case {
    size_t maxBytes;
    size_t length;
    bool fits;
  };
  const Case cases[] = {
      {256, 126, true},   {256, 127, false},  // [128S]
      {128, 62, true},    {128, 63, false},   // [64S]
      {1024, 510, true},  {1024, 511, false}, // [512S]
      {10, 3, true},      {9, 3, false},      // an odd size holds only whole units
      {4, 0, true},       {3, 0, false},      {0, 0, false},
  };
  for (const Writer& writer : kWriters) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(writer.name) + " maxBytes " + std::to_string(c.maxBytes) + " length " +
                   std::to_string(c.length));
      // One spare unit beyond maxBytes shows that nothing is written past it.
      std::vector<char16_t> buffer(c.maxBytes / 2 + 2, u'#');
      const std::vector<char16_t> before = buffer;
      const std::string text(c.length, 'x');

      ASSERT_EQ(writer.write(text, buffer.data(), c.maxBytes), c.fits ? 1 : 0);
      if (c.fits) {
        EXPECT_EQ(readBack(writer, buffer), text);
        EXPECT_EQ(buffer.back(), u'#');
      } else {
        EXPECT_EQ(buffer, before);
      }
    }
  }
}

TEST(FieldConversion, FailedConversionLeavesPreviousTextInPlace) {
  for (const Writer& writer : kWriters) {
    SCOPED_TRACE(writer.name);
    std::vector<char16_t> field(128);
    ASSERT_EQ(writer.write("old", field.data(), 256), 1);
    EXPECT_EQ(writer.write(std::string(127, 'n'), field.data(), 256), 0);
    EXPECT_EQ(readBack(writer, field), "old");
  }
}

TEST(FieldConversion, SurrogatePairCountsAsTwoUnits) {
  const char* grinning = "\xF0\x9F\x98\x80";  // U+1F600
  for (const Writer& writer : kWriters) {
    SCOPED_TRACE(writer.name);
    std::vector<char16_t> tooSmall(4, u'#');
    EXPECT_EQ(writer.write(grinning, tooSmall.data(), 6), 0) << "mark + 2 units + zero need 8 bytes";
    EXPECT_EQ(tooSmall, std::vector<char16_t>(4, u'#'));

    std::vector<char16_t> field(4, u'#');
    ASSERT_EQ(writer.write(grinning, field.data(), 8), 1);
    EXPECT_EQ(readBack(writer, field), grinning);
  }
  char16_t host[4];
  ASSERT_EQ(FLN_COMM_ConvertCharToUniChar(grinning, host, sizeof host), 1);
  EXPECT_EQ(std::u16string(host, 4), (std::u16string{0xFEFF, 0xD83D, 0xDE00, 0}));
}

TEST(FieldReading, JapaneseTextGivesItsUtf8BytesAndMustFit) {
  const Bytes field = littleEndian({0xFEFF, u'分', u'類', u'１', 0}, 256);
  const char expected[] = "\xE5\x88\x86\xE9\xA1\x9E\xEF\xBC\x91";  // 9 bytes and a zero
  EXPECT_EQ(readField(field.data(), field.size()), expected);

  char exact[10];
  ASSERT_EQ(FLN_COMM_ConvertUniCharToChar_LtoN(field.data(), field.size(), exact, sizeof exact), 1);
  EXPECT_EQ(std::memcmp(exact, expected, sizeof expected), 0);

  char tooSmall[9];
  std::memset(tooSmall, '#', sizeof tooSmall);
  EXPECT_EQ(FLN_COMM_ConvertUniCharToChar_LtoN(field.data(), field.size(), tooSmall, sizeof tooSmall), 0);
  EXPECT_EQ(std::string(tooSmall, sizeof tooSmall), std::string(9, '#'));
}

TEST(FieldReading, LeadingMarkIsOptionalAndOnlyOneIsDropped) {
  struct Case {
    std::u16string units;  // without the terminating zero
    const char* utf8;
  };
  const Case cases[] = {
      {u"\uFEFFab", "ab"},
      {u"ab", "ab"},
      {u"\uFEFF\uFEFFa", "\xEF\xBB\xBF" "a"},
      {u"a\uFEFF", "a\xEF\xBB\xBF"},
      {u"\uFEFF", ""},
      {u"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.utf8);
    const std::u16string host = c.units;  // c_str() ends it with a zero unit
    Bytes field;
    for (char16_t unit : host) {
      const Bytes one = littleEndian({unit});
      field.insert(field.end(), one.begin(), one.end());
    }
    field.resize(field.size() + 2, 0);
    const QByteArray expected(c.utf8);  // compared as UTF-8: QString::fromUtf8 would drop a leading mark

    char out[64];
    ASSERT_EQ(FLN_COMM_ConvertUniCharToChar(host.c_str(), out, sizeof out), 1);
    EXPECT_STREQ(out, c.utf8);
    EXPECT_EQ(readField(field.data(), field.size()), c.utf8);
    EXPECT_EQ(FLN_COMM_CreateNSString_FromUniChar(host.c_str()).toUtf8(), expected);
    EXPECT_EQ(FLN_COMM_CreateNSString_FromUniChar_LtoN(field.data(), field.size()).toUtf8(), expected);
  }
}

TEST(FieldReading, SizeZeroGivesEmptyTextWithoutReading) {
  EXPECT_TRUE(FLN_COMM_CreateNSString_FromUniChar_LtoN(nullptr, 0).isEmpty());
  char out[4] = "##";
  ASSERT_EQ(FLN_COMM_ConvertUniCharToChar_LtoN(nullptr, 0, out, sizeof out), 1);
  EXPECT_STREQ(out, "");
}

TEST(FieldReading, FieldWithoutZeroUnitIsReadOnlyWithinIt) {
  // The field proper is its first fieldBytes; what follows belongs to the next field.
  const Bytes memory = littleEndian({0xFEFF, u'x', u'y', u'z', u'Q', u'R', 0});
  struct Case {
    size_t fieldBytes;
    const char* converted;  // the whole field is the text
    const char* string;     // the field's last unit is its terminator's place
  };
  const Case cases[] = {
      {8, "xyz", "xy"}, {9, "xyz", "xy"}, {4, "x", ""}, {2, "", ""}, {1, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fieldBytes);
    EXPECT_EQ(readField(memory.data(), c.fieldBytes), c.converted);
    EXPECT_EQ(FLN_COMM_CreateNSString_FromUniChar_LtoN(memory.data(), c.fieldBytes), QString::fromUtf8(c.string));
  }
}

TEST(UnitCopy, HostTextToLittleEndianAndBackIncludingTerminator) {
  const char16_t host[] = u"\uFEFFab";
  unsigned char field[10];
  std::memset(field, 0xAA, sizeof field);
  FLN_COMM_NtoL_UniChar(host, field);
  const Bytes expected = littleEndian({0xFEFF, u'a', u'b', 0});
  EXPECT_EQ(Bytes(field, field + expected.size()), expected);
  EXPECT_EQ(field[expected.size()], 0xAA);

  char16_t back[5] = {u'#', u'#', u'#', u'#', u'#'};
  FLN_COMM_LtoN_UniChar(field, back);
  EXPECT_EQ(std::u16string(back, 5), (std::u16string{0xFEFF, u'a', u'b', 0, u'#'}));
}

TEST(FieldFitTest, CutsOnlyAtCharacterBoundaries) {
  struct Utf8Case {
    std::string text;
    size_t maxBytes;
    std::string cut;
  };
  const Utf8Case utf8[] = {
      {"abc", 3, "abc"}, {"abc", 2, "ab"}, {"aあ", 4, "aあ"}, {"aあ", 3, "a"}, {"aあ", 1, "a"},
      {"あ", 0, ""},     {"a😀b", 4, "a"},  {"a😀b", 5, "a😀"},
  };
  for (const Utf8Case& c : utf8) EXPECT_EQ(CutUtf8_ToBytes(c.text, c.maxBytes), c.cut) << c.text << " " << c.maxBytes;

  struct UnitsCase {
    QString text;
    size_t maxUnits;
    QString cut;
  };
  const UnitsCase units[] = {
      {"ab😀", 4, "ab😀"}, {"ab😀", 3, "ab"}, {"ab😀c", 3, "ab"}, {"abc", 0, ""}, {"あいう", 2, "あい"},
  };
  for (const UnitsCase& c : units) EXPECT_EQ(CutText_ToUnits(c.text, c.maxUnits), c.cut) << c.text.toStdString();
}

TEST(FieldFitTest, StoresTextWholeOrNotAtAll) {
  const struct {
    const char* what;
    QString text;
    bool stored;
    bool mark;  // stored after the mark U+FEFF
  } cases[] = {
      {"short", QStringLiteral("題名"), true, true},
      {"126 units: with the mark", QString(126, QChar(0x5B57)), true, true},
      {"127 units: filling the field without it", QString(127, QChar(0x5B57)), true, false},
      {"127 units in surrogate pairs", QString::fromUtf8("😀").repeated(63) + QLatin1Char('a'), true, false},
      {"128 units: does not fit", QString(128, QLatin1Char('a')), false, false},
      {"127 units beginning with U+FEFF would lose it", QChar(0xFEFF) + QString(126, QLatin1Char('a')), false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FlnUniChar field[128];
    std::memset(field, 0x5A, sizeof field);
    EXPECT_EQ(StoreWholeText(c.text, field, sizeof field), c.stored);
    const auto bytes = reinterpret_cast<const uint8_t*>(field);
    if (!c.stored) {
      EXPECT_EQ(std::count(bytes, bytes + sizeof field, 0x5A), static_cast<long>(sizeof field)) << "left alone";
      continue;
    }
    EXPECT_EQ(FLN_COMM_CreateNSString_FromUniChar_LtoN(field, sizeof field), c.text);
    EXPECT_EQ(bytes[0] == 0xFF && bytes[1] == 0xFE, c.mark);
  }
}

}  // namespace
