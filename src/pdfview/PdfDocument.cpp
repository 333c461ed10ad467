// The PDF engine (MuPDF) behind PdfDocument.
//
// MuPDF reports errors by longjmp (fz_try/fz_catch). A jump must never pass
// a C++ object with a destructor, so every engine call is made in one of
// the small functions under "Engine calls" below: they hold only plain
// values and engine pointers, catch every error, and hand back plain
// results. The C++ code above them (QString, QVector, ...) never sees an
// engine error.
//
// Threads, as MuPDF asks for them: one base context with locking callbacks
// is made once; each PdfDocument clones it into a context of its own and is
// used by one thread at a time. The clones share the base's store (fonts,
// decoded images), bounded by kEngineStoreBytes.

#include "pdfview/PdfDocument.h"

#include <QtEndian>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "pdfview/PdfTileBuffers.h"

extern "C" {
#include <mupdf/fitz.h>
}

namespace {

static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN,
              "pixels are drawn as B, G, R, A bytes, which QImage reads as (A)RGB32 on little-endian machines only");

// Decoded images and fonts kept by the engine for all documents together.
constexpr size_t kEngineStoreBytes = 96u << 20;
// Pages whose drawing instructions a document keeps, so that the tiles of a
// page cost one interpretation of its contents.
constexpr int kDisplayListPages = 4;
// Outline levels read below the top level; deeper items are left out.
constexpr int kMaxOutlineDepth = 64;
// Outline items read at most (a damaged outline may loop back on itself).
constexpr int kMaxOutlineItems = 100000;

std::mutex g_engineLocks[FZ_LOCK_MAX];

void LockEngine(void*, int lock) { g_engineLocks[lock].lock(); }
void UnlockEngine(void*, int lock) { g_engineLocks[lock].unlock(); }

// The engine's warnings about repaired files would flood the terminal; the
// errors that matter come back as results.
void IgnoreMessage(void*, const char*) {}

void Quieten(fz_context* ctx) {
  fz_set_warning_callback(ctx, IgnoreMessage, nullptr);
  fz_set_error_callback(ctx, IgnoreMessage, nullptr);
}

// ---------------------------------------------------------------- Engine calls
// Plain functions only: no object with a destructor lives in them.

fz_context* MakeBaseContext() {
  static fz_locks_context locks = {nullptr, LockEngine, UnlockEngine};
  fz_context* ctx = fz_new_context(nullptr, &locks, kEngineStoreBytes);
  if (ctx == nullptr) return nullptr;
  Quieten(ctx);
  int registered = 0;
  fz_try(ctx) {
    fz_register_document_handlers(ctx);
    registered = 1;
  }
  fz_catch(ctx) { registered = 0; }
  if (!registered) {
    fz_drop_context(ctx);
    return nullptr;
  }
  return ctx;
}

// The base context of the process; it lives as long as the process.
fz_context* BaseContext() {
  static fz_context* const base = MakeBaseContext();
  return base;
}

fz_context* CloneContext() {
  fz_context* base = BaseContext();
  if (base == nullptr) return nullptr;
  fz_context* ctx = fz_clone_context(base);
  if (ctx != nullptr) Quieten(ctx);
  return ctx;
}

enum OpenOutcome { kOpened, kNeedsPassword, kFailed };

// Opens `size` bytes at `data` (which must outlive the document); on
// kFailed, `message` holds the engine's reason.
OpenOutcome OpenInEngine(fz_context* ctx, const char* data, size_t size, const char* password, fz_document** document,
                         int* pageCount, char* message, size_t messageSize) {
  fz_stream* stream = nullptr;
  fz_document* doc = nullptr;
  OpenOutcome outcome = kFailed;
  fz_var(stream);
  fz_var(doc);
  fz_var(outcome);
  fz_try(ctx) {
    stream = fz_open_memory(ctx, reinterpret_cast<const unsigned char*>(data), size);
    doc = fz_open_document_with_stream(ctx, "application/pdf", stream);
    if (fz_needs_password(ctx, doc) && !fz_authenticate_password(ctx, doc, password)) {
      outcome = kNeedsPassword;
    } else {
      *pageCount = fz_count_pages(ctx, doc);
      outcome = kOpened;
    }
  }
  fz_always(ctx) { fz_drop_stream(ctx, stream); }
  fz_catch(ctx) {
    std::snprintf(message, messageSize, "%s", fz_caught_message(ctx));
    outcome = kFailed;
  }
  if (outcome == kFailed) {
    fz_drop_document(ctx, doc);
    doc = nullptr;
  }
  *document = doc;
  return outcome;
}

