// The PDF view's document, layout, painting and mouse handling.

#include "pdfview/PdfView.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

#include "pdfview/PdfScrollBarStyle.h"

namespace {

const QColor kBackground(0x80, 0x80, 0x80);
const QColor kPageEdge(0x50, 0x50, 0x50);
const QColor kSelection(0x1e, 0x78, 0xd7, 0x60);
const QColor kHighlight(0xff, 0xc8, 0x00, 0x70);

}  // namespace

PdfView::PdfView(QWidget* parent)
    : QAbstractScrollArea(parent),
      _worker(std::make_unique<PdfRenderWorker>()),
      _textWorker(std::make_unique<PdfTextWorker>()) {
  viewport()->setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  horizontalScrollBar()->setSingleStep(20);
  verticalScrollBar()->setSingleStep(20);
  // Bars that paint without waiting for other threads (PdfScrollBarStyle.h).
  PdfScrollBarStyle::applyTo(this);
  connect(_worker.get(), &PdfRenderWorker::tileRendered, this, &PdfView::tileRendered);
  connect(_worker.get(), &PdfRenderWorker::pagesMeasured, this, &PdfView::takePageSizes);
  connect(_textWorker.get(), &PdfTextWorker::found, this, &PdfView::takeFound);
  connect(_textWorker.get(), &PdfTextWorker::hitsFound, this, &PdfView::takeHits);
  setToolMode(kToolModeHand);
  relayout(true);
}

PdfView::~PdfView() {
  // No tile of the document may be in progress once the view is gone.
  _worker->setDocument(nullptr);
  _textWorker->setDocument(nullptr);
}

namespace {

// The size of a page that cannot be measured.
const QSizeF kA4Points(595, 842);

}  // namespace

void PdfView::setDocument(PdfDocument* document) {
  _worker->setDocument(nullptr);
  _cache.clear();
  _document = document;
  _pagePointSizes.clear();
  const int count = document != nullptr ? document->pageCount() : 0;
  // Until the worker has measured every page, each is taken to be as large
  // as the first (as most documents' pages are).
  if (count > 0) {
    const QSizeF first = document->pageSize(0);
    _pagePointSizes = QVector<QSizeF>(count, first.isEmpty() ? kA4Points : first);
  }
  _allMeasured = count <= 1;
  _pageText.setDocument(count > 0 ? document : nullptr);
  _selection = PdfTextSelection();
  _findDone = nullptr;
  _highlights.clear();
  _highlightsAsked.clear();
  _dragPage = -1;
  _history.clear(0);
  _links.clear();
  _pressedLink.reset();
  _currentPage = count > 0 ? 0 : -1;
  _worker->setDocument(count > 0 ? document : nullptr);
  _textWorker->setDocument(count > 0 ? document : nullptr);
  relayout(true);
  viewport()->update();
  emit documentChanged();
  emit selectionChanged();
  emit pageChanged();
}

void PdfView::takePageSizes(QVector<QSizeF> pointSizes) {
  if (pointSizes.size() != _pagePointSizes.size()) return;
  _allMeasured = true;
  // A page that cannot be read is shown blank, as large as the first.
  for (QSizeF& size : pointSizes)
    if (size.isEmpty()) size = _pagePointSizes.value(0, kA4Points);
  if (pointSizes != _pagePointSizes) {
    _pagePointSizes = pointSizes;
    _cache.clear();  // tiles of pages that changed size would be drawn stretched
    relayout(false);
  }
  emit pagesMeasured();
}

void PdfView::setMessage(const QString& message) {
  _message = message;
  viewport()->update();
}

void PdfView::setToolMode(int mode) {
  _toolMode = mode;
  viewport()->setCursor(mode == kToolModeHand ? Qt::OpenHandCursor : Qt::ArrowCursor);
}

double PdfView::pixelsPerPoint() const { return _scaleFactor * logicalDpiX() / 72.0; }

double PdfView::devicePixelRatio() const { return viewport()->devicePixelRatioF(); }

QRect PdfView::visibleArea() const {
  return QRect(QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value()), viewport()->size());
}

