#include "pdfview/PdfPageCache.h"

#include <QHashFunctions>
#include <algorithm>
#include <cmath>

size_t qHash(const PdfTileKey& key, size_t seed) {
  return qHashMulti(seed, key.page, key.scaleKey, key.column, key.row);
}

int PdfScaleKey(double devicePixelsPerPoint) { return static_cast<int>(std::lround(devicePixelsPerPoint * 1024)); }

QVector<QPoint> PdfTilesIn(QSize pageSize, const QRect& area) {
  QVector<QPoint> cells;
  const QRect shown = area & QRect(QPoint(0, 0), pageSize);
  if (shown.isEmpty()) return cells;
  for (int row = shown.top() / kPdfTileSize; row <= shown.bottom() / kPdfTileSize; ++row)
    for (int column = shown.left() / kPdfTileSize; column <= shown.right() / kPdfTileSize; ++column)
      cells.append(QPoint(column, row));
  return cells;
}

QRect PdfTileRect(QSize pageSize, QPoint cell) {
  const QRect tile(cell.x() * kPdfTileSize, cell.y() * kPdfTileSize, kPdfTileSize, kPdfTileSize);
  return tile & QRect(QPoint(0, 0), pageSize);
}

const QImage* PdfPageCache::find(const PdfTileKey& key) {
  const auto found = _index.find(key);
  if (found == _index.end()) return nullptr;
  _items.splice(_items.begin(), _items, found.value());
  return &_items.front().image;
}

void PdfPageCache::insert(const PdfTileKey& key, const QImage& image) {
  const auto found = _index.find(key);
  if (found != _index.end()) {
    _bytes -= found.value()->image.sizeInBytes();
    _items.erase(found.value());
    _index.erase(found);
  }
  _items.push_front(Item{key, image});
  _index.insert(key, _items.begin());
  _bytes += image.sizeInBytes();
  evict();
}

void PdfPageCache::setPinned(const QSet<PdfTileKey>& pinned) {
  _pinned = pinned;
  evict();
}

void PdfPageCache::clear() {
  _items.clear();
  _index.clear();
  _bytes = 0;
}

void PdfPageCache::evict() {
  auto item = _items.end();
  while (_bytes > _byteLimit && item != _items.begin()) {
    --item;
    if (_pinned.contains(item->key)) continue;
    _bytes -= item->image.sizeInBytes();
    _index.remove(item->key);
    item = _items.erase(item);
  }
}
