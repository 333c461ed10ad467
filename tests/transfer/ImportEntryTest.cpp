#include "transfer/ImportEntry.h"

#include <gtest/gtest.h>

#include "TransferTestSupport.h"
#include "format/Endian.h"
#include "storage/FolianCommon.h"
#include "transfer/FieldFit.h"

#include <algorithm>
#include <cstring>

namespace {

using namespace transfertest;

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

TEST(ImportEntryTest, TextsTooLongForTheirFieldsAreCutAndTheFileNameKeepsItsExtension) {
  const std::string name = std::string(200, 'x') + ".pdf";
  const std::string path = "/in/" + name;
  const char* const categories[3] = {"一", "二", "三"};
  const ImportSystemFacts facts{QString(70, u'o'), QStringLiteral("host")};
  FrozenClock clock(FixedTime());
  FLN_ENTRY entry;
  BuildEntry_FromFile(path, 0x100000123LL, QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5, 678)), categories, facts, &entry);

  EXPECT_EQ(FIELD_TEXT(entry, en_file_name), std::string(122, 'x') + ".pdf");
  EXPECT_EQ(FIELD_TEXT(entry, en_title), std::string(126, 'x'));
  EXPECT_EQ(FIELD_TEXT(entry, en_file_path), path);
  EXPECT_EQ(FIELD_TEXT(entry, en_os), std::string(62, 'o'));
  EXPECT_EQ(FIELD_TEXT(entry, en_machine_name), "host");
  EXPECT_EQ(FIELD_TEXT(entry, en_c2_name), "二");
  EXPECT_EQ(Host(entry.en_file_size), 0x123) << "the size is kept as a 32-bit number";
  EXPECT_EQ(FIELD_CHARS(entry, en_file_create_date), "20200102030405678");
  EXPECT_EQ(FIELD_CHARS(entry, en_create_date), kFixedDate);
  EXPECT_EQ(entry.en_id, 0);
}

TEST(ImportEntryTest, APathIsKeptWholeOrRefused) {
  EXPECT_TRUE(ImportPathFits("/" + std::string(509, 'a')));   // 510 bytes: fits the entry's field
  EXPECT_FALSE(ImportPathFits("/" + std::string(510, 'a')));  // 511 bytes, but 511 units do not fit
  std::string japanese = "/";
  while (japanese.size() + 3 <= 511) japanese += "あ";
  EXPECT_TRUE(ImportPathFits(japanese));
  EXPECT_FALSE(ImportPathFits(japanese + "あ"));
}

}  // namespace
