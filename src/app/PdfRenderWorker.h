#pragma once
// Works on a PDF document on a thread of its own, so that the window goes
// on answering meanwhile:
// - it renders tiles of pages. The view asks for the tiles it lacks; a new
//   request replaces every tile not yet started (the view asks for what is
//   on screen now, not for everything it ever scrolled past);
// - between tiles, it measures every page of a new document (QtPdf loads a
//   page to tell its size, which for hundreds of pages would hold up the
//   opening of the window).
// Results come back through signals on the thread that owns the worker.
//
// QtPdf serialises every call into its PDF engine with one lock, so the
// document may be used from the user-interface thread while the worker uses
// it; such a call then waits for at most one tile or one page's size.

#include <QImage>
#include <QObject>
#include <QRect>
#include <QSet>
#include <QSize>
#include <QSizeF>
#include <QVector>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "app/PdfPageCache.h"

class QPdfDocument;

/// One tile to render: `clip` of the page scaled to `pageSize` (device pixels).
struct PdfTileRequest {
  PdfTileKey key;
  QSize pageSize;
  QRect clip;
};

class PdfRenderWorker : public QObject {
  Q_OBJECT

 public:
  explicit PdfRenderWorker(QObject* parent = nullptr);
  /// Drops what is pending and waits for the work in progress.
  ~PdfRenderWorker() override;

  /// Works on `document` from now on (null: does nothing) and starts
  /// measuring its pages. Drops what is pending and waits for the work in
  /// progress, so the previous document may be released once this returns;
  /// results about it still on their way to the owner's thread are not
  /// delivered.
  void setDocument(QPdfDocument* document);

  /// Replaces every pending tile with `requests`, rendered in this order.
  /// A tile that is being rendered or on its way is not rendered again.
  void request(std::vector<PdfTileRequest> requests);

  /// Tiles requested and not yet delivered to the owner's thread.
  int pendingCount() const;

 signals:
  /// A requested tile is ready (on the owner's thread).
  void tileRendered(const PdfTileKey& key, const QImage& image);
  /// Every page of the document has been measured: its size in points.
  void pagesMeasured(const QVector<QSizeF>& pointSizes);

 private:
  void run();
  void renderTile(std::unique_lock<std::mutex>& lock);
  void measurePages(std::unique_lock<std::mutex>& lock);
  void deliverTile(unsigned generation, const PdfTileKey& key, const QImage& image);

  mutable std::mutex _mutex;
  std::condition_variable _wake;  // work arrived, or stop
  std::condition_variable _idle;  // the work in progress finished
  std::deque<PdfTileRequest> _queue;
  QPdfDocument* _document = nullptr;
  QVector<QSizeF> _measured;     // sizes of the pages measured so far
  int _pageCount = 0;            // of the document; measuring goes on while _measured is shorter
  bool _busy = false;
  bool _stop = false;
  unsigned _generation = 0;      // raised by setDocument: older results are stale
  QSet<PdfTileKey> _inFlight;    // being rendered, or on their way to the owner's thread
  std::thread _thread;
};