void PdfView::scrollTo(int x, int y) {
  _placing = true;
  horizontalScrollBar()->setValue(x);
  verticalScrollBar()->setValue(y);
  _placing = false;
}

void PdfView::relayout(bool toPageTop) {
  // Where the current row is in view, to keep it there.
  const QRect oldRow = _layout.rowRect(rowOfCurrent());
  const QRect oldVisible = visibleArea();
  const double rowFraction =
      oldRow.isEmpty() ? 0 : double(oldVisible.top() - oldRow.top()) / std::max(1, oldRow.height());
  const double xFraction = _layout.contentSize().width() > 0
                               ? (oldVisible.center().x() + 0.5) / _layout.contentSize().width()
                               : 0.5;

  // The continuous modes keep their vertical bar, so that fitting the width
  // does not make the bar come and go.
  const Qt::ScrollBarPolicy vertical =
      IsContinuousMode(_displayMode) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded;
  if (verticalScrollBarPolicy() != vertical) setVerticalScrollBarPolicy(vertical);

  // Showing or hiding a scroll bar changes the viewport: lay out again for
  // the new size (twice at most; the bars settle by then).
  for (int round = 0; round < 3; ++round) {
    const QSize viewportSize = viewport()->size();
    if (_autoScales && pageCount() > 0) {
      const double fit = PdfPageLayout::FitPixelsPerPoint(_pagePointSizes, _displayMode, _currentPage, viewportSize);
      const QVector<double>& steps = ZoomSteps();
      if (fit > 0) {
        const double scale = std::clamp(fit * 72.0 / logicalDpiX(), steps.front(), steps.back());
        if (scale != _scaleFactor) {
          _scaleFactor = scale;
          emit scaleChanged();
        }
      }
    }
    _layout = PdfPageLayout(_pagePointSizes, _displayMode, pixelsPerPoint(), viewportSize.width(), _currentPage);
    const QSize content = _layout.contentSize();
    horizontalScrollBar()->setRange(0, std::max(0, content.width() - viewportSize.width()));
    horizontalScrollBar()->setPageStep(viewportSize.width());
    verticalScrollBar()->setRange(0, std::max(0, content.height() - viewportSize.height()));
    verticalScrollBar()->setPageStep(viewportSize.height());
    if (viewport()->size() == viewportSize) break;
  }

  const QRect row = _layout.rowRect(rowOfCurrent());
  const QSize viewportSize = viewport()->size();
  int y = 0;
  if (!row.isEmpty())
    y = toPageTop ? row.top() - kPageMargin : row.top() + static_cast<int>(std::lround(rowFraction * row.height()));
  const int x = static_cast<int>(std::lround(xFraction * _layout.contentSize().width() - viewportSize.width() / 2.0));
  scrollTo(x, y);
  _visibleComplete = false;
  viewport()->update();
  // The worker starts on the new tiles now rather than at the next paint.
  QSet<PdfTileKey> pinned;
  if (isVisible() && pageCount() > 0) requestVisibleTiles(&pinned);
}

void PdfView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  relayout(false);
}

void PdfView::scrollContentsBy(int, int) {
  _visibleComplete = false;  // until the next paint shows what came into view
  viewport()->update();
  if (!_placing) followScroll();
}

void PdfView::followScroll() {
  if (!IsContinuousMode(_displayMode) || pageCount() == 0) return;
  const int page = _layout.mostVisibleRowPage(visibleArea());
  if (page < 0 || _layout.rowOf(page) == rowOfCurrent()) return;
  _currentPage = page;
  _history.update(page);
  emit pageChanged();
}

void PdfView::requestTiles(const QRect& area, std::vector<PdfTileRequest>* wanted, QSet<PdfTileKey>* pinned,
                             bool pin) {
  const double dpr = devicePixelRatio();
  const int scaleKey = PdfScaleKey(pixelsPerPoint() * dpr);
  for (int page : _layout.pagesIn(area)) {
    const QRect pageRect = _layout.pageRect(page);
    const QSize deviceSize = (QSizeF(pageRect.size()) * dpr).toSize();
    const QRectF shown = QRectF((area & pageRect).translated(-pageRect.topLeft()));
    const QRect deviceShown(QRectF(shown.topLeft() * dpr, shown.size() * dpr).toAlignedRect());
    for (const QPoint& cell : PdfTilesIn(deviceSize, deviceShown)) {
      const PdfTileKey key{page, scaleKey, cell.x(), cell.y()};
      if (!pin && pinned->contains(key)) continue;  // asked for with the tiles in view
      if (pin) pinned->insert(key);
      if (!_cache.contains(key)) wanted->push_back(PdfTileRequest{key, deviceSize, PdfTileRect(deviceSize, cell)});
    }
  }
}

