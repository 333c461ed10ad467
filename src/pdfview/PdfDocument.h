#pragma once
// The PDF engine behind the viewer: one PDF opened from bytes, with what the
// viewer reads from it (page sizes, rendered pixels, positioned text, links,
// the outline). Nothing of the engine shows through this header, and no
// engine error leaves it: a call that fails says so in its result.
//
// Threads: a PdfDocument is used by one thread at a time (it may move to
// another thread between calls). Two threads that work on the same PDF at
// once each open their own PdfDocument on the same bytes (reopen()); the
// objects share the engine's caches of fonts and images.
//
// Coordinates are points with the origin at the page's top-left corner, as
// the page is shown (its rotation and crop box applied).

#include <QByteArray>
#include <QImage>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <QVector>
#include <memory>

class PdfDocument;

/// How opening went.
enum class PdfOpenStatus {
  Opened,          // ready, with at least one page
  NeedsPassword,   // encrypted: the password given (if any) does not open it
  Damaged,         // not a PDF the engine can read, or one without pages
};

struct PdfOpenResult {
  PdfOpenStatus status = PdfOpenStatus::Damaged;
  std::unique_ptr<PdfDocument> document;  // set when Opened
  QString reason;                          // the engine's message when Damaged
};

/// A link on a page: `area` on the page, and either a page of the same
/// document (`page` >= 0, `target` the point to show there, negative
/// coordinates when the destination names none) or a `uri` to open outside.
struct PdfLink {
  QRectF area;
  int page = -1;
  QPointF target{-1, -1};
  QString uri;

  bool isInternal() const { return page >= 0; }
};

/// One item of the outline, in document order; `depth` 0 for the top level.
/// `page` is -1 for an item that leads nowhere in this document.
struct PdfOutlineItem {
  QString title;
  int depth = 0;
  int page = -1;
  QString uri;
};

/// The text of a page in reading order: lines end with "\n", and each
/// UTF-16 unit of `text` has its box in `boxes` (an empty box for the line
/// ends). `lines` holds the box of each line.
struct PdfPageTextData {
  QString text;
  QVector<QRectF> boxes;
  QVector<QRectF> lines;
};

class PdfDocument {
 public:
  ~PdfDocument();
  PdfDocument(const PdfDocument&) = delete;
  PdfDocument& operator=(const PdfDocument&) = delete;

  /// Opens `bytes` (kept, shared) as a PDF, with `password` for an
  /// encrypted one. A damaged file that the engine can repair opens.
  static PdfOpenResult Open(const QByteArray& bytes, const QString& password = QString());

  /// Another document object on the same bytes and password, for another
  /// thread; null when it does not open (it did before: only when memory
  /// runs out).
  std::unique_ptr<PdfDocument> reopen() const;

  const QByteArray& bytes() const { return _bytes; }
  const QString& password() const { return _password; }
  int pageCount() const { return _pageCount; }

  /// The size of `page` in points; an empty size for a page that does not
  /// exist or cannot be read.
  QSizeF pageSize(int page);

  /// `clip` (device pixels) of `page` drawn at `pageSize` device pixels for
  /// the whole page, with its annotations and form fields, on white (an
  /// opaque RGB32 image). A null image when the page cannot be drawn at all
  /// or the sizes are empty; a page that fails part way keeps what was drawn.
  QImage render(int page, QSize pageSize, const QRect& clip);

  /// Reads `page`'s drawing instructions now, so that the next render() of
  /// it only draws; false when the page cannot be read.
  bool preparePage(int page);

  /// The page's text; empty for a page without text or one that does not exist.
  PdfPageTextData pageText(int page);

  /// The page's links; none for a page that does not exist.
  QVector<PdfLink> links(int page);

  /// The document's outline (empty when it has none).
  QVector<PdfOutlineItem> outline();

 private:
  struct Engine;
  PdfDocument(std::unique_ptr<Engine> engine, const QByteArray& bytes, const QString& password, int pageCount);

  // The engine reads the bytes in place: they are declared first, so that
  // they go after the engine's objects.
  QByteArray _bytes;
  QString _password;
  std::unique_ptr<Engine> _engine;
  int _pageCount = 0;
};
