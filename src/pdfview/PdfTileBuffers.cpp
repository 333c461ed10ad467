#include "pdfview/PdfTileBuffers.h"

#include <cstdlib>
#include <iterator>
#include <mutex>
#include <new>
#include <vector>

#include "pdfview/PdfPageCache.h"

namespace {

// A block's bytes are preceded by this header (one cache line, so that the
// pixels stay aligned).
struct alignas(64) BlockHeader {
  size_t bytes;
};

class TileBuffers {
 public:
  TileBuffers() { _free.reserve(size_t(kPdfKeptTileBuffers)); }

  // A block of `bytes`: the last kept one of that size (the likeliest to be
  // in the processor's caches still), else a new one; null when there is
  // no memory.
  BlockHeader* take(size_t bytes) {
    {
      std::lock_guard<std::mutex> lock(_mutex);
      for (auto block = _free.rbegin(); block != _free.rend(); ++block) {
        if ((*block)->bytes != bytes) continue;
        BlockHeader* found = *block;
        _free.erase(std::next(block).base());
        return found;
      }
    }
    void* memory = std::malloc(sizeof(BlockHeader) + bytes);
    if (memory == nullptr) return nullptr;
    return new (memory) BlockHeader{bytes};
  }

  // Keeps `block` for reuse, in place of the oldest kept one when there are
  // enough. When another thread holds the pool, it is freed: the window's
  // thread drops tiles while it paints and must not wait.
  void give(BlockHeader* block) {
    BlockHeader* dropped = block;
    if (_mutex.try_lock()) {
      if (_free.size() == size_t(kPdfKeptTileBuffers)) {
        dropped = _free.front();
        _free.erase(_free.begin());
      } else {
        dropped = nullptr;
      }
      _free.push_back(block);
      _mutex.unlock();
    }
    std::free(dropped);
  }

  int kept() {
    std::lock_guard<std::mutex> lock(_mutex);
    return static_cast<int>(_free.size());
  }

 private:
  std::mutex _mutex;
  std::vector<BlockHeader*> _free;  // oldest first; at most kPdfKeptTileBuffers
};

// The process's pool. Never destroyed: tile images may outlive every view
// (queued to a window at exit) and give their memory back after static
// objects are gone.
TileBuffers& Pool() {
  static TileBuffers* pool = new TileBuffers;
  return *pool;
}

void GiveBack(void* block) { Pool().give(static_cast<BlockHeader*>(block)); }

}  // namespace

QImage PdfTileImage(QSize size) {
  if (size.isEmpty()) return QImage();
  if (size.width() > kPdfTileSize || size.height() > kPdfTileSize) return QImage(size, QImage::Format_RGB32);
  const qsizetype bytesPerLine = qsizetype(size.width()) * 4;
  BlockHeader* block = Pool().take(size_t(bytesPerLine) * size.height());
  if (block == nullptr) return QImage();
  return QImage(reinterpret_cast<uchar*>(block + 1), size.width(), size.height(), bytesPerLine, QImage::Format_RGB32,
                GiveBack, block);
}

int PdfTileBuffersKept() { return Pool().kept(); }
