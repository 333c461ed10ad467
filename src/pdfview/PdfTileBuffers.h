#pragma once
// Memory for rendered tiles, reused rather than allocated for every tile.
// A tile image is a few megabytes: allocating one for each tile drawn and
// freeing it when the cache forgets the tile costs the worker fresh pages to
// fault in and the window's thread, which drops the last copy, a return of
// the memory to the system. Instead, the memory of a tile image whose last
// copy goes is kept (a few blocks of each size, process-wide) and given to
// the next tile of the same size. Thread-safe; giving memory back never
// waits for another thread: when the pool is busy, it is freed instead.

#include <QImage>
#include <QSize>

/// Free blocks kept at most. Scrolling renders a screen's few tiles while
/// the cache forgets as many: a few blocks are enough to go round, and what
/// is kept beyond the cache's limit stays small.
constexpr int kPdfKeptTileBuffers = 6;

/// A blank opaque RGB32 image of `size` (contents undefined: the caller
/// draws every pixel). At most kPdfTileSize square, its memory comes from
/// the pool when a freed block of that size is there, and goes back to it
/// when the image's last copy is destroyed, on whatever thread; a larger one
/// is an ordinary image. Null when the memory cannot be had.
QImage PdfTileImage(QSize size);

/// Blocks kept for reuse now (of every size).
int PdfTileBuffersKept();
