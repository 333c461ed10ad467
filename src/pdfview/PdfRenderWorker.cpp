#include "pdfview/PdfRenderWorker.h"

#include <algorithm>

namespace {

// Pages measured in one go before looking for tiles to render again: few,
// so that a tile asked for waits little.
constexpr int kPagesPerMeasure = 2;

}  // namespace

PdfRenderWorker::PdfRenderWorker(QObject* parent) : PdfDocumentWorker(true, parent) { start(); }

PdfRenderWorker::~PdfRenderWorker() { stop(); }

void PdfRenderWorker::request(std::vector<PdfTileRequest> requests) {
  {
    std::lock_guard<std::mutex> lock(mutex());
    _queue.clear();
    QSet<PdfTileKey> queued;
    for (PdfTileRequest& tile : requests) {
      if (_inFlight.contains(tile.key) || queued.contains(tile.key)) continue;
      queued.insert(tile.key);
      _queue.push_back(std::move(tile));
    }
  }
  wake();
}

int PdfRenderWorker::pendingCount() const {
  std::lock_guard<std::mutex> lock(mutex());
  return static_cast<int>(_queue.size() + _inFlight.size());
}

void PdfRenderWorker::dropWork(const PdfDocument* next) {
  _queue.clear();
  _inFlight.clear();
  _measured.clear();
  _pageCount = next != nullptr ? next->pageCount() : 0;
}

void PdfRenderWorker::prepare(PdfDocument* document) {
  // The first page is shown first: its drawing instructions are read while
  // the window is still being laid out, before it asks for tiles.
  document->preparePage(0);
}

void PdfRenderWorker::documentOpened() {
  // It opened before, on the window's thread; when it does not now (out of
  // memory), nothing is rendered rather than retrying without end.
  if (document() == nullptr) _pageCount = 0;
}

bool PdfRenderWorker::hasWork() const {
  return document() != nullptr && (!_queue.empty() || _measured.size() < _pageCount);
}

void PdfRenderWorker::work(std::unique_lock<std::mutex>& lock) {
  // What is on screen first, then the page sizes.
  if (!_queue.empty())
    renderTile(lock);
  else
    measurePages(lock);
}

void PdfRenderWorker::renderTile(std::unique_lock<std::mutex>& lock) {
  const PdfTileRequest tile = _queue.front();
  _queue.pop_front();
  PdfDocument* pdf = document();
  const unsigned started = generation();
  _inFlight.insert(tile.key);
  unlocked(lock, [&] {
    const QImage image = pdf->render(tile.key.page, tile.pageSize, tile.clip);
    // Handed over without the lock, which the window's thread takes to ask
    // for tiles: the fewer and shorter its holds, the less that thread can
    // be kept waiting by this one being preempted while holding it.
    deliver(
        started, [this, key = tile.key, image] { emit tileRendered(key, image); },
        [this, key = tile.key] {
          _inFlight.remove(key);
          return true;
        });
  });
}

void PdfRenderWorker::measurePages(std::unique_lock<std::mutex>& lock) {
  PdfDocument* pdf = document();
  const unsigned started = generation();
  const int first = static_cast<int>(_measured.size());
  const int end = std::min(_pageCount, first + kPagesPerMeasure);
  const QVector<QSizeF> sizes = unlocked(lock, [&] {
    QVector<QSizeF> measured;
    for (int page = first; page < end; ++page) measured.append(pdf->pageSize(page));
    return measured;
  });
  if (started != generation()) return;  // setDocument waited for this and started over
  _measured += sizes;
  if (_measured.size() == _pageCount)
    deliver(started, [this, measured = _measured] { emit pagesMeasured(measured); });
}
