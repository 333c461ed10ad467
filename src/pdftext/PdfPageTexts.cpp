#include "pdftext/PdfPageTexts.h"

// MuPDF reports errors by longjmp (fz_try/fz_catch): a jump must never pass
// over a C++ object with a destructor, so the engine calls below use plain
// C data only, and C++ objects are made outside the fz_try blocks.
extern "C" {
#include <mupdf/fitz.h>
}

#include <cstdio>
#include <memory>

namespace {

void IgnoreMessage(void*, const char*) {}

struct ContextDeleter {
  void operator()(fz_context* ctx) const { fz_drop_context(ctx); }
};
using Context = std::unique_ptr<fz_context, ContextDeleter>;

// A context for one extraction: small store, no locks (never shared).
Context NewContext() {
  fz_context* ctx = fz_new_context(nullptr, nullptr, 32 << 20);
  if (ctx == nullptr) return nullptr;
  fz_set_warning_callback(ctx, IgnoreMessage, nullptr);
  fz_set_error_callback(ctx, IgnoreMessage, nullptr);
  int registered = 1;
  fz_var(registered);
  fz_try(ctx) { fz_register_document_handlers(ctx); }
  fz_catch(ctx) { registered = 0; }
  if (!registered) {
    fz_drop_context(ctx);
    return nullptr;
  }
  return Context(ctx);
}

// Opens the document; on failure copies the engine's message.
fz_document* Open(fz_context* ctx, const QByteArray& bytes, char* message, size_t messageSize) {
  fz_stream* stream = nullptr;
  fz_document* doc = nullptr;
  fz_var(stream);
  fz_var(doc);
  fz_try(ctx) {
    stream = fz_open_memory(ctx, reinterpret_cast<const unsigned char*>(bytes.constData()),
                            static_cast<size_t>(bytes.size()));
    doc = fz_open_document_with_stream(ctx, "application/pdf", stream);
  }
  fz_always(ctx) { fz_drop_stream(ctx, stream); }
  fz_catch(ctx) {
    std::snprintf(message, messageSize, "%s", fz_caught_message(ctx));
    doc = nullptr;
  }
  return doc;
}

// -1 when the page count cannot be had.
int PageCount(fz_context* ctx, fz_document* doc) {
  int count = -1;
  fz_var(count);
  fz_try(ctx) { count = fz_count_pages(ctx, doc); }
  fz_catch(ctx) { count = -1; }
  return count;
}

bool NeedsPassword(fz_context* ctx, fz_document* doc) {
  int locked = 0;
  fz_var(locked);
  fz_try(ctx) { locked = fz_needs_password(ctx, doc) && !fz_authenticate_password(ctx, doc, ""); }
  fz_catch(ctx) { locked = 1; }
  return locked != 0;
}

// The page's text as UTF-8 in an engine buffer (null when unreadable).
fz_buffer* PageText(fz_context* ctx, fz_document* doc, int number) {
  fz_page* page = nullptr;
  fz_stext_page* text = nullptr;
  fz_buffer* buffer = nullptr;
  fz_var(page);
  fz_var(text);
  fz_var(buffer);
  fz_try(ctx) {
    page = fz_load_page(ctx, doc, number);
    text = fz_new_stext_page_from_page(ctx, page, nullptr);
    buffer = fz_new_buffer_from_stext_page(ctx, text);
  }
  fz_always(ctx) {
    fz_drop_stext_page(ctx, text);
    fz_drop_page(ctx, page);
  }
  fz_catch(ctx) {
    fz_drop_buffer(ctx, buffer);
    buffer = nullptr;
  }
  return buffer;
}

QString BufferText(fz_context* ctx, fz_buffer* buffer) {
  unsigned char* data = nullptr;
  const size_t size = fz_buffer_storage(ctx, buffer, &data);
  return QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

}  // namespace

PdfPageTexts ExtractPdfPageTexts(const QByteArray& bytes) {
  PdfPageTexts result;
  Context context = NewContext();
  if (!context) {
    result.reason = QStringLiteral("the PDF engine could not start (out of memory)");
    return result;
  }
  fz_context* ctx = context.get();
  char message[256] = {};
  fz_document* doc = Open(ctx, bytes, message, sizeof message);
  if (doc == nullptr) {
    result.reason = QString::fromUtf8(message);
    return result;
  }
  if (NeedsPassword(ctx, doc)) {
    result.kind = PdfPageTexts::Locked;
    result.reason = QStringLiteral("needs a password");
  } else if (const int count = PageCount(ctx, doc); count < 0) {
    result.reason = QStringLiteral("its pages cannot be counted");
  } else {
    bool anyText = false;
    result.pages.reserve(static_cast<size_t>(count));
    for (int number = 0; number < count; ++number) {
      fz_buffer* buffer = PageText(ctx, doc, number);
      QString text = buffer != nullptr ? BufferText(ctx, buffer) : QString();
      fz_drop_buffer(ctx, buffer);
      anyText = anyText || !text.trimmed().isEmpty();
      result.pages.push_back(std::move(text));
    }
    result.kind = anyText ? PdfPageTexts::Text : PdfPageTexts::NoText;
    if (!anyText) result.pages.clear();
  }
  fz_drop_document(ctx, doc);
  return result;
}
