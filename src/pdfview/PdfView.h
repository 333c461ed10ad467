#pragma once
// The document view of the PDF viewer window: shows a PdfDocument page by
// page in one of four display modes (PdfPageLayout.h), at a scale factor
// (1.0 = actual size on the screen) or scaled automatically to fit, with
// page navigation and a history of visited pages for back and forward, text
// selection, search and printing. It answers the questions the window's
// buttons and menus ask (can it go to the next page, zoom in, go back, ...).
//
// Two tool modes decide what the mouse does. With the hand tool (1) a drag
// moves the pages with the pointer: each step scrolls by the pointer's
// movement on the screen since the last step, under a closed hand while the
// button is down and an open hand otherwise. With the text tool (2, and any
// other value) a drag selects text on one page, which the copy command puts
// on the clipboard. Over a link the pointer is a pointing hand in either
// mode, and a click follows the link.
//
// Pages are rendered in tiles on a worker thread (PdfRenderWorker.h) and
// kept in a cache with a byte limit (PdfPageCache.h); a page whose tiles are
// not there yet is shown white and filled in when they arrive, so the
// window never waits for a page to render.
//
// Methods are spread over PdfView.cpp (document, layout, painting, mouse),
// PdfViewNavigation.cpp (pages, history, scale, display mode, selection,
// search, printing) and PdfViewReading.cpp (links, paging keys, wheel).

#include <QAbstractScrollArea>
#include <QList>
#include <QHash>
#include <QPoint>
#include <QVector>
#include <functional>
#include <memory>
#include <optional>

#include "pdfview/PdfDocument.h"
#include "pdfview/PdfHistory.h"
#include "pdfview/PdfPageCache.h"
#include "pdfview/PdfPageLayout.h"
#include "pdfview/PdfPageText.h"
#include "pdfview/PdfRenderWorker.h"
#include "pdfview/PdfTextWorker.h"

/// Tool modes of the view.
constexpr int kToolModeHand = 1;
constexpr int kToolModeText = 2;

class QPainter;

