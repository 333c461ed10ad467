#pragma once
// Reads the text of a PDF's pages on a thread of its own for the view's
// search, so that the window goes on answering while a search reads through
// hundreds of pages: it finds the next occurrence of a text, and every
// occurrence of a text on the pages the view shows (to highlight them).
//
// A document object is used by one thread at a time: the worker opens its
// own on the bytes of the document it is given (on its thread, when it is
// first asked for something) and keeps the text it has read there
// (PdfPageText) for the searches after.
//
// Results come back through the signals, on the thread that owns the worker.
// A result that has been overtaken (another search started, or another
// document was set) is not delivered, and a search that has been overtaken
// stops at the next page.

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QVector>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "pdfview/PdfDocument.h"
#include "pdfview/PdfPageText.h"

/// What to look for: `text` after `from` (`backwards`: before it) as
/// PdfPageText::find does, or, when `fromPage` >= 0, the first occurrence on
/// that page or after it as PdfPageText::findFromPage does.
struct PdfTextSearch {
  QString text;
  PdfTextSelection from;
  bool backwards = false;
  int fromPage = -1;

  static PdfTextSearch After(const QString& text, const PdfTextSelection& from, bool backwards) {
    PdfTextSearch search;
    search.text = text;
    search.from = from;
    search.backwards = backwards;
    return search;
  }
  static PdfTextSearch FromPage(const QString& text, int page) {
    PdfTextSearch search;
    search.text = text;
    search.fromPage = page;
    return search;
  }
};

class PdfTextWorker : public QObject {
  Q_OBJECT

 public:
  explicit PdfTextWorker(QObject* parent = nullptr);
  /// Stops the search in progress and waits for it.
  ~PdfTextWorker() override;

  /// Works on the PDF of `document` from now on (null: none); `document`
  /// itself is not used after this returns. What was asked before is dropped.
  void setDocument(const PdfDocument* document);

  /// Starts `search`, in place of the one in progress (whose result is then
  /// not delivered). Its result comes as `found`.
  void find(const PdfTextSearch& search);
  /// Whether a search has started whose result has not been delivered.
  bool searching() const;

  /// Asks for the occurrences of `text` on each of `pages` (in this order),
  /// in place of the pages asked for before and not read yet. Each page's
  /// come as `hitsFound`.
  void requestHits(const QString& text, const QVector<int>& pages);

 signals:
  /// The result of the latest search (invalid: nothing found).
  void found(const PdfTextSelection& selection);
  /// The occurrences of `text` on `page` (requestHits).
  void hitsFound(const QString& text, int page, const QList<PdfTextSelection>& hits);

 private:
  void run();
  void openDocument(std::unique_lock<std::mutex>& lock);
  void runSearch(std::unique_lock<std::mutex>& lock);
  void readHits(std::unique_lock<std::mutex>& lock);
  /// Whether the work started under `generation` (and `search`, for a
  /// search) has been overtaken; called with the mutex held.
  bool overtaken(unsigned generation, unsigned search) const;

  mutable std::mutex _mutex;
  std::condition_variable _wake;  // work arrived, or stop
  std::condition_variable _idle;  // the work in progress finished
  QByteArray _bytes;              // the PDF to open on the worker's thread
  QString _password;
  bool _mustOpen = false;
  std::unique_ptr<PdfDocument> _document;  // the worker's own, used on its thread
  std::unique_ptr<PdfPageText> _text;      // of _document
  std::optional<PdfTextSearch> _search;    // waiting to start
  unsigned _searchSerial = 0;              // of the latest search asked for
  bool _searchUndelivered = false;         // the latest search's result is not delivered yet
  QString _hitsText;
  std::deque<int> _hitsPages;              // waiting to be read
  bool _busy = false;
  bool _stop = false;
  unsigned _generation = 0;                // raised by setDocument: older results are stale
  std::thread _thread;
};