bool PdfView::requestVisibleTiles(QSet<PdfTileKey>* pinned) {
  const QRect visible = visibleArea();
  std::vector<PdfTileRequest> wanted;
  requestTiles(visible, &wanted, pinned, true);
  const bool complete = wanted.empty();
  // Then what lies one screen further down, so that scrolling on finds it ready.
  requestTiles(visible.translated(0, visible.height()), &wanted, pinned, false);
  _worker->request(std::move(wanted));
  return complete;
}

void PdfView::showEvent(QShowEvent* event) {
  QAbstractScrollArea::showEvent(event);
  // The tiles are rendered while the window is still being exposed.
  QSet<PdfTileKey> pinned;
  if (pageCount() > 0) requestVisibleTiles(&pinned);
}

void PdfView::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  painter.fillRect(viewport()->rect(), kBackground);
  const QRect visible = visibleArea();
  const double dpr = devicePixelRatio();
  const int scaleKey = PdfScaleKey(pixelsPerPoint() * dpr);

  QSet<PdfTileKey> pinned;
  const bool complete = requestVisibleTiles(&pinned);
  QVector<int> unknownHighlights;

  for (int page : _layout.pagesIn(visible)) {
    const QRect pageRect = _layout.pageRect(page);
    const QRect onScreen = pageRect.translated(-visible.topLeft());
    painter.fillRect(onScreen, Qt::white);
    const QSize deviceSize = (QSizeF(pageRect.size()) * dpr).toSize();
    for (int row = 0; row * kPdfTileSize < deviceSize.height(); ++row) {
      for (int column = 0; column * kPdfTileSize < deviceSize.width(); ++column) {
        const PdfTileKey key{page, scaleKey, column, row};
        if (!pinned.contains(key)) continue;
        const QImage* image = _cache.find(key);
        if (image == nullptr || image->isNull()) continue;
        const QRect tile = PdfTileRect(deviceSize, QPoint(column, row));
        painter.drawImage(QRectF(QPointF(onScreen.topLeft()) + QPointF(tile.topLeft()) / dpr, QSizeF(tile.size()) / dpr),
                          *image);
      }
    }
    if (!paintTextMarks(&painter, page, onScreen.topLeft())) unknownHighlights.append(page);
    painter.setPen(kPageEdge);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(onScreen.adjusted(-1, -1, 0, 0));
  }
  _cache.setPinned(pinned);
  if (pageCount() == 0 && !_message.isEmpty()) {
    painter.setPen(Qt::white);
    painter.drawText(viewport()->rect().adjusted(16, 16, -16, -16), Qt::AlignCenter | Qt::TextWordWrap, _message);
  }

  if (unknownHighlights != _highlightsAsked) {
    _highlightsAsked = unknownHighlights;
    _textWorker->requestHits(_highlightedTexts, unknownHighlights);
  }

  _visibleComplete = complete;
  if (complete) emit visiblePagesPainted();
}

bool PdfView::paintTextMarks(QPainter* painter, int page, QPoint pageTopLeft) {
  const bool selected = _selection.isValid() && _selection.page == page;
  const bool known = _highlightedTexts.isEmpty() || _highlights.contains(page);
  const QList<PdfTextSelection> hits = _highlights.value(page);
  if (!selected && hits.isEmpty()) return known;
  painter->save();
  painter->translate(pageTopLeft);
  painter->scale(pixelsPerPoint(), pixelsPerPoint());
  painter->setPen(Qt::NoPen);
  painter->setBrush(kHighlight);
  for (const PdfTextSelection& hit : hits)
    for (const QPolygonF& shape : hit.bounds) painter->drawPolygon(shape);
  if (selected) {
    painter->setBrush(kSelection);
    for (const QPolygonF& shape : _selection.bounds) painter->drawPolygon(shape);
  }
  painter->restore();
  return known;
}