class PdfView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  /// Scale factors that zooming steps through; the scale never leaves
  /// [first, last] of them.
  static const QVector<double>& ZoomSteps();
  /// Bytes of rendered tiles kept beyond those on screen.
  static constexpr qint64 kDefaultCacheBytes = 48 * 1024 * 1024;

  /// An empty view with the hand tool, display mode 0 and automatic scaling.
  explicit PdfView(QWidget* parent = nullptr);
  ~PdfView() override;

  // --- Document (PdfView.cpp)

  /// Shows `document` (not owned; it must stay loaded while shown, or until
  /// setDocument(nullptr) returns) from its first page, with an empty
  /// history and no selection. A document without pages shows nothing.
  /// Pages are laid out as large as the first until all are measured (on
  /// the worker thread), then again with their own sizes.
  void setDocument(PdfDocument* document);
  PdfDocument* document() const { return _document; }
  int pageCount() const { return static_cast<int>(_pagePointSizes.size()); }
  /// The pages' sizes in points (as large as the first until allPagesMeasured).
  const QVector<QSizeF>& pagePointSizes() const { return _pagePointSizes; }
  /// A text shown in the middle of the view while it has no pages (why
  /// there is nothing to show); empty: none.
  void setMessage(const QString& message);
  const QString& message() const { return _message; }

  // --- Tool modes (PdfView.cpp)

  /// Stores the mode and sets the pointer's shape for it.
  void setToolMode(int mode);
  int toolMode() const { return _toolMode; }

  // --- Pages and history (PdfViewNavigation.cpp)

  /// The page shown (the page whose row fills most of the view when
  /// scrolling freely); -1 without pages.
  int currentPage() const { return _currentPage; }
  /// Shows `page` (scrolled to its top) and records it in the history;
  /// an index outside the document is ignored.
  void goToPage(int page);
  /// In the two-up modes these step by rows of two pages.
  void goToFirstPage();
  void goToLastPage();
  void goToNextPage();
  void goToPreviousPage();
  bool canGoToFirstPage() const;
  bool canGoToLastPage() const;
  bool canGoToNextPage() const;
  bool canGoToPreviousPage() const;
  /// Back and forward through the pages that navigation went to.
  void goBack();
  void goForward();
  bool canGoBack() const;
  bool canGoForward() const;

  // --- Scale and display mode (PdfViewNavigation.cpp)

  double scaleFactor() const { return _scaleFactor; }
  /// Sets the scale (clamped to the zoom steps' range) and turns automatic
  /// scaling off.
  void setScaleFactor(double scale);
  bool autoScales() const { return _autoScales; }
  /// On: the scale follows the view's size (the widest row fills the width
  /// in the continuous modes; the current row fits whole in the others).
  void setAutoScales(bool on);
  /// The next zoom step above / below the scale; automatic scaling goes off.
  void zoomIn();
  void zoomOut();
  bool canZoomIn() const;
  bool canZoomOut() const;
  /// 0 single page, 1 single page continuous, 2 two-up, 3 two-up continuous;
  /// other values are ignored. The current page stays in view.
  void setDisplayMode(int mode);
  int displayMode() const { return _displayMode; }

  // --- Selection, search, printing (PdfViewNavigation.cpp)

  const PdfTextSelection& currentSelection() const { return _selection; }
  /// Shows `selection` highlighted (an invalid one clears it).
  void setCurrentSelection(const PdfTextSelection& selection);
  /// Scrolls (and, if needed, goes to its page, recorded in the history) so
  /// that the selection is in view.
  void scrollSelectionToVisible();
  /// Starts `search` (PdfTextWorker.h) on a thread of its own, in place of
  /// the one in progress, whose `done` is then not called. `done` gets what
  /// it found (invalid: nothing) on this thread, unless another document is
  /// set first; the view itself is unchanged.
  void find(const PdfTextSearch& search, std::function<void(const PdfTextSelection&)> done);
  /// Whether a search has started whose result has not come yet.
  bool searching() const { return _textWorker->searching(); }
  /// Highlights every occurrence of any of `texts` (found as a search
  /// finds them, PdfPageText.h) on the pages shown, under the selection;
  /// no texts: none.
  void setHighlightedTexts(const QStringList& texts);
  const QStringList& highlightedTexts() const { return _highlightedTexts; }
  /// The highlighted occurrences on `page` as far as the view knows them:
  /// those of the pages it has shown since the text was set (they are read
  /// on the search's thread and come soon after the page is shown).
  QList<PdfTextSelection> highlights(int page) const { return _highlights.value(page); }
  /// Puts the selected text on the clipboard; nothing without a selection.
  void copy();
  /// Runs the print panel and prints the document; the number of pages printed.
  int printDocument();

  // --- Links and paging (PdfViewReading.cpp)

  /// The link under `viewportPos` (viewport pixels), or null. Valid until
  /// the document changes.
  const PdfLink* linkAt(QPoint viewportPos);
  /// Follows `link`: a page of the document is gone to as goToPage does
  /// (recorded in the history), scrolled to the point the link names when
  /// it names one; a URI is handed to externalLinkActivated. A click (press
  /// and release on the same link, without a drag) follows a link in every
  /// tool mode.
  void followLink(const PdfLink& link);
  /// One screen further down (up). In the single-page modes, at the end of
  /// the row (nothing more to scroll) the next row is shown from its top
  /// (the previous row from its bottom).
  void pageDown();
  void pageUp();

  // --- Rendering state (PdfView.cpp)

  const PdfPageLayout& pageLayout() const { return _layout; }
  const PdfPageCache& pageCache() const { return _cache; }
  /// Whether every page's own size is known (see setDocument).
  bool allPagesMeasured() const { return _allMeasured; }
  /// Whether the view shows every visible page completely rendered: false
  /// from a scroll or new layout until a paint finds every tile in view.
  bool visiblePagesComplete() const { return _visibleComplete; }

 signals:
  /// The current page changed.
  void pageChanged();
  /// The scale factor changed.
  void scaleChanged();
  /// The text selection changed.
  void selectionChanged();
  /// setDocument showed another document (or none).
  void documentChanged();
  /// Every page's own size is known now (pagePointSizes).
  void pagesMeasured();
  /// A paint drew every page in view completely.
  void visiblePagesPainted();
  /// A link to `uri`, outside the document, was clicked.
  void externalLinkActivated(const QString& uri);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  // PdfView.cpp
  double pixelsPerPoint() const;
  double devicePixelRatio() const;
  /// Lays the pages out again for the scale, mode and size; keeps the current
  /// page's position in view unless `toPageTop`, which scrolls to its row's top.
  void relayout(bool toPageTop);
  void scrollTo(int x, int y);
  QRect visibleArea() const;  // content pixels
  /// Adds to `wanted` the tiles meeting `area` (content pixels) that are not
  /// cached; with `pin`, every tile meeting it to `pinned`; without, only
  /// those not in `pinned` (the tiles in view are asked for first).
  void requestTiles(const QRect& area, std::vector<PdfTileRequest>* wanted, QSet<PdfTileKey>* pinned, bool pin);
  /// Asks the worker for the tiles in view and then those one screen further
  /// down that are not cached (in place of what it was asked before); adds
  /// the tiles in view to `pinned`. Whether every tile in view is cached.
  bool requestVisibleTiles(QSet<PdfTileKey>* pinned);
  void tileRendered(const PdfTileKey& key, const QImage& image);
  void takeHits(const QStringList& texts, int page, const QList<PdfTextSelection>& hits);
  void takeFound(const PdfTextSelection& found);
  /// Draws the highlighted occurrences and the selection on `page`, whose
  /// top-left corner is at `pageTopLeft` (viewport pixels); false when the
  /// page's occurrences are not known yet.
  bool paintTextMarks(QPainter* painter, int page, QPoint pageTopLeft);
  void takePageSizes(QVector<QSizeF> pointSizes);
  void followScroll();
  /// The pointer's shape over `viewportPos` while no button is down.
  void updateCursor(QPoint viewportPos);
  QPointF pagePoint(int page, QPoint viewportPos) const;  // points on `page`
  // The text tool's handling of the mouse, which the hand tool passes over.
  void textMousePress(QMouseEvent* event);
  void textMouseDrag(QMouseEvent* event);
  void textMouseRelease();

  // PdfViewReading.cpp
  const QVector<PdfLink>& pageLinks(int page);
  void pressLink(QMouseEvent* event);
  void releaseLink(QMouseEvent* event);
  /// Handles PageDown/PageUp, Space/Shift+Space, Home and End; false for other keys.
  bool pagingKey(QKeyEvent* event);

  // PdfViewNavigation.cpp
  void showPage(int page);
  int rowOfCurrent() const;

  PdfDocument* _document = nullptr;
  QString _message;
  QVector<QSizeF> _pagePointSizes;
  PdfPageLayout _layout;
  PdfPageCache _cache{kDefaultCacheBytes};
  std::unique_ptr<PdfRenderWorker> _worker;
  std::unique_ptr<PdfTextWorker> _textWorker;
  std::function<void(const PdfTextSelection&)> _findDone;  // of the search in progress
  PdfHistory _history;
  PdfPageText _pageText;
  QHash<int, QVector<PdfLink>> _links;  // of the pages asked about so far
  std::optional<PdfLink> _pressedLink;  // the link a left-button press went down on
  QPoint _linkPressPosition;            // viewport pixels
  int _wheelAtEnd = 0;                  // wheel steps (1/8 degree) past the end of a single-page row
  PdfTextSelection _selection;
  QStringList _highlightedTexts;
  QHash<int, QList<PdfTextSelection>> _highlights;  // of the pages shown since _highlightedTexts was set
  QVector<int> _highlightsAsked;                     // pages whose occurrences are asked for and not come

  int _currentPage = -1;
  int _displayMode = kDisplaySinglePage;
  double _scaleFactor = 1.0;
  bool _autoScales = true;
  int _toolMode = kToolModeHand;
  QPoint _lastMouseLocation;       // pointer on the screen at the last hand-tool step
  int _dragPage = -1;              // text tool: page a selection drag started on
  QPointF _dragStart;              // text tool: its start, in points
  bool _placing = false;           // the program is scrolling: the current page stays
  bool _visibleComplete = true;
  bool _allMeasured = true;
};
