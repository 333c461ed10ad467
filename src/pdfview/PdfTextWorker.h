#pragma once
// Reads the text of a PDF's pages on a thread of its own for the view's
// search, so that the window goes on answering while a search reads through
// hundreds of pages: it finds the next occurrence of a text, and every
// occurrence of a text on the pages the view shows (to highlight them).
//
// The worker (PdfDocumentWorker.h) opens its own document object, on its
// thread, when it is first asked for something, and keeps the text it has
// read there (PdfPageText) for the searches after.
//
// Results come back through the signals, on the thread that owns the worker.
// A result that has been overtaken (another search started, or another
// document was set) is not delivered, and a search that has been overtaken
// stops at the next page.

#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>
#include <deque>
#include <memory>
#include <optional>

#include "pdfview/PdfDocumentWorker.h"
#include "pdfview/PdfMailbox.h"
#include "pdfview/PdfPageText.h"

/// What to look for: any of `texts` after `from` (`backwards`: before it)
/// as PdfPageText::find does, or, when `fromPage` >= 0, the first occurrence
/// on that page or after it as PdfPageText::findFromPage does.
struct PdfTextSearch {
  QStringList texts;
  PdfTextSelection from;
  bool backwards = false;
  int fromPage = -1;

  static PdfTextSearch After(const QStringList& texts, const PdfTextSelection& from, bool backwards) {
    PdfTextSearch search;
    search.texts = texts;
    search.from = from;
    search.backwards = backwards;
    return search;
  }
  static PdfTextSearch FromPage(const QStringList& texts, int page) {
    PdfTextSearch search;
    search.texts = texts;
    search.fromPage = page;
    return search;
  }
};

class PdfTextWorker : public PdfDocumentWorker {
  Q_OBJECT

 public:
  explicit PdfTextWorker(QObject* parent = nullptr);
  /// Stops the search in progress and waits for it.
  ~PdfTextWorker() override;

  // setDocument (PdfDocumentWorker) drops what was asked before.

  /// Starts `search`, in place of the one in progress (whose result is then
  /// not delivered). Its result comes as `found`.
  void find(const PdfTextSearch& search);
  /// Whether a search has started whose result has not been delivered.
  bool searching() const;

  /// Asks for the occurrences of any of `texts` on each of `pages` (in this
  /// order), in place of the pages asked for before and not read yet. Each
  /// page's come as `hitsFound`. Returns at once, without the worker's lock
  /// (the view asks while it paints).
  void requestHits(const QStringList& texts, const QVector<int>& pages);

 signals:
  /// The result of the latest search (invalid: nothing found).
  void found(const PdfTextSelection& selection);
  /// The occurrences of `texts` on `page` (requestHits).
  void hitsFound(const QStringList& texts, int page, const QList<PdfTextSelection>& hits);

 private:
  bool hasWork() const override;
  void work(std::unique_lock<std::mutex>& lock) override;
  void dropWork(const PdfDocument* next) override;
  void forgetDocument() override;
  void documentOpened() override;
  void runSearch(std::unique_lock<std::mutex>& lock);
  /// Takes the latest request for hits from the mailbox.
  void takeHitsRequest();
  void readHits(std::unique_lock<std::mutex>& lock);
  /// Whether the search `serial` has been overtaken; with mutex() held.
  bool overtaken(unsigned serial) const;

  struct HitsRequest {
    QStringList texts;
    QVector<int> pages;
  };
  PdfMailbox<HitsRequest> _hitsMailbox;  // the latest request for hits, not taken yet

  // Guarded by mutex().
  std::unique_ptr<PdfPageText> _text;      // of the worker's document
  std::optional<PdfTextSearch> _search;    // waiting to start
  unsigned _searchSerial = 0;              // of the latest search asked for
  bool _searchUndelivered = false;         // the latest search's result is not delivered yet
  QStringList _hitsTexts;
  std::deque<int> _hitsPages;              // waiting to be read
};