// The page's bounds; false when the page cannot be loaded.
bool BoundPage(fz_context* ctx, fz_document* doc, int number, fz_rect* bounds) {
  fz_page* page = nullptr;
  int ok = 0;
  fz_var(page);
  fz_var(ok);
  fz_try(ctx) {
    page = fz_load_page(ctx, doc, number);
    *bounds = fz_bound_page(ctx, page);
    ok = 1;
  }
  fz_always(ctx) { fz_drop_page(ctx, page); }
  fz_catch(ctx) { ok = 0; }
  return ok != 0;
}

// The page's drawing instructions (annotations and form fields included)
// and bounds; null when the page cannot be loaded.
fz_display_list* LoadDisplayList(fz_context* ctx, fz_document* doc, int number, fz_rect* bounds) {
  fz_page* page = nullptr;
  fz_display_list* list = nullptr;
  fz_var(page);
  fz_var(list);
  fz_try(ctx) {
    page = fz_load_page(ctx, doc, number);
    *bounds = fz_bound_page(ctx, page);
    list = fz_new_display_list_from_page(ctx, page);
  }
  fz_always(ctx) { fz_drop_page(ctx, page); }
  fz_catch(ctx) { list = nullptr; }
  return list;
}

// Draws `list` scaled by (sx, sy) after moving `bounds`' corner to the
// origin, into the pixels `samples` of the device rectangle `area` (B, G,
// R, A bytes, rows of area's width). False when nothing could be drawn.
bool DrawList(fz_context* ctx, fz_display_list* list, fz_rect bounds, float sx, float sy, fz_irect area,
              unsigned char* samples) {
  fz_pixmap* pixmap = nullptr;
  fz_device* device = nullptr;
  int ok = 0;
  fz_var(pixmap);
  fz_var(device);
  fz_var(ok);
  fz_try(ctx) {
    pixmap = fz_new_pixmap_with_bbox_and_data(ctx, fz_device_bgr(ctx), area, nullptr, 1, samples);
    fz_clear_pixmap_with_value(ctx, pixmap, 255);
    ok = 1;  // from here on, a failure keeps what was drawn on white
    device = fz_new_draw_device(ctx, fz_identity, pixmap);
    const fz_matrix ctm = fz_pre_translate(fz_scale(sx, sy), -bounds.x0, -bounds.y0);
    fz_run_display_list(ctx, list, device, ctm, fz_rect_from_irect(area), nullptr);
    fz_close_device(ctx, device);
  }
  fz_always(ctx) {
    fz_drop_device(ctx, device);
    fz_drop_pixmap(ctx, pixmap);
  }
  fz_catch(ctx) {}
  return ok != 0;
}

fz_stext_page* LoadText(fz_context* ctx, fz_document* doc, int number, fz_rect* bounds) {
  fz_page* page = nullptr;
  fz_stext_page* text = nullptr;
  fz_var(page);
  fz_var(text);
  fz_try(ctx) {
    page = fz_load_page(ctx, doc, number);
    *bounds = fz_bound_page(ctx, page);
    fz_stext_options options;
    std::memset(&options, 0, sizeof options);
    text = fz_new_stext_page_from_page(ctx, page, &options);
  }
  fz_always(ctx) { fz_drop_page(ctx, page); }
  fz_catch(ctx) { text = nullptr; }
  return text;
}

