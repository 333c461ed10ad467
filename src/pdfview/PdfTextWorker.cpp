#include "pdfview/PdfTextWorker.h"

PdfTextWorker::PdfTextWorker(QObject* parent) : PdfDocumentWorker(false, parent) { start(); }

// A search in progress sees the stop at its next page.
PdfTextWorker::~PdfTextWorker() { stop(); }

void PdfTextWorker::find(const PdfTextSearch& search) {
  {
    std::lock_guard<std::mutex> lock(mutex());
    _search = search;
    ++_searchSerial;  // the search in progress stops at its next page
    _searchUndelivered = true;
  }
  wake();
}

bool PdfTextWorker::searching() const {
  std::lock_guard<std::mutex> lock(mutex());
  return _searchUndelivered;
}

void PdfTextWorker::requestHits(const QStringList& texts, const QVector<int>& pages) {
  _hitsMailbox.put(HitsRequest{texts, pages});
  wake();
}

void PdfTextWorker::takeHitsRequest() {
  const std::unique_ptr<HitsRequest> request = _hitsMailbox.take();
  if (request == nullptr) return;
  _hitsTexts = request->texts;
  _hitsPages.assign(request->pages.begin(), request->pages.end());
}

void PdfTextWorker::dropWork(const PdfDocument*) {
  // A search in progress stops at its next page (the generation changed).
  _search.reset();
  _searchUndelivered = false;
  _hitsMailbox.take();
  _hitsPages.clear();
}

void PdfTextWorker::forgetDocument() { _text.reset(); }

void PdfTextWorker::documentOpened() {
  // Without a document (it did not open: out of memory), searches find
  // nothing rather than retrying without end.
  _text = std::make_unique<PdfPageText>(document());
  // A search stops at the next page once it has been overtaken.
  const unsigned opened = generation();
  _text->setInterruption([this, opened] {
    std::lock_guard<std::mutex> lock(mutex());
    return stopping() || opened != generation() || _search.has_value();
  });
}

bool PdfTextWorker::hasWork() const {
  return _search.has_value() || _hitsMailbox.holdsRequest() || !_hitsPages.empty();
}

void PdfTextWorker::work(std::unique_lock<std::mutex>& lock) {
  // The search the user waits for first, then highlights.
  takeHitsRequest();
  if (_search)
    runSearch(lock);
  else if (!_hitsPages.empty())  // the request taken may ask for no pages
    readHits(lock);
}

bool PdfTextWorker::overtaken(unsigned serial) const { return stopping() || serial != _searchSerial; }

void PdfTextWorker::runSearch(std::unique_lock<std::mutex>& lock) {
  const PdfTextSearch search = *_search;
  _search.reset();
  const unsigned started = generation();
  const unsigned serial = _searchSerial;
  PdfPageText* text = _text.get();
  const PdfTextSelection result = unlocked(lock, [&] {
    if (text == nullptr) return PdfTextSelection();
    return search.fromPage >= 0 ? text->findFromPage(search.texts, search.fromPage)
                                : text->find(search.texts, search.from, search.backwards);
  });
  if (started != generation() || overtaken(serial)) return;
  deliver(
      started, [this, result] { emit found(result); },
      [this, serial] {
        if (overtaken(serial)) return false;
        _searchUndelivered = false;
        return true;
      });
}

void PdfTextWorker::readHits(std::unique_lock<std::mutex>& lock) {
  const int page = _hitsPages.front();
  _hitsPages.pop_front();
  const QStringList query = _hitsTexts;
  const unsigned started = generation();
  PdfPageText* text = _text.get();
  unlocked(lock, [&] {
    const QList<PdfTextSelection> hits = text != nullptr ? text->findAll(query, page) : QList<PdfTextSelection>();
    // Handed over without the lock, which the window's thread takes when
    // it asks for the hits of other pages.
    deliver(started, [this, query, page, hits] { emit hitsFound(query, page, hits); });
  });
}
