#pragma once
// Works on a PDF document on a thread of its own, so that the window goes
// on answering meanwhile:
// - it renders tiles of pages. The view asks for the tiles it lacks; a new
//   request replaces every tile not yet started (the view asks for what is
//   on screen now, not for everything it ever scrolled past);
// - right after opening a new document it reads the first page's drawing
//   instructions, before the view asks for its tiles;
// - between tiles, it measures every page of a new document (the engine
//   loads a page to tell its size, which for hundreds of pages would hold
//   up the opening of the window).
// Results come back through signals on the thread that owns the worker.
//
// A document object is used by one thread at a time: the worker opens its
// own on the bytes of the document it is given (on its thread), so the
// window's document stays free for the window's thread.

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QRect>
#include <QSet>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <QVector>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "pdfview/PdfDocument.h"
#include "pdfview/PdfPageCache.h"

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

  /// Works on the PDF of `document` from now on (null: does nothing) and
  /// starts measuring its pages; `document` itself is not used after this
  /// returns. Drops what is pending and waits for the work in progress;
  /// results about the previous document still on their way to the owner's
  /// thread are not delivered.
  void setDocument(const PdfDocument* document);

  /// Replaces every pending tile with `requests`, rendered in this order.
  /// A tile that is being rendered or on its way is not rendered again, nor
  /// is a tile asked for twice.
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
  void openDocument(std::unique_lock<std::mutex>& lock);
  void deliverTile(unsigned generation, const PdfTileKey& key, const QImage& image);

  mutable std::mutex _mutex;
  std::condition_variable _wake;  // work arrived, or stop
  std::condition_variable _idle;  // the work in progress finished
  std::deque<PdfTileRequest> _queue;
  QByteArray _bytes;                       // the PDF to open on the worker's thread
  QString _password;
  bool _mustOpen = false;                  // _bytes are not opened yet
  std::unique_ptr<PdfDocument> _document;  // the worker's own, used on its thread
  QVector<QSizeF> _measured;     // sizes of the pages measured so far
  int _pageCount = 0;            // of the document; measuring goes on while _measured is shorter
  bool _busy = false;
  bool _stop = false;
  unsigned _generation = 0;      // raised by setDocument: older results are stale
  QSet<PdfTileKey> _inFlight;    // being rendered, or on their way to the owner's thread
  std::thread _thread;
};
