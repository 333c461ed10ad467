#include "pdfview/PdfRenderWorker.h"

#include <QMetaObject>
#include <algorithm>

namespace {

// Pages measured in one go before looking for tiles to render again: few,
// so that a tile asked for waits little.
constexpr int kPagesPerMeasure = 2;

}  // namespace

PdfRenderWorker::PdfRenderWorker(QObject* parent) : QObject(parent), _thread([this] { run(); }) {}

PdfRenderWorker::~PdfRenderWorker() {
  {
    std::lock_guard<std::mutex> lock(_mutex);
    _stop = true;
    _queue.clear();
  }
  _wake.notify_all();
  _thread.join();
}

void PdfRenderWorker::setDocument(const PdfDocument* document) {
  std::unique_ptr<PdfDocument> previous;
  {
    std::unique_lock<std::mutex> lock(_mutex);
    _queue.clear();
    ++_generation;
    _inFlight.clear();
    _idle.wait(lock, [this] { return !_busy; });
    previous = std::move(_document);  // the worker is idle: this thread may release it
    _bytes = document != nullptr ? document->bytes() : QByteArray();
    _password = document != nullptr ? document->password() : QString();
    _mustOpen = document != nullptr;
    _pageCount = document != nullptr ? document->pageCount() : 0;
    _measured.clear();
  }
  _wake.notify_one();
}

void PdfRenderWorker::request(std::vector<PdfTileRequest> requests) {
  {
    std::lock_guard<std::mutex> lock(_mutex);
    _queue.clear();
    QSet<PdfTileKey> queued;
    for (PdfTileRequest& tile : requests) {
      if (_inFlight.contains(tile.key) || queued.contains(tile.key)) continue;
      queued.insert(tile.key);
      _queue.push_back(std::move(tile));
    }
  }
  _wake.notify_one();
}

int PdfRenderWorker::pendingCount() const {
  std::lock_guard<std::mutex> lock(_mutex);
  return static_cast<int>(_queue.size() + _inFlight.size());
}

void PdfRenderWorker::run() {
  std::unique_lock<std::mutex> lock(_mutex);
  for (;;) {
    _wake.wait(lock, [this] {
      return _stop || _mustOpen || (_document != nullptr && (!_queue.empty() || _measured.size() < _pageCount));
    });
    if (_stop) return;
    // The document first, then what is on screen, then the page sizes.
    if (_mustOpen)
      openDocument(lock);
    else if (!_queue.empty())
      renderTile(lock);
    else
      measurePages(lock);
    _idle.notify_all();
  }
}

void PdfRenderWorker::openDocument(std::unique_lock<std::mutex>& lock) {
  const QByteArray bytes = _bytes;
  const QString password = _password;
  const unsigned generation = _generation;
  _busy = true;
  _mustOpen = false;
  lock.unlock();

  std::unique_ptr<PdfDocument> document = PdfDocument::Open(bytes, password).document;
  // The first page is shown first: its drawing instructions are read while
  // the window is still being laid out, before it asks for tiles.
  if (document != nullptr) document->preparePage(0);

  lock.lock();
  _busy = false;
  if (generation != _generation) return;  // setDocument waited for this and started over
  _document = std::move(document);
  // It opened before, on the window's thread; when it does not now (out of
  // memory), nothing is rendered rather than retrying without end.
  if (_document == nullptr) _pageCount = 0;
}

void PdfRenderWorker::renderTile(std::unique_lock<std::mutex>& lock) {
  const PdfTileRequest tile = _queue.front();
  _queue.pop_front();
  PdfDocument* document = _document.get();
  const unsigned generation = _generation;
  _busy = true;
  _inFlight.insert(tile.key);
  lock.unlock();

  const QImage image = document->render(tile.key.page, tile.pageSize, tile.clip);

  lock.lock();
  _busy = false;
  if (generation == _generation) {
    QMetaObject::invokeMethod(
        this, [this, generation, key = tile.key, image] { deliverTile(generation, key, image); },
        Qt::QueuedConnection);
  }
}

void PdfRenderWorker::measurePages(std::unique_lock<std::mutex>& lock) {
  PdfDocument* document = _document.get();
  const unsigned generation = _generation;
  const int first = static_cast<int>(_measured.size());
  const int end = std::min(_pageCount, first + kPagesPerMeasure);
  _busy = true;
  lock.unlock();

  QVector<QSizeF> sizes;
  for (int page = first; page < end; ++page) sizes.append(document->pageSize(page));

  lock.lock();
  _busy = false;
  if (generation != _generation) return;  // setDocument waited for this and started over
  _measured += sizes;
  if (_measured.size() == _pageCount) {
    QMetaObject::invokeMethod(
        this,
        [this, generation, measured = _measured] {
          {
            std::lock_guard<std::mutex> lock(_mutex);
            if (generation != _generation) return;
          }
          emit pagesMeasured(measured);
        },
        Qt::QueuedConnection);
  }
}

void PdfRenderWorker::deliverTile(unsigned generation, const PdfTileKey& key, const QImage& image) {
  {
    std::lock_guard<std::mutex> lock(_mutex);
    if (generation != _generation) return;
    _inFlight.remove(key);
  }
  emit tileRendered(key, image);
}