void PdfView::tileRendered(const PdfTileKey& key, const QImage& image) {
  // A tile of a scale the view has left is of no more use.
  if (key.scaleKey != PdfScaleKey(pixelsPerPoint() * devicePixelRatio())) return;
  // Kept as it came (its memory is reused, PdfTileBuffers.h): painting
  // gives each tile its place in device pixels, so it needs no pixel ratio,
  // and setting one would copy it.
  _cache.insert(key, image);
  viewport()->update();
}

QPointF PdfView::pagePoint(int page, QPoint viewportPos) const {
  const QRect pageRect = _layout.pageRect(page);
  const QPointF inPage = QPointF(viewportPos + visibleArea().topLeft() - pageRect.topLeft()) / pixelsPerPoint();
  const QSizeF size = _pagePointSizes.value(page);
  return QPointF(std::clamp(inPage.x(), 0.0, size.width()), std::clamp(inPage.y(), 0.0, size.height()));
}

void PdfView::updateCursor(QPoint viewportPos) {
  // A link shows the pointing hand whatever the tool.
  Qt::CursorShape shape;
  if (linkAt(viewportPos) != nullptr)
    shape = Qt::PointingHandCursor;
  else if (_toolMode == kToolModeHand)
    shape = Qt::OpenHandCursor;
  else
    shape = _layout.pageAt(viewportPos + visibleArea().topLeft()) >= 0 ? Qt::IBeamCursor : Qt::ArrowCursor;
  if (viewport()->cursor().shape() != shape) viewport()->setCursor(shape);
}

void PdfView::mousePressEvent(QMouseEvent* event) {
  pressLink(event);
  if (_toolMode == kToolModeHand) {
    if (event->button() == Qt::LeftButton) {
      _lastMouseLocation = QCursor::pos();
      viewport()->setCursor(Qt::ClosedHandCursor);
    }
    event->accept();
    return;
  }
  textMousePress(event);
}

void PdfView::mouseMoveEvent(QMouseEvent* event) {
  if (_toolMode == kToolModeHand) {
    if (event->buttons() & Qt::LeftButton) {
      // The pointer's screen position, not the event's: the step is the same
      // wherever the pointer is while dragging.
      const QPoint location = QCursor::pos();
      const QPoint moved = location - _lastMouseLocation;
      horizontalScrollBar()->setValue(horizontalScrollBar()->value() - moved.x());
      verticalScrollBar()->setValue(verticalScrollBar()->value() - moved.y());
      _lastMouseLocation = location;
    } else {
      updateCursor(event->position().toPoint());
    }
    event->accept();
    return;
  }
  updateCursor(event->position().toPoint());
  textMouseDrag(event);
}

void PdfView::mouseReleaseEvent(QMouseEvent* event) {
  if (_toolMode == kToolModeHand && event->button() == Qt::LeftButton) viewport()->setCursor(Qt::OpenHandCursor);
  textMouseRelease();
  releaseLink(event);
  event->accept();
}

void PdfView::textMousePress(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const QPoint at = event->position().toPoint();
  _dragPage = _layout.pageAt(at + visibleArea().topLeft());
  if (_dragPage >= 0) _dragStart = pagePoint(_dragPage, at);
  setCurrentSelection(PdfTextSelection());
  event->accept();
}

void PdfView::textMouseDrag(QMouseEvent* event) {
  if (_dragPage < 0 || !(event->buttons() & Qt::LeftButton)) return;
  setCurrentSelection(_pageText.selectBetween(_dragPage, _dragStart, pagePoint(_dragPage, event->position().toPoint())));
}

void PdfView::textMouseRelease() { _dragPage = -1; }

void PdfView::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) {
    copy();
    event->accept();
    return;
  }
  if (pagingKey(event)) {
    event->accept();
    return;
  }
  QAbstractScrollArea::keyPressEvent(event);
}
