#pragma once
// Reading the library window from a screenshot: where the entry list's header
// and its sections are, which row is highlighted, how many rows the list has
// room for, and the text lines of an open menu. Positions are in screen
// pixels; everything is found from the pixels alone.

#include <QImage>
#include <QRect>
#include <QVector>
#include <optional>

namespace e2e {

struct EntryListArea {
  QRect header;              // the header row, inside the list's frame
  QRect viewport;            // the rows below it, down to the scroll bar or frame
  QVector<QRect> sections;   // header sections whose right end shows, left to right
  bool leftAligned = false;  // the first section starts at the list's left edge
};

/// Finds the entry list (the framed table whose header is the lowest in the
/// window) inside `window` of `screen`.
std::optional<EntryListArea> FindEntryList(const QImage& screen, const QRect& window);

/// The highlighted (selected) band of rows crossing column `x` inside
/// `viewport`, if any.
std::optional<QRect> HighlightedBand(const QImage& screen, const QRect& viewport, int x);

/// Fraction of the pixels in `area` that are close to `colour`.
double ShareOfColour(const QImage& screen, const QRect& area, QRgb colour);

/// One line of text in a menu: its band and whether it is drawn greyed out.
struct MenuLine {
  QRect band;
  bool greyed = false;
};

/// The text lines of the menu shown in `menu`, top to bottom (separators are
/// no text lines).
QVector<MenuLine> MenuLines(const QImage& screen, const QRect& menu);

}  // namespace e2e
