#include "pdfview/PdfPrinting.h"

#include <QCoreApplication>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <algorithm>
#include <memory>

#include "pdfview/PdfDocument.h"

namespace {

std::unique_ptr<QPrinter>& PrinterHolder() {
  static std::unique_ptr<QPrinter> printer;
  return printer;
}

// The printer must go before the application object it was made with.
void ReleaseSharedPrinter() { PrinterHolder().reset(); }

constexpr double kMaxPrintDpi = 300;

}  // namespace

QPrinter* SharedPrinter() {
  std::unique_ptr<QPrinter>& printer = PrinterHolder();
  if (!printer) {
    printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    qAddPostRoutine(ReleaseSharedPrinter);
  }
  return printer.get();
}

int PrintPdfDocument(PdfDocument* document, QPrinter* printer) {
  const int count = document != nullptr ? document->pageCount() : 0;
  if (count == 0 || printer == nullptr) return 0;
  int first = 1;
  int last = count;
  if (printer->printRange() == QPrinter::PageRange && printer->fromPage() > 0) {
    first = printer->fromPage();
    last = std::min(count, printer->toPage() > 0 ? printer->toPage() : count);
  }
  if (first > last) return 0;

  QPainter painter;
  if (!painter.begin(printer)) return 0;
  const QSizeF area(printer->width(), printer->height());
  // Device pixels of the printer per pixel of the rendered image.
  const double oversample = std::max(1.0, printer->resolution() / kMaxPrintDpi);
  int printed = 0;
  for (int page = first - 1; page < last; ++page) {
    if (printed > 0 && !printer->newPage()) break;
    const QSizeF points = document->pageSize(page);
    if (points.isEmpty()) {
      ++printed;  // keeps the sheet of a page that has no size, blank
      continue;
    }
    const double scale = std::min(area.width() / points.width(), area.height() / points.height());
    const QSizeF target = points * scale;
    const QRectF targetRect(QPointF((area.width() - target.width()) / 2, (area.height() - target.height()) / 2),
                            target);
    const QSize imageSize = (target / oversample).toSize().expandedTo(QSize(1, 1));
    const QImage image = document->render(page, imageSize, QRect(QPoint(0, 0), imageSize));
    painter.fillRect(targetRect, Qt::white);
    if (!image.isNull()) painter.drawImage(targetRect, image);
    ++printed;
  }
  painter.end();
  return printed;
}

int RunPrintPanel(PdfDocument* document, QWidget* parent) {
  QPrinter* printer = SharedPrinter();
  QPrintDialog dialog(printer, parent);
  const int count = document != nullptr ? document->pageCount() : 0;
  dialog.setMinMax(1, std::max(1, count));
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, count > 0);
  if (dialog.exec() != QDialog::Accepted) return 0;
  return PrintPdfDocument(document, printer);
}

void RunPageLayout(QWidget* parent) {
  QPageSetupDialog dialog(SharedPrinter(), parent);
  dialog.exec();
}
