#include "pdfview/PdfTextWorker.h"

#include <QMetaObject>

PdfTextWorker::PdfTextWorker(QObject* parent) : QObject(parent), _thread([this] { run(); }) {}

PdfTextWorker::~PdfTextWorker() {
  {
    std::lock_guard<std::mutex> lock(_mutex);
    _stop = true;  // a search in progress sees it at its next page
  }
  _wake.notify_all();
  _thread.join();
}

void PdfTextWorker::setDocument(const PdfDocument* document) {
  std::unique_ptr<PdfPageText> previousText;
  std::unique_ptr<PdfDocument> previous;
  {
    std::unique_lock<std::mutex> lock(_mutex);
    ++_generation;  // a search in progress stops at its next page
    _search.reset();
    _searchUndelivered = false;
    _hitsPages.clear();
    _idle.wait(lock, [this] { return !_busy; });
    // The worker is idle: this thread may release its objects.
    previousText = std::move(_text);
    previous = std::move(_document);
    _bytes = document != nullptr ? document->bytes() : QByteArray();
    _password = document != nullptr ? document->password() : QString();
    _mustOpen = document != nullptr;
  }
  _wake.notify_one();
}

void PdfTextWorker::find(const PdfTextSearch& search) {
  {
    std::lock_guard<std::mutex> lock(_mutex);
    _search = search;
    ++_searchSerial;  // the search in progress stops at its next page
    _searchUndelivered = true;
  }
  _wake.notify_one();
}

bool PdfTextWorker::searching() const {
  std::lock_guard<std::mutex> lock(_mutex);
  return _searchUndelivered;
}

void PdfTextWorker::requestHits(const QString& text, const QVector<int>& pages) {
  {
    std::lock_guard<std::mutex> lock(_mutex);
    _hitsText = text;
    _hitsPages.assign(pages.begin(), pages.end());
  }
  _wake.notify_one();
}

bool PdfTextWorker::overtaken(unsigned generation, unsigned search) const {
  return _stop || generation != _generation || search != _searchSerial;
}

void PdfTextWorker::run() {
  std::unique_lock<std::mutex> lock(_mutex);
  for (;;) {
    _wake.wait(lock, [this] { return _stop || _search || !_hitsPages.empty(); });
    if (_stop) return;
    // The document when there is work for it (not while the window opens
    // and draws its first page), then the search the user waits for, then
    // highlights.
    if (_mustOpen)
      openDocument(lock);
    else if (_search)
      runSearch(lock);
    else
      readHits(lock);
    _idle.notify_all();
  }
}

void PdfTextWorker::openDocument(std::unique_lock<std::mutex>& lock) {
  const QByteArray bytes = _bytes;
  const QString password = _password;
  const unsigned generation = _generation;
  _busy = true;
  _mustOpen = false;
  lock.unlock();

  // It opened before, on the window's thread; when it does not now (out of
  // memory), searches find nothing rather than retrying without end.
  std::unique_ptr<PdfDocument> document = PdfDocument::Open(bytes, password).document;
  auto text = std::make_unique<PdfPageText>(document.get());

  lock.lock();
  _busy = false;
  if (generation != _generation) return;  // setDocument waited for this and started over
  _document = std::move(document);
  _text = std::move(text);
  // A search stops at the next page once it has been overtaken.
  _text->setInterruption([this, generation] {
    std::lock_guard<std::mutex> guard(_mutex);
    return _stop || generation != _generation || _search.has_value();
  });
}

void PdfTextWorker::runSearch(std::unique_lock<std::mutex>& lock) {
  const PdfTextSearch search = *_search;
  _search.reset();
  const unsigned generation = _generation;
  const unsigned serial = _searchSerial;
  PdfPageText* text = _text.get();
  _busy = true;
  lock.unlock();

  PdfTextSelection result;
  if (text != nullptr)
    result = search.fromPage >= 0 ? text->findFromPage(search.text, search.fromPage)
                                  : text->find(search.text, search.from, search.backwards);

  lock.lock();
  _busy = false;
  if (overtaken(generation, serial)) return;
  QMetaObject::invokeMethod(
      this,
      [this, generation, serial, result] {
        {
          std::lock_guard<std::mutex> guard(_mutex);
          if (overtaken(generation, serial)) return;
          _searchUndelivered = false;
        }
        emit found(result);
      },
      Qt::QueuedConnection);
}

void PdfTextWorker::readHits(std::unique_lock<std::mutex>& lock) {
  const int page = _hitsPages.front();
  _hitsPages.pop_front();
  const QString query = _hitsText;
  const unsigned generation = _generation;
  PdfPageText* text = _text.get();
  _busy = true;
  lock.unlock();

  const QList<PdfTextSelection> hits = text != nullptr ? text->findAll(query, page) : QList<PdfTextSelection>();

  lock.lock();
  _busy = false;
  if (_stop || generation != _generation) return;
  QMetaObject::invokeMethod(
      this,
      [this, generation, query, page, hits] {
        {
          std::lock_guard<std::mutex> guard(_mutex);
          if (generation != _generation) return;
        }
        emit hitsFound(query, page, hits);
      },
      Qt::QueuedConnection);
}
