#include "ScreenReading.h"

#include <QColor>
#include <algorithm>
#include <cstdlib>

namespace e2e {

namespace {

// The selection colour: clearly blue rather than grey.
bool IsHighlight(QRgb pixel) { return qBlue(pixel) > qRed(pixel) + 60; }

// Share of the pixels of row y between x0 and x1 that `test` accepts.
template <typename Test>
double RowShare(const QImage& screen, int y, int x0, int x1, Test test) {
  int hits = 0;
  for (int x = x0; x <= x1; ++x) hits += test(screen.pixel(x, y)) ? 1 : 0;
  return static_cast<double>(hits) / (x1 - x0 + 1);
}

bool IsLine(QRgb pixel) { return qGray(pixel) >= 0x98 && qGray(pixel) <= 0xC6; }
// The darkest end of a header's gradient (not the window's flat 0xEF).
bool IsHeaderFoot(QRgb pixel) { return qGray(pixel) >= 0xD8 && qGray(pixel) <= 0xEC; }
// Rows: white, the alternate shade, the current cell's tint, the selection.
bool IsRow(QRgb pixel) { return qGray(pixel) >= 0xF0 || IsHighlight(pixel); }

}  // namespace

std::optional<EntryListArea> FindEntryList(const QImage& screen, const QRect& window) {
  const QRect inside = window.intersected(screen.rect());
  if (inside.width() < 100 || inside.height() < 100) return std::nullopt;
  // Columns surely inside the entry list: right of the library outline, left
  // of the window's edge.
  const int x0 = inside.left() + inside.width() * 45 / 100;
  const int x1 = std::min(inside.right() - 15, x0 + 120);

  // The header's lower border: a grey line across the list with the header's
  // shading above it and rows below it. Scanned from the bottom, so that the
  // category lists above are never taken for it.
  // (The rows are looked at a few pixels down: the current cell's focus
  // frame may run along the first row's top.) A header is a dozen pixels
  // tall at least; the list's own top frame above the divider is no header.
  constexpr int kLeastHeaderHeight = 12;
  constexpr int kMostHeaderHeight = 60;
  int foot = -1;
  int top = -1;
  for (int y = inside.bottom() - 4; y > inside.top() + 1 && foot < 0; --y) {
    if (RowShare(screen, y, x0, x1, IsLine) < 0.9 || RowShare(screen, y - 1, x0, x1, IsHeaderFoot) < 0.8 ||
        RowShare(screen, y + 3, x0, x1, IsRow) < 0.6)
      continue;
    // Up to the list's top frame, the next line across it (section texts
    // are no lines).
    top = y - 1;
    while (top > inside.top() && y - top <= kMostHeaderHeight && RowShare(screen, top - 1, x0, x1, IsLine) < 0.9)
      --top;
    if (y - top >= kLeastHeaderHeight && y - top <= kMostHeaderHeight) foot = y;
  }
  if (foot < 0) return std::nullopt;
  // The rows end at the next line across the list: the scroll bar's top or
  // the list's frame.
  int bottom = foot + 1;
  while (bottom < inside.bottom() && RowShare(screen, bottom + 1, x0, x1, IsLine) < 0.9) ++bottom;

  // The list's left and right edges: along the header's top, where only the
  // sections' separators and the frame break the shading.
  const int lineY = top + 1;
  const auto inHeader = [&](int x) { return qGray(screen.pixel(x, lineY)) >= 0xC8; };
  int left = x0;
  while (left > inside.left() && inHeader(left - 1)) --left;
  int right = x0;
  while (right < inside.right() && inHeader(right + 1)) ++right;

  EntryListArea area;
  area.header = QRect(QPoint(left, top), QPoint(right, foot - 1));
  area.viewport = QRect(QPoint(left, foot + 1), QPoint(right, bottom));
  // Sections end at separator lines, darker than the shading.
  QVector<int> separators;
  for (int x = left; x <= right; ++x) {
    if (qGray(screen.pixel(x, lineY)) >= 0xE4) continue;
    if (!separators.isEmpty() && separators.last() == x - 1)
      separators.last() = x;
    else
      separators << x;
  }
  // Right of the last section the header is flat, not shaded: its end
  // closes the last section.
  int shadedEnd = right;
  while (shadedEnd > left && qGray(screen.pixel(shadedEnd, lineY)) < 0xF4) --shadedEnd;
  if (shadedEnd < right - 2 && (separators.isEmpty() || separators.last() < shadedEnd)) separators << shadedEnd + 1;
  int start = left;
  for (const int separator : separators) {
    if (separator - start >= 12) area.sections << QRect(QPoint(start, top), QPoint(separator - 1, foot - 1));
    start = separator + 1;
  }
  area.leftAligned = !area.sections.isEmpty() && area.sections.first().left() == left;
  return area;
}

std::optional<QRect> HighlightedBand(const QImage& screen, const QRect& viewport, int x) {
  int top = -1;
  int bottom = -1;
  for (int y = viewport.top(); y <= viewport.bottom(); ++y) {
    if (!IsHighlight(screen.pixel(x, y))) continue;
    if (top < 0) top = y;
    if (bottom >= 0 && y > bottom + 1) break;  // a second band: take the first
    bottom = y;
  }
  if (top < 0) return std::nullopt;
  return QRect(QPoint(viewport.left(), top), QPoint(viewport.right(), bottom));
}

double ShareOfColour(const QImage& screen, const QRect& area, QRgb colour) {
  const QRect inside = area.intersected(screen.rect());
  if (inside.isEmpty()) return 0;
  long near = 0;
  for (int y = inside.top(); y <= inside.bottom(); ++y)
    for (int x = inside.left(); x <= inside.right(); ++x) {
      const QRgb pixel = screen.pixel(x, y);
      if (std::abs(qRed(pixel) - qRed(colour)) < 40 && std::abs(qGreen(pixel) - qGreen(colour)) < 40 &&
          std::abs(qBlue(pixel) - qBlue(colour)) < 40)
        ++near;
    }
  return static_cast<double>(near) / (static_cast<double>(inside.width()) * inside.height());
}

QVector<MenuLine> MenuLines(const QImage& screen, const QRect& menu) {
  // Text starts a little right of the menu's edge (after the icon column)
  // and never spans the whole width; a separator does.
  const QRect inside = menu.adjusted(3, 3, -3, -3).intersected(screen.rect());
  const QRgb background = screen.pixel(inside.right(), inside.top() + inside.height() / 2);
  QVector<MenuLine> lines;
  int top = -1;
  int darkest = 255;
  for (int y = inside.top(); y <= inside.bottom() + 1; ++y) {
    int inked = 0;
    int rowDarkest = 255;
    if (y <= inside.bottom()) {
      for (int x = inside.left(); x <= inside.right(); ++x) {
        const QRgb pixel = screen.pixel(x, y);
        if (std::abs(qGray(pixel) - qGray(background)) > 24) {
          ++inked;
          rowDarkest = std::min(rowDarkest, qGray(pixel));
        }
      }
    }
    const bool text = inked > 0 && inked < inside.width() * 3 / 4;
    if (text) {
      if (top < 0) top = y;
      darkest = std::min(darkest, rowDarkest);
    } else if (top >= 0) {
      // Greyed text is drawn in a light tone; enabled text reaches near black.
      lines << MenuLine{QRect(inside.left(), top, inside.width(), y - top), darkest > 0x70};
      top = -1;
      darkest = 255;
    }
  }
  return lines;
}

}  // namespace e2e
