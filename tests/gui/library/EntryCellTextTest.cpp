// What the entry list shows in each column.

#include <gtest/gtest.h>

#include <cstring>

#include "gui/library/EntryCellText.h"
#include "format/Endian.h"
#include "format/FieldText.h"

namespace {

TEST(EntryCellText, FileSizes) {
  const struct {
    int32_t bytes;
    const char* shown;
  } cases[] = {
      {1048576, "1.0 MB"}, {1048575, "1024.0 KB"}, {20480, "20.0 KB"},
      {0, "0.0 KB"},       {3145728, "3.0 MB"},    {1536, "1.5 KB"},
  };
  for (const auto& c : cases) EXPECT_EQ(FileSizeText(c.bytes), QString::fromUtf8(c.shown)) << c.bytes;
}

TEST(EntryCellText, UpdateDates) {
  const struct {
    const char* stored;
    const char* shown;
  } cases[] = {
      {"20241105123456789", "2024/11/05 12:34"},
      {"", ""},
      {"20241105", "20241105"},  // too short for the minutes: as it stands
  };
  for (const auto& c : cases) {
    char field[18] = {};
    strncpy(field, c.stored, sizeof field - 1);
    EXPECT_EQ(UpdateDateText(field, sizeof field), QString::fromUtf8(c.shown)) << c.stored;
  }
  // A field without its zero byte is read no further than the field.
  char full[18];
  memcpy(full, "202411051234567891", 18);
  EXPECT_EQ(UpdateDateText(full, sizeof full), QStringLiteral("2024/11/05 12:34"));
}

TEST(EntryCellText, Ratings) {
  const struct {
    int16_t rate;
    const char* shown;
  } cases[] = {{0, ""}, {1, "☆"}, {3, "☆☆☆"}, {5, "☆☆☆☆☆"}, {6, ""}, {-1, ""}};
  for (const auto& c : cases) EXPECT_EQ(RatingText(c.rate), QString::fromUtf8(c.shown)) << c.rate;
}

TEST(EntryCellText, ColumnsOfAnEntry) {
  FLN_ENTRY entry;
  memset(&entry, 0, sizeof entry);
  FLN_COMM_ConvertCharToUniChar_NtoL("<b>論文</b>", entry.en_title, sizeof entry.en_title);
  FLN_COMM_ConvertCharToUniChar_NtoL("物理", entry.en_c2_name, sizeof entry.en_c2_name);
  FLN_COMM_ConvertCharToUniChar_NtoL("山田", entry.en_translator_name, sizeof entry.en_translator_name);
  FLN_COMM_ConvertCharToUniChar_NtoL("長いメモ", entry.en_note, sizeof entry.en_note);
  entry.en_my_rate = ZEL_EndianShort_NtoL(2);
  entry.en_file_size = ZEL_EndianLong_NtoL(2097152);
  strcpy(entry.en_update_date, "20230102030405000");
  strcpy(entry.en_create_date, "20230102030405000");

  const struct {
    const char* column;
    const char* shown;
  } cases[] = {
      {"title", "<b>論文</b>"},  // plain text, exactly as stored
      {"cat2", "物理"},
      {"translator", "山田"},
      {"note", "長いメモ"},
      {"myRate", "☆☆"},
      {"fileSize", "2.0 MB"},
      {"updateDate", "2023/01/02 03:04"},
      {"cat1", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(EntryCellText(entry, QString::fromLatin1(c.column)), QString::fromUtf8(c.shown)) << c.column;
  // Sortable keys that are no column of the list show nothing at all.
  EXPECT_TRUE(EntryCellText(entry, QStringLiteral("createDate")).isNull());
  EXPECT_TRUE(EntryCellText(entry, QStringLiteral("lastViewDate")).isNull());
}

}  // namespace
