// Takes arbitrary bytes as a PDF and does what the viewer does with one,
// through the engine boundary (PdfDocument.h): open, count the pages,
// measure and draw page 1 small, read its text and links, read the outline.
// Any crash, hang or sanitizer report is a bug at the boundary (or an
// engine error escaping it).

#include <QByteArray>
#include <algorithm>
#include <cstdint>

#include "pdfview/PdfDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  PdfOpenResult opened = PdfDocument::Open(bytes);
  if (opened.status != PdfOpenStatus::Opened) return 0;
  PdfDocument& document = *opened.document;
  const int last = document.pageCount() - 1;
  for (int page : {0, last}) {
    const QSizeF points = document.pageSize(page);
    // At most 64 pixels on the longer side.
    const double scale = points.isEmpty() ? 1 : 64 / std::max(points.width(), points.height());
    const QSize pixels = (points * scale).toSize().expandedTo(QSize(1, 1));
    document.render(page, pixels, QRect(QPoint(0, 0), pixels));
    document.pageText(page);
    document.links(page);
  }
  document.outline();
  return 0;
}
