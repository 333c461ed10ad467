#include "app/PdfPageText.h"

#include <QPdfDocument>
#include <QPdfSelection>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// How far inside a line's box a point beside it is put, in points, so that
// QtPdf finds a character there.
constexpr double kInset = 0.5;

PdfTextSelection FromQtPdf(int page, const QPdfSelection& shapes, int start, int end) {
  PdfTextSelection selection;
  selection.page = page;
  selection.start = start;
  selection.end = end;
  if (shapes.isValid()) {
    selection.text = shapes.text();
    selection.bounds = shapes.bounds();
  }
  return selection;
}

}  // namespace

PdfPageText::PdfPageText(QPdfDocument* document) { setDocument(document); }

void PdfPageText::setDocument(QPdfDocument* document) {
  _document = document;
  _pages = QVector<Page>(document != nullptr ? document->pageCount() : 0);
}

PdfPageText::Page& PdfPageText::page(int index) {
  Page& page = _pages[index];
  if (!page.read) {
    const QPdfSelection all = _document->getAllText(index);
    page.text = all.text();
    for (const QPolygonF& shape : all.bounds()) page.lines.append(shape.boundingRect());
    page.read = true;
  }
  return page;
}

const QString& PdfPageText::pageText(int index) {
  static const QString kNone;
  if (index < 0 || index >= _pages.size()) return kNone;
  return page(index).text;
}

PdfTextSelection PdfPageText::selectCharacters(int index, int start, int end) {
  if (index < 0 || index >= _pages.size() || start < 0 || end <= start) return {};
  return FromQtPdf(index, _document->getSelectionAtIndex(index, start, end - start), start, end);
}

PdfPageText::TextPlace PdfPageText::toText(int index, QPointF point) {
  const QList<QRectF>& lines = page(index).lines;
  int nearest = -1;
  double bestHeight = std::numeric_limits<double>::max();
  double bestWidth = std::numeric_limits<double>::max();
  for (int line = 0; line < lines.size(); ++line) {
    const QRectF& box = lines[line];
    if (box.contains(point)) return {point, line};
    const double dy = std::max({box.top() - point.y(), point.y() - box.bottom(), 0.0});
    const double dx = std::max({box.left() - point.x(), point.x() - box.right(), 0.0});
    if (dy < bestHeight || (dy == bestHeight && dx < bestWidth)) {
      nearest = line;
      bestHeight = dy;
      bestWidth = dx;
    }
  }
  if (nearest < 0) return {point, -1};
  const QRectF& box = lines[nearest];
  const double left = std::min(box.left() + kInset, box.center().x());
  const double right = std::max(box.right() - kInset, box.center().x());
  return {QPointF(std::clamp(point.x(), left, right), box.center().y()), nearest};
}

PdfTextSelection PdfPageText::selectBetween(int index, QPointF from, QPointF to) {
  if (index < 0 || index >= _pages.size()) return {};
  TextPlace start = toText(index, from);
  TextPlace end = toText(index, to);
  // QtPdf includes the last character only when it is given as the end:
  // hand it the two places in reading order (lines come in text order).
  if (end.line < start.line || (end.line == start.line && end.point.x() < start.point.x())) std::swap(start, end);
  const QPdfSelection shapes = _document->getSelection(index, start.point, end.point);
  if (!shapes.isValid() || shapes.endIndex() <= shapes.startIndex()) return {};
  return FromQtPdf(index, shapes, shapes.startIndex(), shapes.endIndex());
}

PdfTextSelection PdfPageText::find(const QString& text, const PdfTextSelection& from, bool backwards) {
  const int count = static_cast<int>(_pages.size());
  if (text.isEmpty() || count == 0) return {};
  const bool hasStart = from.isValid() && from.page < count;
  if (!backwards) {
    int index = hasStart ? from.end : 0;
    for (int at = hasStart ? from.page : 0; at < count; ++at, index = 0) {
      const qsizetype found = pageText(at).indexOf(text, index, Qt::CaseInsensitive);
      if (found >= 0) return selectCharacters(at, int(found), int(found + text.size()));
    }
    return {};
  }
  // Backwards: a match must begin before `limit` (-1: anywhere on the page).
  int limit = hasStart ? from.start : -1;
  for (int at = hasStart ? from.page : count - 1; at >= 0; --at, limit = -1) {
    if (limit == 0) continue;
    const qsizetype found = pageText(at).lastIndexOf(text, limit < 0 ? -1 : limit - 1, Qt::CaseInsensitive);
    if (found >= 0) return selectCharacters(at, int(found), int(found + text.size()));
  }
  return {};
}
