#pragma once
// The page thumbnails of a PDF in the viewer's sidebar: one row per page,
// a small picture of the page above its number. Pictures are rendered
// lazily on a worker thread of their own (PdfRenderWorker.h) for the rows
// on screen only, and kept in a byte-limited cache (PdfPageCache.h), so a
// document of thousands of pages costs no more than a screenful. Clicking
// a row asks for its page; the current page's row is highlighted.

#include <QListWidget>
#include <QSet>
#include <QSizeF>
#include <QVector>
#include <memory>

#include "pdfview/PdfPageCache.h"
#include "pdfview/PdfRenderWorker.h"

class PdfDocument;

class PdfThumbnailView : public QListWidget {
  Q_OBJECT

 public:
  /// Width of a thumbnail in pixels, and the bytes of thumbnails kept.
  static constexpr int kThumbnailWidth = 120;
  static constexpr qint64 kCacheBytes = 8 * 1024 * 1024;

  explicit PdfThumbnailView(QWidget* parent = nullptr);
  ~PdfThumbnailView() override;

  /// Shows the pages of `document` (not used after this returns; null:
  /// none), each as large as the first until setPageSizes.
  void setDocument(const PdfDocument* document);
  /// The pages' sizes in points, once they are known.
  void setPageSizes(const QVector<QSizeF>& pointSizes);
  /// Highlights `page`'s row and scrolls it into view. Emits nothing. A
  /// strip that is hidden, or not yet laid out, scrolls there as soon as it
  /// shows, and from then on leaves scrolling to the user.
  void highlightPage(int page);

  const PdfPageCache& cache() const { return _cache; }
  /// The thumbnail of `page`, when it has been rendered and is still kept.
  const QImage* thumbnail(int page);

 signals:
  /// The user chose the row of `page`.
  void pageRequested(int page);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void updateGeometries() override;

 private:
  friend class PdfThumbnailDelegate;
  QSize thumbnailSize(int page) const;  // device pixels
  PdfTileKey key(int page) const;
  /// Called while painting the row of `page`: its picture, or null after
  /// noting that it is wanted.
  const QImage* take(int page);
  void tileRendered(const PdfTileKey& key, const QImage& image);
  /// Scrolls the current row into view; false while the strip cannot show
  /// it yet (hidden, or laid out at no size).
  bool scrollToCurrent();

  std::unique_ptr<PdfRenderWorker> _worker;
  PdfPageCache _cache{kCacheBytes};
  QVector<QSizeF> _pointSizes;
  QSet<PdfTileKey> _shown;          // thumbnails painted by the paint in progress
  std::vector<PdfTileRequest> _wanted;  // thumbnails the paint in progress lacks
  bool _scrollPending = false;  // the current row is still to be scrolled into view
};
