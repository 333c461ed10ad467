#include "pdfview/PdfRenderWorker.h"

#include <algorithm>
#include <memory>

namespace {

// Pages measured in one go before looking for tiles to render again: few,
// so that a tile asked for waits little.
constexpr int kPagesPerMeasure = 2;

}  // namespace

PdfRenderWorker::PdfRenderWorker(QObject* parent) : PdfDocumentWorker(true, parent) { start(); }

PdfRenderWorker::~PdfRenderWorker() { stop(); }

void PdfRenderWorker::request(std::vector<PdfTileRequest> requests) {
  // The request the worker has not taken yet is replaced, as the queue is.
  _mailbox.put(Request{std::move(requests), _received});
  wake();
}

int PdfRenderWorker::pendingCount() const {
  std::lock_guard<std::mutex> lock(mutex());
  const Request* waiting = _mailbox.peek();
  size_t pending = _queue.size() + (waiting != nullptr ? waiting->tiles.size() : 0);
  for (const Rendered& tile : _onTheirWay)
    if (tile.serial > _received) ++pending;
  return static_cast<int>(pending);
}

void PdfRenderWorker::dropWork(const PdfDocument* next) {
  _mailbox.take();
  _queue.clear();
  _onTheirWay.clear();
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
  return document() != nullptr && (_mailbox.holdsRequest() || !_queue.empty() || _measured.size() < _pageCount);
}

void PdfRenderWorker::work(std::unique_lock<std::mutex>& lock) {
  // What is on screen first, then the page sizes.
  takeRequest();
  if (!_queue.empty())
    renderTile(lock);
  else
    measurePages(lock);
}

void PdfRenderWorker::takeRequest() {
  const std::unique_ptr<Request> request = _mailbox.take();
  if (request == nullptr) return;
  // What the owner had received when it asked is in its cache, or was
  // dropped there: asked for again, it is rendered again.
  while (!_onTheirWay.empty() && _onTheirWay.front().serial <= request->received) _onTheirWay.pop_front();
  const auto onItsWay = [this](const PdfTileKey& key) {
    return std::any_of(_onTheirWay.begin(), _onTheirWay.end(), [&key](const Rendered& tile) { return tile.key == key; });
  };
  _queue.clear();
  QSet<PdfTileKey> queued;
  for (PdfTileRequest& tile : request->tiles) {
    if (onItsWay(tile.key) || queued.contains(tile.key)) continue;
    queued.insert(tile.key);
    _queue.push_back(std::move(tile));
  }
}

void PdfRenderWorker::renderTile(std::unique_lock<std::mutex>& lock) {
  const PdfTileRequest tile = _queue.front();
  _queue.pop_front();
  PdfDocument* pdf = document();
  const unsigned started = generation();
  const quint64 serial = ++_started;
  _onTheirWay.push_back(Rendered{serial, tile.key});
  unlocked(lock, [&] {
    const QImage image = pdf->render(tile.key.page, tile.pageSize, tile.clip);
    deliver(started, [this, serial, key = tile.key, image] {
      _received = serial;
      emit tileRendered(key, image);
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
