#pragma once
// The rendered images of the PDF view, kept for repainting and scrolling
// back. A page is rendered in square tiles of at most kPdfTileSize device
// pixels, so that a page at a high zoom costs only the tiles on screen. The
// cache holds tiles up to a byte limit and forgets the least recently used
// ones beyond it, so that scrolling through a long document keeps memory
// bounded; tiles that are on screen right now (pinned) are never forgotten.

#include <QHash>
#include <QImage>
#include <QRect>
#include <QSet>
#include <QSize>
#include <list>

/// Edge of a tile in device pixels.
constexpr int kPdfTileSize = 1024;

/// One tile: the page, the scale it was rendered at (device pixels per point
/// times 1024, rounded) and its column and row in the page's tile grid.
struct PdfTileKey {
  int page = 0;
  int scaleKey = 0;
  int column = 0;
  int row = 0;

  bool operator==(const PdfTileKey& other) const {
    return page == other.page && scaleKey == other.scaleKey && column == other.column && row == other.row;
  }
};

size_t qHash(const PdfTileKey& key, size_t seed = 0);

/// The scale key of a rendering at `devicePixelsPerPoint`.
int PdfScaleKey(double devicePixelsPerPoint);

/// The tiles covering a page of `pageSize` device pixels that meet `area`
/// (device pixels, relative to the page's top-left corner), as grid cells.
QVector<QPoint> PdfTilesIn(QSize pageSize, const QRect& area);
/// Tile (column, row)'s rectangle within a page of `pageSize` device pixels.
QRect PdfTileRect(QSize pageSize, QPoint cell);

class PdfPageCache {
 public:
  explicit PdfPageCache(qint64 byteLimit) : _byteLimit(byteLimit) {}

  /// The tile's image, made the most recently used; null when not cached.
  const QImage* find(const PdfTileKey& key);
  bool contains(const PdfTileKey& key) const { return _index.contains(key); }

  /// Keeps `image` as the tile (replacing an older image of it), then
  /// forgets least recently used unpinned tiles while above the limit.
  void insert(const PdfTileKey& key, const QImage& image);

  /// The tiles that must stay: those on screen. Replaces the previous set.
  void setPinned(const QSet<PdfTileKey>& pinned);

  /// Forgets every tile.
  void clear();

  /// Bytes of all kept images.
  qint64 bytes() const { return _bytes; }
  qint64 byteLimit() const { return _byteLimit; }
  int count() const { return static_cast<int>(_index.size()); }

 private:
  struct Item {
    PdfTileKey key;
    QImage image;
  };
  void evict();

  qint64 _byteLimit;
  qint64 _bytes = 0;
  std::list<Item> _items;  // most recently used first
  QHash<PdfTileKey, std::list<Item>::iterator> _index;
  QSet<PdfTileKey> _pinned;
};