fz_link* LoadLinks(fz_context* ctx, fz_document* doc, int number, fz_rect* bounds) {
  fz_page* page = nullptr;
  fz_link* links = nullptr;
  fz_var(page);
  fz_var(links);
  fz_try(ctx) {
    page = fz_load_page(ctx, doc, number);
    *bounds = fz_bound_page(ctx, page);
    links = fz_load_links(ctx, page);
  }
  fz_always(ctx) { fz_drop_page(ctx, page); }
  fz_catch(ctx) { links = nullptr; }
  return links;
}

// The page a link inside the document leads to (-1: none), and the point
// there (negative when the destination names none).
int ResolveLink(fz_context* ctx, fz_document* doc, const char* uri, float* x, float* y) {
  int page = -1;
  fz_var(page);
  fz_try(ctx) {
    const fz_location location = fz_resolve_link(ctx, doc, uri, x, y);
    page = location.page < 0 ? -1 : fz_page_number_from_location(ctx, doc, location);
  }
  fz_catch(ctx) { page = -1; }
  return page;
}

// The outline is walked with MuPDF's iterator rather than loaded as a tree:
// MuPDF 1.21 loses the items it had made when a damaged outline makes its
// tree loader fail part way.
fz_outline_iterator* NewOutlineIterator(fz_context* ctx, fz_document* doc) {
  fz_outline_iterator* iterator = nullptr;
  fz_var(iterator);
  fz_try(ctx) { iterator = fz_new_outline_iterator(ctx, doc); }
  fz_catch(ctx) { iterator = nullptr; }
  return iterator;
}

enum OutlineMove { kOutlineNext, kOutlineDown, kOutlineUp };
// A move's result as MuPDF gives it (0: at an item, 1: at an empty place,
// -1: could not move), or kOutlineFailed on an error.
constexpr int kOutlineFailed = -2;

int MoveOutline(fz_context* ctx, fz_outline_iterator* iterator, OutlineMove move) {
  int result = kOutlineFailed;
  fz_var(result);
  fz_try(ctx) {
    switch (move) {
      case kOutlineNext: result = fz_outline_iterator_next(ctx, iterator); break;
      case kOutlineDown: result = fz_outline_iterator_down(ctx, iterator); break;
      case kOutlineUp: result = fz_outline_iterator_up(ctx, iterator); break;
    }
  }
  fz_catch(ctx) { result = kOutlineFailed; }
  return result < -1 ? kOutlineFailed : result;
}

// The item at the iterator (valid until it moves); null when there is none
// there, with `failed` set on an error.
fz_outline_item* OutlineItem(fz_context* ctx, fz_outline_iterator* iterator, bool* failed) {
  fz_outline_item* item = nullptr;
  int error = 0;
  fz_var(item);
  fz_var(error);
  fz_try(ctx) { item = fz_outline_iterator_item(ctx, iterator); }
  fz_catch(ctx) {
    item = nullptr;
    error = 1;
  }
  *failed = error != 0;
  return item;
}

// ---------------------------------------------------------------- C++ side

QRectF PageRect(fz_rect rect, fz_rect bounds) {
  return QRectF(rect.x0 - bounds.x0, rect.y0 - bounds.y0, rect.x1 - rect.x0, rect.y1 - rect.y0);
}

}  // namespace

// The engine objects of one document: its context, the document and the
// display lists of the pages drawn last.
struct PdfDocument::Engine {
  struct CachedList {
    int page = -1;
    fz_display_list* list = nullptr;
    fz_rect bounds{};
  };

  fz_context* ctx = nullptr;
  fz_document* doc = nullptr;
  CachedList lists[kDisplayListPages];
  int nextList = 0;  // the slot a new list takes

  ~Engine() {
    if (ctx == nullptr) return;
    for (CachedList& cached : lists) fz_drop_display_list(ctx, cached.list);
    fz_drop_document(ctx, doc);
    fz_drop_context(ctx);
  }

