#include "transfer/ImportEntry.h"

#include <gtest/gtest.h>

#include "TransferTestSupport.h"
#include "format/Endian.h"
#include "format/FieldText.h"

#include <algorithm>
#include <cstring>

namespace {

using namespace transfertest;

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
