#include <QCoreApplication>
#include "pdfview/PdfSidebar.h"

#include "pdfview/PdfView.h"
#include "pdfview/PdfOutlineView.h"
#include "pdfview/PdfThumbnailView.h"

PdfSidebar::PdfSidebar(PdfView* view, QWidget* parent)
    : QTabWidget(parent), _view(view), _outline(new PdfOutlineView), _thumbnails(new PdfThumbnailView) {
  _outline->setObjectName(QStringLiteral("outlineView"));
  _thumbnails->setObjectName(QStringLiteral("thumbnailView"));
  addTab(_outline, QCoreApplication::translate("PdfSidebar", "目次"));
  addTab(_thumbnails, QCoreApplication::translate("PdfSidebar", "サムネイル"));
  connect(_outline, &PdfOutlineView::pageRequested, _view, &PdfView::goToPage);
  connect(_thumbnails, &PdfThumbnailView::pageRequested, _view, &PdfView::goToPage);
  connect(_view, &PdfView::documentChanged, this, &PdfSidebar::documentChanged);
  connect(_view, &PdfView::pageChanged, this, &PdfSidebar::pageChanged);
  connect(_view, &PdfView::pagesMeasured, this, [this] { _thumbnails->setPageSizes(_view->pagePointSizes()); });
  documentChanged();
}

void PdfSidebar::showEvent(QShowEvent* event) {
  QTabWidget::showEvent(event);
  load();
}

void PdfSidebar::documentChanged() {
  _loaded = false;
  if (isVisible()) {
    load();
  } else {
    // Nothing of the previous document may stay behind.
    _outline->setOutline({});
    _thumbnails->setDocument(nullptr);
  }
}

void PdfSidebar::load() {
  if (_loaded) return;
  _loaded = true;
  PdfDocument* document = _view->pageCount() > 0 ? _view->document() : nullptr;
  _outline->setOutline(document != nullptr ? document->outline() : QVector<PdfOutlineItem>());
  _thumbnails->setDocument(document);
  if (document != nullptr) _thumbnails->setPageSizes(_view->pagePointSizes());
  pageChanged();
}

void PdfSidebar::pageChanged() {
  if (!_loaded) return;
  _outline->highlightPage(_view->currentPage());
  _thumbnails->highlightPage(_view->currentPage());
}
