#include "pdfview/PdfThumbnailView.h"

#include <QPainter>
#include <QSignalBlocker>
#include <QStyledItemDelegate>

#include "pdfview/PdfDocument.h"
#include "pdfview/PdfScrollBarStyle.h"

namespace {

constexpr int kRowMargin = 6;      // pixels around a thumbnail
constexpr int kNumberHeight = 18;  // pixels for the page number below it
const QSizeF kA4Points(595, 842);

}  // namespace

// Paints a row: the thumbnail from the view's cache (white until it is
// rendered) with the page number below.
class PdfThumbnailDelegate : public QStyledItemDelegate {
 public:
  explicit PdfThumbnailDelegate(PdfThumbnailView* view) : QStyledItemDelegate(view), _view(view) {}

  QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
    const int height = PdfThumbnailView::kThumbnailWidth * kA4Points.height() / kA4Points.width();
    return QSize(PdfThumbnailView::kThumbnailWidth + 2 * kRowMargin, height + kNumberHeight + 2 * kRowMargin);
  }

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const int page = index.row();
    if (option.state & QStyle::State_Selected) painter->fillRect(option.rect, option.palette.highlight());
    const double dpr = painter->device()->devicePixelRatioF();
    const QSizeF size = QSizeF(_view->thumbnailSize(page)) / dpr;
    const QRectF box(option.rect.left() + (option.rect.width() - size.width()) / 2, option.rect.top() + kRowMargin,
                     size.width(), size.height());
    painter->fillRect(box, Qt::white);
    if (const QImage* image = _view->take(page)) painter->drawImage(box, *image);
    painter->setPen(QColor(0x50, 0x50, 0x50));
    painter->drawRect(box.adjusted(-0.5, -0.5, 0.5, 0.5));
    painter->setPen(option.state & QStyle::State_Selected ? option.palette.highlightedText().color()
                                                          : option.palette.text().color());
    const QRectF number(option.rect.left(), box.bottom() + 2, option.rect.width(), kNumberHeight);
    painter->drawText(number, Qt::AlignHCenter | Qt::AlignTop, QString::number(page + 1));
  }

 private:
  PdfThumbnailView* _view;
};

PdfThumbnailView::PdfThumbnailView(QWidget* parent)
    : QListWidget(parent), _worker(std::make_unique<PdfRenderWorker>()) {
  setItemDelegate(new PdfThumbnailDelegate(this));
  setUniformItemSizes(true);
  setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  PdfScrollBarStyle::applyTo(this);  // it scrolls along with the pages
  connect(_worker.get(), &PdfRenderWorker::tileRendered, this, &PdfThumbnailView::tileRendered);
  connect(this, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) { emit pageRequested(row(item)); });
  connect(this, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) { emit pageRequested(row(item)); });
}

PdfThumbnailView::~PdfThumbnailView() { _worker->setDocument(nullptr); }

void PdfThumbnailView::setDocument(const PdfDocument* document) {
  _worker->setDocument(document);
  _cache.clear();
  clear();
  _scrollPending = false;
  const int count = document != nullptr ? document->pageCount() : 0;
  _pointSizes = QVector<QSizeF>(count, kA4Points);
  for (int page = 0; page < count; ++page) addItem(new QListWidgetItem);
}

void PdfThumbnailView::setPageSizes(const QVector<QSizeF>& pointSizes) {
  if (pointSizes.size() != _pointSizes.size() || pointSizes == _pointSizes) return;
  _pointSizes = pointSizes;
  _cache.clear();  // pictures of the old sizes would be stretched
  viewport()->update();
}

void PdfThumbnailView::highlightPage(int page) {
  if (page < 0 || page >= count()) return;
  const QSignalBlocker blocker(this);
  setCurrentRow(page);
  _scrollPending = !scrollToCurrent();
}

// A strip scrolled while hidden, or before its rows were laid out in its
// final size, has no room to scroll in: the scroll is lost and it opens at
// the top. So the scroll is kept until the strip shows and has its size.
bool PdfThumbnailView::scrollToCurrent() {
  QListWidgetItem* current = currentItem();
  if (current == nullptr) return true;
  scrollToItem(current);
  return isVisible() && viewport()->rect().intersects(visualItemRect(current));
}

void PdfThumbnailView::showEvent(QShowEvent* event) {
  QListWidget::showEvent(event);
  if (_scrollPending) _scrollPending = !scrollToCurrent();
}

void PdfThumbnailView::updateGeometries() {
  QListWidget::updateGeometries();
  if (_scrollPending) _scrollPending = !scrollToCurrent();
}

QSize PdfThumbnailView::thumbnailSize(int page) const {
  const QSizeF points = _pointSizes.value(page, kA4Points);
  const double dpr = devicePixelRatioF();
  // As wide as a thumbnail, but no taller than a portrait page's.
  const double maxHeight = kThumbnailWidth * kA4Points.height() / kA4Points.width();
  const double scale = std::min(kThumbnailWidth / points.width(), maxHeight / points.height());
  return (points * scale * dpr).toSize().expandedTo(QSize(1, 1));
}

PdfTileKey PdfThumbnailView::key(int page) const {
  const QSize size = thumbnailSize(page);
  return PdfTileKey{page, PdfScaleKey(size.width() / _pointSizes.value(page, kA4Points).width()), 0, 0};
}

const QImage* PdfThumbnailView::thumbnail(int page) { return _cache.find(key(page)); }

const QImage* PdfThumbnailView::take(int page) {
  const PdfTileKey tile = key(page);
  _shown.insert(tile);
  if (const QImage* image = _cache.find(tile)) return image;
  const QSize size = thumbnailSize(page);
  _wanted.push_back(PdfTileRequest{tile, size, QRect(QPoint(0, 0), size)});
  return nullptr;
}

void PdfThumbnailView::paintEvent(QPaintEvent* event) {
  _shown.clear();
  _wanted.clear();
  QListWidget::paintEvent(event);
  _cache.setPinned(_shown);
  // Only what is on screen now: a new request replaces what was asked before.
  _worker->request(std::move(_wanted));
  _wanted.clear();
}

void PdfThumbnailView::tileRendered(const PdfTileKey& tile, const QImage& image) {
  if (tile.page >= count() || !(tile == key(tile.page))) return;  // of sizes no longer shown
  _cache.insert(tile, image);
  viewport()->update();
}