  // The page's display list, loaded when not kept; null when it cannot be.
  const CachedList* displayList(int page) {
    for (const CachedList& cached : lists)
      if (cached.page == page && cached.list != nullptr) return &cached;
    fz_rect bounds;
    fz_display_list* list = LoadDisplayList(ctx, doc, page, &bounds);
    if (list == nullptr) return nullptr;
    CachedList& slot = lists[nextList];
    nextList = (nextList + 1) % kDisplayListPages;
    fz_drop_display_list(ctx, slot.list);
    slot = CachedList{page, list, bounds};
    return &slot;
  }
};

PdfDocument::PdfDocument(std::unique_ptr<Engine> engine, const QByteArray& bytes, const QString& password,
                         int pageCount)
    : _bytes(bytes), _password(password), _engine(std::move(engine)), _pageCount(pageCount) {}

PdfDocument::~PdfDocument() = default;

PdfOpenResult PdfDocument::Open(const QByteArray& bytes, const QString& password) {
  PdfOpenResult result;
  auto engine = std::make_unique<Engine>();
  engine->ctx = CloneContext();
  if (engine->ctx == nullptr) {
    result.reason = QStringLiteral("the PDF engine could not start (out of memory)");
    return result;
  }
  const QByteArray passwordBytes = password.toUtf8();
  char message[256] = "";
  int pageCount = 0;
  const OpenOutcome outcome = OpenInEngine(engine->ctx, bytes.constData(), size_t(bytes.size()),
                                           passwordBytes.constData(), &engine->doc, &pageCount, message,
                                           sizeof message);
  if (outcome == kNeedsPassword) {
    result.status = PdfOpenStatus::NeedsPassword;
    return result;
  }
  if (outcome == kFailed) {
    result.reason = QString::fromUtf8(message);
    return result;
  }
  if (pageCount < 1) {
    result.reason = QStringLiteral("the document has no pages");
    return result;
  }
  result.status = PdfOpenStatus::Opened;
  result.document.reset(new PdfDocument(std::move(engine), bytes, password, pageCount));
  return result;
}

std::unique_ptr<PdfDocument> PdfDocument::reopen() const { return Open(_bytes, _password).document; }

QSizeF PdfDocument::pageSize(int page) {
  fz_rect bounds;
  if (page < 0 || page >= _pageCount || !BoundPage(_engine->ctx, _engine->doc, page, &bounds)) return QSizeF();
  return QSizeF(bounds.x1 - bounds.x0, bounds.y1 - bounds.y0);
}

QImage PdfDocument::render(int page, QSize pageSize, const QRect& clip) {
  const QRect area = clip & QRect(QPoint(0, 0), pageSize);
  if (page < 0 || page >= _pageCount || area.isEmpty()) return QImage();
  const Engine::CachedList* cached = _engine->displayList(page);
  if (cached == nullptr) return QImage();
  const fz_rect bounds = cached->bounds;
  const float width = bounds.x1 - bounds.x0;
  const float height = bounds.y1 - bounds.y0;
  if (!(width > 0 && height > 0)) return QImage();
  // The engine draws blue, green, red and alpha bytes on opaque white: in
  // memory that is Qt's RGB32 (alpha always 255), which the window draws by
  // copying rather than by blending each pixel.
  // A tile's memory is reused from tiles the view has dropped (PdfTileBuffers.h).
  QImage image = PdfTileImage(area.size());
  if (image.isNull()) return QImage();  // too large to hold
  const fz_irect deviceArea = fz_make_irect(area.left(), area.top(), area.right() + 1, area.bottom() + 1);
  if (!DrawList(_engine->ctx, cached->list, bounds, pageSize.width() / width, pageSize.height() / height, deviceArea,
                image.bits()))
    return QImage();
  return image;
}

bool PdfDocument::preparePage(int page) {
  return page >= 0 && page < _pageCount && _engine->displayList(page) != nullptr;
}

