// The PDF view's links, paging keys and wheel.

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "pdfview/PdfView.h"

namespace {

// Pixels of the previous screen that stay in view when paging, so that the
// eye finds its place.
constexpr int kPagingOverlap = 40;
// Wheel steps (1/8 degree) past the end of a row that turn the page: one
// notch of a mouse wheel.
constexpr int kWheelTurn = 120;

}  // namespace

const QVector<PdfLink>& PdfView::pageLinks(int page) {
  auto found = _links.find(page);
  if (found == _links.end()) found = _links.insert(page, _document->links(page));
  return found.value();
}

const PdfLink* PdfView::linkAt(QPoint viewportPos) {
  const int page = _layout.pageAt(viewportPos + visibleArea().topLeft());
  if (page < 0 || _document == nullptr) return nullptr;
  const QPointF point = pagePoint(page, viewportPos);
  for (const PdfLink& link : pageLinks(page))
    if (link.area.contains(point)) return &link;
  return nullptr;
}

void PdfView::followLink(const PdfLink& link) {
  if (!link.isInternal()) {
    if (!link.uri.isEmpty()) emit externalLinkActivated(link.uri);
    return;
  }
  if (link.page < 0 || link.page >= pageCount()) return;
  goToPage(link.page);
  if (link.target.y() > 0) {
    const QRect pageRect = _layout.pageRect(link.page);
    const int y = pageRect.top() + static_cast<int>(std::lround(link.target.y() * pixelsPerPoint())) - kPageMargin;
    verticalScrollBar()->setValue(y);
  }
}

void PdfView::pressLink(QMouseEvent* event) {
  _pressedLink.reset();
  if (event->button() != Qt::LeftButton) return;
  const QPoint at = event->position().toPoint();
  if (const PdfLink* link = linkAt(at)) {
    _pressedLink = *link;
    _linkPressPosition = at;
  }
}

void PdfView::releaseLink(QMouseEvent* event) {
  if (!_pressedLink || event->button() != Qt::LeftButton) return;
  const PdfLink pressed = *_pressedLink;
  _pressedLink.reset();
  const QPoint at = event->position().toPoint();
  // A drag that started on a link moved the pages or selected text instead.
  if ((at - _linkPressPosition).manhattanLength() >= QApplication::startDragDistance()) return;
  const PdfLink* link = linkAt(at);
  if (link != nullptr && link->area == pressed.area && link->page == pressed.page && link->uri == pressed.uri)
    followLink(pressed);
}

void PdfView::pageDown() {
  if (pageCount() == 0) return;
  QScrollBar* bar = verticalScrollBar();
  if (bar->value() < bar->maximum() || IsContinuousMode(_displayMode)) {
    bar->setValue(bar->value() + std::max(1, viewport()->height() - kPagingOverlap));
    return;
  }
  if (canGoToNextPage()) goToNextPage();
}

void PdfView::pageUp() {
  if (pageCount() == 0) return;
  QScrollBar* bar = verticalScrollBar();
  if (bar->value() > bar->minimum() || IsContinuousMode(_displayMode)) {
    bar->setValue(bar->value() - std::max(1, viewport()->height() - kPagingOverlap));
    return;
  }
  if (!canGoToPreviousPage()) return;
  goToPreviousPage();
  bar->setValue(bar->maximum());  // the row before ends where this one began
}

bool PdfView::pagingKey(QKeyEvent* event) {
  const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
  switch (event->key()) {
    case Qt::Key_PageDown:
      pageDown();
      return true;
    case Qt::Key_PageUp:
      pageUp();
      return true;
    case Qt::Key_Space:
      if (modifiers == Qt::ShiftModifier)
        pageUp();
      else if (modifiers == Qt::NoModifier)
        pageDown();
      else
        return false;
      return true;
    case Qt::Key_Home:
      if (modifiers != Qt::NoModifier) return false;
      if (canGoToFirstPage()) goToFirstPage();
      verticalScrollBar()->setValue(0);
      return true;
    case Qt::Key_End:
      if (modifiers != Qt::NoModifier) return false;
      if (canGoToLastPage()) goToLastPage();
      verticalScrollBar()->setValue(verticalScrollBar()->maximum());
      return true;
    default:
      return false;
  }
}

void PdfView::wheelEvent(QWheelEvent* event) {
  const int delta = event->angleDelta().y();
  QScrollBar* bar = verticalScrollBar();
  const bool atBottom = delta < 0 && bar->value() >= bar->maximum() && canGoToNextPage();
  const bool atTop = delta > 0 && bar->value() <= bar->minimum() && canGoToPreviousPage();
  if (IsContinuousMode(_displayMode) || event->modifiers() != Qt::NoModifier || !(atBottom || atTop)) {
    _wheelAtEnd = 0;
    QAbstractScrollArea::wheelEvent(event);
    return;
  }
  // Scrolling on past the end of the row turns the page once the wheel has
  // gone a notch beyond it (touchpads send many small steps).
  _wheelAtEnd = (_wheelAtEnd < 0) == (delta < 0) ? _wheelAtEnd + delta : delta;
  event->accept();
  if (std::abs(_wheelAtEnd) < kWheelTurn) return;
  _wheelAtEnd = 0;
  if (atBottom) {
    goToNextPage();
  } else {
    goToPreviousPage();
    bar->setValue(bar->maximum());
  }
}
