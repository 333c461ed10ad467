#pragma once
// Works on a PDF document on a thread of its own (PdfDocumentWorker.h), so
// that the window goes on answering meanwhile:
// - it renders tiles of pages. The view asks for the tiles it lacks; a new
//   request replaces every tile not yet started (the view asks for what is
//   on screen now, not for everything it ever scrolled past). A request is
//   handed over through a mailbox (PdfMailbox.h), never through the
//   worker's lock: the window's thread asks at every paint;
// - right after opening a new document it reads the first page's drawing
//   instructions, before the view asks for its tiles;
// - between tiles, it measures every page of a new document (the engine
//   loads a page to tell its size, which for hundreds of pages would hold
//   up the opening of the window).
// Results come back through signals on the thread that owns the worker.

#include <QImage>
#include <QRect>
#include <QSet>
#include <QSize>
#include <QSizeF>
#include <QVector>
#include <deque>
#include <vector>

#include "pdfview/PdfDocumentWorker.h"
#include "pdfview/PdfMailbox.h"
#include "pdfview/PdfPageCache.h"

/// One tile to render: `clip` of the page scaled to `pageSize` (device pixels).
struct PdfTileRequest {
  PdfTileKey key;
  QSize pageSize;
  QRect clip;
};

class PdfRenderWorker : public PdfDocumentWorker {
  Q_OBJECT

 public:
  explicit PdfRenderWorker(QObject* parent = nullptr);
  /// Drops what is pending and waits for the work in progress.
  ~PdfRenderWorker() override;

  // setDocument (PdfDocumentWorker) opens the document at once and starts
  // measuring its pages.

  /// Replaces every pending tile with `requests`, rendered in this order.
  /// A tile that is being rendered or on its way is not rendered again, nor
  /// is a tile asked for twice. On the owner's thread; returns at once,
  /// without taking the worker's lock.
  void request(std::vector<PdfTileRequest> requests);

  /// Tiles requested and not yet delivered to the owner's thread. On the
  /// owner's thread; takes the worker's lock (for tests, not for painting).
  int pendingCount() const;

 signals:
  /// A requested tile is ready (on the owner's thread).
  void tileRendered(const PdfTileKey& key, const QImage& image);
  /// Every page of the document has been measured: its size in points.
  void pagesMeasured(const QVector<QSizeF>& pointSizes);

 private:
  bool hasWork() const override;
  void work(std::unique_lock<std::mutex>& lock) override;
  void dropWork(const PdfDocument* next) override;
  void prepare(PdfDocument* document) override;
  void documentOpened() override;
  /// Takes the latest request from the mailbox into the queue.
  void takeRequest();
  void renderTile(std::unique_lock<std::mutex>& lock);
  void measurePages(std::unique_lock<std::mutex>& lock);

  // A request as handed over: the tiles, and the serial of the last tile
  // the owner's thread had received when it asked (tiles rendered after
  // that may still be on their way, and are not rendered again).
  struct Request {
    std::vector<PdfTileRequest> tiles;
    quint64 received = 0;
  };
  // A tile rendered under `serial` (counting every tile started).
  struct Rendered {
    quint64 serial;
    PdfTileKey key;
  };

  PdfMailbox<Request> _mailbox;  // the latest request, not taken yet
  quint64 _received = 0;         // owner's thread: serial of the last tile delivered

  // Guarded by mutex().
  std::deque<PdfTileRequest> _queue;
  QVector<QSizeF> _measured;        // sizes of the pages measured so far
  int _pageCount = 0;               // of the document; measuring goes on while _measured is shorter
  quint64 _started = 0;             // serial of the last tile started
  std::deque<Rendered> _onTheirWay;  // being rendered or delivered, not known to be received; by serial
};
