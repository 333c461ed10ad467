// The PDF view's pages and history, scale and display mode, selection,
// search and printing.

#include <QClipboard>
#include <QGuiApplication>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

#include "pdfview/PdfView.h"
#include "pdfview/PdfPrinting.h"

namespace {

// Room kept around a selection that is scrolled into view.
constexpr int kSelectionMargin = 40;

}  // namespace

const QVector<double>& PdfView::ZoomSteps() {
  static const QVector<double> steps = {0.1, 0.25, 0.5, 0.75, 1.0, 1.25, 1.5, 2.0, 3.0, 4.0, 6.0, 8.0};
  return steps;
}

int PdfView::rowOfCurrent() const {
  return _currentPage < 0 ? -1 : _currentPage / PagesPerRow(_displayMode);
}

void PdfView::showPage(int page) {
  const bool changed = page != _currentPage;
  _currentPage = page;
  relayout(true);
  if (changed) emit pageChanged();
}

void PdfView::goToPage(int page) {
  if (page < 0 || page >= pageCount()) return;
  showPage(page);
  _history.jump(page);
}

bool PdfView::canGoToFirstPage() const { return pageCount() > 0 && rowOfCurrent() > 0; }

bool PdfView::canGoToLastPage() const {
  return pageCount() > 0 && rowOfCurrent() < (pageCount() - 1) / PagesPerRow(_displayMode);
}

bool PdfView::canGoToNextPage() const { return canGoToLastPage(); }

bool PdfView::canGoToPreviousPage() const { return canGoToFirstPage(); }

void PdfView::goToFirstPage() {
  if (canGoToFirstPage()) goToPage(0);
}

void PdfView::goToLastPage() {
  if (canGoToLastPage()) goToPage(pageCount() - 1);
}

void PdfView::goToNextPage() {
  if (canGoToNextPage()) goToPage((rowOfCurrent() + 1) * PagesPerRow(_displayMode));
}

void PdfView::goToPreviousPage() {
  if (canGoToPreviousPage()) goToPage((rowOfCurrent() - 1) * PagesPerRow(_displayMode));
}

void PdfView::goBack() {
  if (canGoBack()) showPage(_history.back());
}

void PdfView::goForward() {
  if (canGoForward()) showPage(_history.forward());
}

bool PdfView::canGoBack() const { return pageCount() > 0 && _history.canGoBack(); }

bool PdfView::canGoForward() const { return pageCount() > 0 && _history.canGoForward(); }

void PdfView::setScaleFactor(double scale) {
  const QVector<double>& steps = ZoomSteps();
  scale = std::clamp(scale, steps.front(), steps.back());
  _autoScales = false;
  if (scale == _scaleFactor) return;
  _scaleFactor = scale;
  relayout(false);
  emit scaleChanged();
}

void PdfView::setAutoScales(bool on) {
  _autoScales = on;
  relayout(false);  // fits the scale when on
}

void PdfView::zoomIn() {
  if (!canZoomIn()) return;
  const QVector<double>& steps = ZoomSteps();
  setScaleFactor(*std::upper_bound(steps.begin(), steps.end(), _scaleFactor));
}

void PdfView::zoomOut() {
  if (!canZoomOut()) return;
  const QVector<double>& steps = ZoomSteps();
  setScaleFactor(*(std::lower_bound(steps.begin(), steps.end(), _scaleFactor) - 1));
}

bool PdfView::canZoomIn() const { return pageCount() > 0 && _scaleFactor < ZoomSteps().back(); }

bool PdfView::canZoomOut() const { return pageCount() > 0 && _scaleFactor > ZoomSteps().front(); }

void PdfView::setDisplayMode(int mode) {
  if (mode < kDisplaySinglePage || mode > kDisplayTwoUpContinuous || mode == _displayMode) return;
  _displayMode = mode;
  relayout(false);
}

void PdfView::setCurrentSelection(const PdfTextSelection& selection) {
  _selection = selection.isValid() && selection.page < pageCount() ? selection : PdfTextSelection();
  viewport()->update();
  emit selectionChanged();
}

void PdfView::scrollSelectionToVisible() {
  if (!_selection.isValid()) return;
  const int page = _selection.page;
  // Another row of a non-continuous mode is shown first.
  if (_layout.pageRect(page).isEmpty()) goToPage(page);
  const QRect pageRect = _layout.pageRect(page);
  QRectF inPoints;
  for (const QPolygonF& shape : _selection.bounds) inPoints |= shape.boundingRect();
  const double ppp = pixelsPerPoint();
  const QRect shown = inPoints.isEmpty()
                          ? QRect(pageRect.topLeft(), QSize(pageRect.width(), 1))
                          : QRectF(QPointF(pageRect.topLeft()) + inPoints.topLeft() * ppp, inPoints.size() * ppp)
                                .toAlignedRect();
  const QRect visible = visibleArea();
  int x = visible.left();
  int y = visible.top();
  if (shown.left() < visible.left() || shown.width() > visible.width())
    x = shown.left() - kSelectionMargin;
  else if (shown.right() > visible.right())
    x = shown.right() - visible.width() + kSelectionMargin;
  if (shown.top() < visible.top() || shown.height() > visible.height())
    y = shown.top() - kSelectionMargin;
  else if (shown.bottom() > visible.bottom())
    y = shown.bottom() - visible.height() + kSelectionMargin;
  scrollTo(x, y);
  if (_layout.rowOf(page) != rowOfCurrent()) {
    _currentPage = page;
    _history.jump(page);
    emit pageChanged();
  }
}

void PdfView::find(const PdfTextSearch& search, std::function<void(const PdfTextSelection&)> done) {
  _findDone = std::move(done);
  _textWorker->find(search);
}

void PdfView::takeFound(const PdfTextSelection& found) {
  // The callback may start the next search, which sets its own.
  const std::function<void(const PdfTextSelection&)> done = std::move(_findDone);
  _findDone = nullptr;
  if (done) done(found);
}

void PdfView::setHighlightedTexts(const QStringList& texts) {
  if (texts == _highlightedTexts) return;
  _highlightedTexts = texts;
  _highlights.clear();
  _highlightsAsked.clear();
  viewport()->update();
}

void PdfView::takeHits(const QStringList& texts, int page, const QList<PdfTextSelection>& hits) {
  if (texts != _highlightedTexts) return;
  _highlights.insert(page, hits);
  _highlightsAsked.removeAll(page);
  viewport()->update();
}

void PdfView::copy() {
  if (_selection.isValid()) QGuiApplication::clipboard()->setText(_selection.text);
}

int PdfView::printDocument() { return RunPrintPanel(pageCount() > 0 ? _document : nullptr, window()); }
