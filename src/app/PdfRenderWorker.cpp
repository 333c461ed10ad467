#include "app/PdfRenderWorker.h"

#include <QMetaObject>
#include <QPdfDocument>
#include <QPdfDocumentRenderOptions>
#include <algorithm>

namespace {

// Pages measured in one go before looking for tiles to render again.
constexpr int kPagesPerMeasure = 16;

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

void PdfRenderWorker::setDocument(QPdfDocument* document) {
  {
    std::unique_lock<std::mutex> lock(_mutex);
    _queue.clear();
    ++_generation;
    _inFlight.clear();
    _idle.wait(lock, [this] { return !_busy; });
    _document = document;
    _pageCount = document != nullptr ? document->pageCount() : 0;
    _measured.clear();
  }
  _wake.notify_one();
}

void PdfRenderWorker::request(std::vector<PdfTileRequest> requests) {
  {
    std::lock_guard<std::mutex> lock(_mutex);
    _queue.clear();
    for (PdfTileRequest& tile : requests)
      if (!_inFlight.contains(tile.key)) _queue.push_back(std::move(tile));
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
      return _stop || (_document != nullptr && (!_queue.empty() || _measured.size() < _pageCount));
    });
    if (_stop) return;
    // What is on screen comes first.
    if (!_queue.empty())
      renderTile(lock);
    else
      measurePages(lock);
    _idle.notify_all();
  }
}

void PdfRenderWorker::renderTile(std::unique_lock<std::mutex>& lock) {
  const PdfTileRequest tile = _queue.front();
  _queue.pop_front();
  QPdfDocument* document = _document;
  const unsigned generation = _generation;
  _busy = true;
  _inFlight.insert(tile.key);
  lock.unlock();

  QPdfDocumentRenderOptions options;
  options.setScaledSize(tile.pageSize);
  options.setScaledClipRect(tile.clip);
  const QImage image = document->render(tile.key.page, tile.clip.size(), options);

  lock.lock();
  _busy = false;
  if (generation == _generation) {
    QMetaObject::invokeMethod(
        this, [this, generation, key = tile.key, image] { deliverTile(generation, key, image); },
        Qt::QueuedConnection);
  }
}

void PdfRenderWorker::measurePages(std::unique_lock<std::mutex>& lock) {
  QPdfDocument* document = _document;
  const unsigned generation = _generation;
  const int first = static_cast<int>(_measured.size());
  const int end = std::min(_pageCount, first + kPagesPerMeasure);
  _busy = true;
  lock.unlock();

  QVector<QSizeF> sizes;
  for (int page = first; page < end; ++page) sizes.append(document->pagePointSize(page));

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