PdfPageTextData PdfDocument::pageText(int page) {
  PdfPageTextData data;
  fz_rect bounds;
  if (page < 0 || page >= _pageCount) return data;
  fz_stext_page* text = LoadText(_engine->ctx, _engine->doc, page, &bounds);
  if (text == nullptr) return data;
  for (fz_stext_block* block = text->first_block; block != nullptr; block = block->next) {
    if (block->type != FZ_STEXT_BLOCK_TEXT) continue;
    for (fz_stext_line* line = block->u.t.first_line; line != nullptr; line = line->next) {
      for (fz_stext_char* ch = line->first_char; ch != nullptr; ch = ch->next) {
        const char32_t code = ch->c > 0 && ch->c <= 0x10ffff ? char32_t(ch->c) : U'\xfffd';
        const QString unit = QString::fromUcs4(&code, 1);
        const QRectF box = PageRect(fz_rect_from_quad(ch->quad), bounds);
        data.text += unit;
        for (int i = 0; i < unit.size(); ++i) data.boxes.append(box);
      }
      data.text += QLatin1Char('\n');
      data.boxes.append(QRectF());
      data.lines.append(PageRect(line->bbox, bounds));
    }
  }
  fz_drop_stext_page(_engine->ctx, text);
  return data;
}

QVector<PdfLink> PdfDocument::links(int page) {
  QVector<PdfLink> result;
  fz_rect bounds;
  if (page < 0 || page >= _pageCount) return result;
  fz_link* links = LoadLinks(_engine->ctx, _engine->doc, page, &bounds);
  for (fz_link* link = links; link != nullptr; link = link->next) {
    if (link->uri == nullptr) continue;
    PdfLink item;
    item.area = PageRect(link->rect, bounds);
    if (fz_is_external_link(_engine->ctx, link->uri)) {
      item.uri = QString::fromUtf8(link->uri);
    } else {
      float x = -1, y = -1;
      item.page = ResolveLink(_engine->ctx, _engine->doc, link->uri, &x, &y);
      if (item.page < 0 || item.page >= _pageCount) continue;  // leads nowhere
      item.target = QPointF(x, y);
    }
    result.append(item);
  }
  fz_drop_link(_engine->ctx, links);
  return result;
}

QVector<PdfOutlineItem> PdfDocument::outline() {
  QVector<PdfOutlineItem> items;
  fz_context* ctx = _engine->ctx;
  fz_outline_iterator* iterator = NewOutlineIterator(ctx, _engine->doc);
  if (iterator == nullptr) return items;
  // Depth first, in document order. Every step is bounded: a damaged
  // outline may loop back on itself.
  int depth = 0;
  for (int step = 0; step < kMaxOutlineItems; ++step) {
    bool failed = false;
    if (const fz_outline_item* node = OutlineItem(ctx, iterator, &failed)) {
      PdfOutlineItem item;
      item.title = QString::fromUtf8(node->title != nullptr ? node->title : "").simplified();
      item.depth = depth;
      if (node->uri != nullptr && fz_is_external_link(ctx, node->uri)) {
        item.uri = QString::fromUtf8(node->uri);
      } else if (node->uri != nullptr) {
        float x = -1, y = -1;
        item.page = ResolveLink(ctx, _engine->doc, node->uri, &x, &y);
        if (item.page >= _pageCount) item.page = -1;
      }
      items.append(item);
    }
    if (failed) break;
    const int down = MoveOutline(ctx, iterator, kOutlineDown);
    if (down == 0 && depth < kMaxOutlineDepth) {
      ++depth;
      continue;
    }
    if (down == kOutlineFailed) break;
    if (down >= 0 && MoveOutline(ctx, iterator, kOutlineUp) < 0) break;  // an empty (or too deep) level
    // The next item, climbing out of the levels that have no more.
    bool more = false;
    while (!more) {
      const int next = MoveOutline(ctx, iterator, kOutlineNext);
      if (next == 0) {
        more = true;
      } else if (next == kOutlineFailed || depth == 0 || MoveOutline(ctx, iterator, kOutlineUp) < 0) {
        break;
      } else {
        --depth;
      }
    }
    if (!more) break;
  }
  fz_drop_outline_iterator(ctx, iterator);
  return items;
}
