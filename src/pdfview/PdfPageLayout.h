#pragma once
// Where the pages of a PDF lie in the scrollable area of the PDF view, in the
// view's pixels, for the four display modes: single page, single page
// continuous, two pages side by side, and two pages side by side continuous.
//
// Pages are grouped in rows of one page (single modes) or two (pages 0-1,
// 2-3, ... in the two-up modes). The continuous modes lay out every row one
// below the other; the others lay out only the row of the current page.
// Each row is centred horizontally in the wider of the rows and the
// viewport, with a margin around everything and a gap between rows and
// between the two pages of a row.

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QSizeF>
#include <QVector>

/// Display modes, numbered as the viewer's commands and menu set them.
enum PdfDisplayMode : int {
  kDisplaySinglePage = 0,
  kDisplaySinglePageContinuous = 1,
  kDisplayTwoUp = 2,
  kDisplayTwoUpContinuous = 3,
};

constexpr int kPageMargin = 8;  // pixels around the laid-out pages
constexpr int kPageGap = 8;     // pixels between rows and between the pages of a row

/// 2 in the two-up modes, 1 otherwise (also for an unknown mode).
int PagesPerRow(int displayMode);
/// Whether every row is laid out (modes 1 and 3).
bool IsContinuousMode(int displayMode);

class PdfPageLayout {
 public:
  /// An empty layout: no pages, content size (0, 0).
  PdfPageLayout() = default;

  /// Lays out pages of the given point sizes at `pixelsPerPoint` (> 0).
  /// `currentPage` chooses the row shown by the non-continuous modes; it is
  /// clamped to the pages. A page is at least one pixel in each direction.
  PdfPageLayout(const QVector<QSizeF>& pagePointSizes, int displayMode, double pixelsPerPoint,
                int viewportWidth, int currentPage);

  /// The size of the whole scrollable content, margins included.
  QSize contentSize() const { return _contentSize; }
  int pageCount() const { return static_cast<int>(_pageRects.size()); }
  int pagesPerRow() const { return _pagesPerRow; }
  int rowCount() const;
  /// Row of `page` (page / pages per row).
  int rowOf(int page) const { return page / _pagesPerRow; }

  /// The rectangle of `page` in content pixels; an empty rectangle for a
  /// page that is not laid out (other rows of a non-continuous mode, or an
  /// index outside the document).
  QRect pageRect(int page) const;
  /// The rectangle spanning the pages of `row`; empty when it is not laid out.
  QRect rowRect(int row) const;
  /// The laid-out pages that intersect `area`, ascending.
  QVector<int> pagesIn(const QRect& area) const;
  /// The laid-out page under `point`, or -1.
  int pageAt(QPoint point) const;
  /// The first page of the laid-out row of which most lies inside `area`
  /// (in height; the earliest row on a tie), or -1 when no row meets it.
  int mostVisibleRowPage(const QRect& area) const;

  /// The pixels per point at which the widest row (continuous modes) or the
  /// row of `currentPage` (other modes, where also its height must fit)
  /// fills `viewport` inside the margins. 0 when there are no pages or the
  /// viewport has no room.
  static double FitPixelsPerPoint(const QVector<QSizeF>& pagePointSizes, int displayMode, int currentPage,
                                  QSize viewport);

 private:
  int _pagesPerRow = 1;
  QSize _contentSize{0, 0};
  QVector<QRect> _pageRects;  // empty rectangles for pages not laid out
};
