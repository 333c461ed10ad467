#include "storage/FolianCommon.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <cstring>
#include <ctime>
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

// Sets the process's time zone for one test and puts the old one back.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* tz) : hadOld_(qEnvironmentVariableIsSet("TZ")), old_(qgetenv("TZ")) {
    qputenv("TZ", tz);
    tzset();
  }
  ~ScopedTimeZone() {
    if (hadOld_)
      qputenv("TZ", old_);
    else
      qunsetenv("TZ");
    tzset();
  }

 private:
  bool hadOld_;
  QByteArray old_;
};

constexpr char kUntouched[] = "##################################";  // 34 bytes and a zero

TEST(DateString, WrittenOnlyIntoEighteenBytesOrMore) {
  const QDateTime date(QDate(2026, 12, 8), QTime(21, 13, 20, 500), Qt::LocalTime);
  struct Case {
    size_t size;
    bool written;
  };
  const Case cases[] = {{0, false}, {16, false}, {17, false}, {18, true}, {34, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    char dest[sizeof kUntouched];
    std::memcpy(dest, kUntouched, sizeof dest);
    FLN_COMM_NSDateToString(date, dest, c.size);
    if (c.written) {
      EXPECT_EQ(std::string(dest, 18), std::string("20261208211320500", 18));  // 17 digits and a zero
      EXPECT_EQ(dest[18], '#');
    } else {
      EXPECT_STREQ(dest, kUntouched);
    }
  }
}

TEST(DateString, DigitsOfLocalDateWithMillisecondsTruncated) {
  struct Case {
    QDate day;
    QTime time;
    const char* digits;
  };
  const Case cases[] = {
      {QDate(2026, 12, 8), QTime(21, 13, 20, 500), "20261208211320500"},
      {QDate(2001, 1, 2), QTime(3, 4, 5, 7), "20010102030405007"},
      {QDate(1999, 12, 31), QTime(23, 59, 59, 999), "19991231235959999"},
      {QDate(1, 1, 1), QTime(0, 0, 0, 0), "00010101000000000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.digits);
    char dest[18];
    FLN_COMM_NSDateToString(QDateTime(c.day, c.time, Qt::LocalTime), dest, sizeof dest);
    EXPECT_STREQ(dest, c.digits);
  }
}

TEST(DateString, IsTakenInLocalTimeWhateverTheDateObjectsZone) {
  const ScopedTimeZone japan("JST-9");
  char dest[18];
  FLN_COMM_NSDateToString(QDateTime(QDate(2026, 12, 8), QTime(12, 13, 20, 500), Qt::UTC), dest, sizeof dest);
  EXPECT_STREQ(dest, "20261208211320500");
}

TEST(DateString, DatesThatDoNotFitSeventeenDigitsWriteNothing) {
  const QDateTime dates[] = {
      QDateTime(),
      QDateTime(QDate(10000, 1, 1), QTime(0, 0), Qt::LocalTime),
      QDateTime(QDate(-5, 1, 1), QTime(0, 0), Qt::LocalTime),
  };
  for (const QDateTime& date : dates) {
    SCOPED_TRACE(date.toString(Qt::ISODate).toStdString());
    char dest[sizeof kUntouched];
    std::memcpy(dest, kUntouched, sizeof dest);
    FLN_COMM_NSDateToString(date, dest, sizeof dest);
    EXPECT_STREQ(dest, kUntouched);
  }
}

}  // namespace
