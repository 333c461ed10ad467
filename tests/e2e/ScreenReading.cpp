#include "ScreenReading.h"

#include <QColor>
#include <algorithm>
#include <cstdlib>

namespace e2e {

namespace {

int Grey(const QImage& screen, int x, int y) { return qGray(screen.pixel(x, y)); }

bool IsWhite(const QImage& screen, int x, int y) { return Grey(screen, x, y) >= 0xFC; }

// The selection colour: clearly blue rather than grey.
bool IsHighlight(QRgb pixel) { return qBlue(pixel) > qRed(pixel) + 60; }

// Light grey of a header's gradient (not white, not a border line).
bool IsHeaderShade(const QImage& screen, int x, int y) {
  const int grey = Grey(screen, x, y);
  return grey >= 0xD8 && grey < 0xFC;
}

struct Band {
  int top = -1;
  int bottom = -1;  // last row of the band
};

// Scanning up column x from the window's bottom: the first long white run is
// the list's rows; the shaded run right above it is the header.
Band HeaderAt(const QImage& screen, const QRect& window, int x) {
  constexpr int kLeastRowsRun = 30;
  int y = window.bottom();
  int white = 0;
  for (; y > window.top(); --y) {
    if (IsWhite(screen, x, y) || IsHighlight(screen.pixel(x, y))) {
      ++white;
    } else if (white >= kLeastRowsRun) {
      break;
    } else {
      white = 0;
    }
  }
  if (white < kLeastRowsRun) return {};
  const int headerBottom = y;  // the header's lower border line
  int top = headerBottom - 1;
  while (top > window.top() && IsHeaderShade(screen, x, top)) --top;
  if (headerBottom - top < 10) return {};
  return {top + 1, headerBottom};
}

}  // namespace

std::optional<EntryListArea> FindEntryList(const QImage& screen, const QRect& window) {
  const QRect inside = window.intersected(screen.rect());
  if (inside.width() < 100 || inside.height() < 100) return std::nullopt;
  // Text in a section stops the scan early; the tallest header found over a
  // few columns is the header's full height.
  Band best;
  int probe = -1;
  for (int i = 0; i < 12; ++i) {
    const int x = inside.left() + inside.width() * (40 + 5 * i) / 100;
    const Band band = HeaderAt(screen, inside, x);
    if (band.top >= 0 && (best.top < 0 || band.bottom - band.top > best.bottom - best.top ||
                          (band.bottom == best.bottom && band.top < best.top))) {
      best = band;
      probe = x;
    }
  }
  if (best.top < 0) return std::nullopt;

  EntryListArea area;
  // The list's left and right frame lines, from the first row below the header.
  const int rowY = best.bottom + 2;
  int left = probe;
  while (left > inside.left() && (IsWhite(screen, left - 1, rowY) || IsHighlight(screen.pixel(left - 1, rowY)) ||
                                  Grey(screen, left - 1, rowY) > 0xC8))
    --left;
  int right = probe;
  while (right < inside.right() && (IsWhite(screen, right + 1, rowY) || IsHighlight(screen.pixel(right + 1, rowY)) ||
                                    Grey(screen, right + 1, rowY) > 0xC8))
    ++right;
  area.header = QRect(QPoint(left, best.top), QPoint(right, best.bottom - 1));

  int bottom = best.bottom + 1;
  while (bottom < inside.bottom() &&
         (Grey(screen, left, bottom + 1) >= 0xF0 || IsHighlight(screen.pixel(left, bottom + 1))))
    ++bottom;
  area.viewport = QRect(QPoint(left, best.bottom + 1), QPoint(right, bottom));

  // Sections: separator lines run down the header near its top edge, where
  // no text reaches.
  const int lineY = best.top + 2;
  QVector<int> separators;
  for (int x = left; x <= right; ++x)
    if (Grey(screen, x, lineY) < 0xE4 && (separators.isEmpty() || separators.last() != x - 1)) separators << x;
    else if (Grey(screen, x, lineY) < 0xE4) separators.last() = x;
  int start = left;
  for (const int separator : separators) {
    if (separator - start >= 12) area.sections << QRect(QPoint(start, best.top), QPoint(separator - 1, best.bottom - 1));
    if (separator == start) area.leftAligned = true;
    start = separator + 1;
  }
  area.leftAligned = area.leftAligned || (!area.sections.isEmpty() && area.sections.first().left() == left);
  area.rightAligned = !separators.isEmpty() && separators.last() >= right - 2 - 16;
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
