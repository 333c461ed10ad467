// The texts and the placement arithmetic of the entry information window.

#include <gtest/gtest.h>

#include <cstring>

#include "gui/entry/EntryDlgPlacement.h"
#include "gui/entry/EntryDlgText.h"

namespace {

TEST(EntryDlgText, Dates) {
  const struct {
    const char* stored;
    const char* shown;
  } cases[] = {
      {"20261208142205123", "2026/12/08 14:22:05"},
      {"19990101000000000", "1999/01/01 00:00:00"},
      {"", ""},
      {"202612081422", "202612081422"},  // no seconds: shown as it stands
  };
  for (const auto& c : cases) {
    char field[18] = {};
    strncpy(field, c.stored, sizeof field - 1);
    EXPECT_EQ(getViewStringFromDataChars(field, sizeof field), QString::fromUtf8(c.shown)) << c.stored;
  }
  // A field without its zero byte is read no further than the field.
  char full[18];
  memcpy(full, "202612081422051239", 18);
  EXPECT_EQ(getViewStringFromDataChars(full, sizeof full), QStringLiteral("2026/12/08 14:22:05"));
}

TEST(EntryDlgText, Titles) {
  EXPECT_EQ(EntryDlgTitle(QStringLiteral("量子論入門")), QStringLiteral("「量子論入門」の情報"));
  EXPECT_EQ(EntryDlgTitle(QString()), QStringLiteral("「」の情報"));
  EXPECT_EQ(EntryDlgTitle(QStringLiteral("%1 and %s")), QStringLiteral("「%1 and %s」の情報"));

  // 126 kanji are 378 bytes of UTF-8: the title is cut to whole characters
  // within 255 bytes ("「" is 3 bytes, so 84 kanji follow it).
  const QString longTitle(126, QChar(0x6F22));
  const QString cut = EntryDlgTitle(longTitle);
  EXPECT_LE(cut.toUtf8().size(), 255);
  EXPECT_EQ(cut, QStringLiteral("「") + QString(84, QChar(0x6F22)));
  // An ASCII title cut within its closing text keeps whole characters too.
  const QString ascii(250, QLatin1Char('a'));
  EXPECT_EQ(EntryDlgTitle(ascii), QStringLiteral("「") + ascii);
}

FlnRect Rect(int top, int left, int bottom, int right) {
  return FlnRect{static_cast<int16_t>(top), static_cast<int16_t>(left), static_cast<int16_t>(bottom),
                 static_cast<int16_t>(right)};
}

TEST(EntryDlgPlacement, Origins) {
  const QRect display(0, 0, 1920, 1080);
  const QSize size(600, 640);
  const struct {
    const char* what;
    FlnRect stored;
    std::optional<QRect> behind;
    QPoint expected;
  } cases[] = {
      {"large stored frame: its place", Rect(100, 200, 740, 800), QRect(50, 60, 900, 700), QPoint(200, 100)},
      {"just too narrow: cascaded", Rect(100, 200, 740, 767), QRect(50, 60, 900, 700), QPoint(55, 78)},
      {"just too low: cascaded", Rect(100, 200, 703, 800), QRect(50, 60, 900, 700), QPoint(55, 78)},
      {"smallest large frame", Rect(100, 200, 704, 768), QRect(50, 60, 900, 700), QPoint(200, 100)},
      {"never moved: cascaded", Rect(0, 0, 0, 0), QRect(50, 60, 900, 700), QPoint(55, 78)},
      {"no window behind: stored place", Rect(10, 20, 30, 40), std::nullopt, QPoint(20, 10)},
      // Cascading would end below the display: x = 5, bottom edge the
      // behind window's height + 18 above the display's bottom.
      {"bottom below display", Rect(0, 0, 0, 0), QRect(50, 450, 300, 200), QPoint(5, 1080 - 218 - 640)},
      {"left of display", Rect(0, 0, 0, 0), QRect(-20, 60, 300, 200), QPoint(5, 1080 - 218 - 640)},
      // x + w = 1221 + 600 = 1821 > 1920 - 100
      {"too near the right edge", Rect(0, 0, 0, 0), QRect(1216, 60, 300, 200), QPoint(5, 1080 - 218 - 640)},
      {"right edge just inside", Rect(0, 0, 0, 0), QRect(1215, 60, 300, 200), QPoint(1220, 78)},
      // A tall window behind would put the top above the display.
      {"title bar kept on the display", Rect(0, 0, 0, 0), QRect(50, 450, 300, 900), QPoint(5, 0)},
      // A large remembered place on no screen is not used.
      {"stored place off every screen", Rect(3000, 4000, 3640, 4600), QRect(50, 60, 900, 700), QPoint(55, 78)},
      {"off screen, nothing behind", Rect(3000, 4000, 3640, 4600), std::nullopt, QPoint(5, 18)},
  };
  for (const auto& c : cases) {
    EntryDlgPlacementInput input;
    input.stored = c.stored;
    input.behind = c.behind;
    input.size = size;
    input.display = display;
    input.screens = {display};
    EXPECT_EQ(EntryDlgOrigin(input), c.expected) << c.what;
  }
}

TEST(EntryDlgPlacement, SecondScreenPlaceIsKept) {
  // A place on a screen left of the main display is a place on a screen.
  EntryDlgPlacementInput input;
  input.stored = Rect(100, -1500, 740, -900);
  input.behind = QRect(50, 60, 900, 700);
  input.size = QSize(600, 640);
  input.display = QRect(0, 0, 1920, 1080);
  input.screens = {input.display, QRect(-1600, 0, 1600, 900)};
  EXPECT_EQ(EntryDlgOrigin(input), QPoint(-1500, 100));
}

TEST(EntryDlgPlacement, FrameToStoredRect) {
  const FlnRect rect = EntryDlgFrameToFlnRect(QRect(120, 80, 600, 640));
  EXPECT_EQ(rect.top, 80);
  EXPECT_EQ(rect.left, 120);
  EXPECT_EQ(rect.bottom, 720);
  EXPECT_EQ(rect.right, 720);
  // Each value is cut to 16 bits, as the stored field holds it.
  const FlnRect far = EntryDlgFrameToFlnRect(QRect(70000, -5, 10, 10));
  EXPECT_EQ(far.left, static_cast<int16_t>(70000));
  EXPECT_EQ(far.top, -5);
}

}  // namespace
