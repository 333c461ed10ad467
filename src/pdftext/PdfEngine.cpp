#include "pdftext/PdfEngine.h"

#include <cstdio>

namespace {

void IgnoreMessage(void*, const char*) {}

}  // namespace

PdfContext NewPdfContext() {
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
  return PdfContext(ctx);
}

fz_document* OpenPdfDocument(fz_context* ctx, const QByteArray& bytes, char* message, size_t messageSize) {
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

bool PdfNeedsPassword(fz_context* ctx, fz_document* doc) {
  int locked = 0;
  fz_var(locked);
  fz_try(ctx) { locked = fz_needs_password(ctx, doc) && !fz_authenticate_password(ctx, doc, ""); }
  fz_catch(ctx) { locked = 1; }
  return locked != 0;
}

QString PdfBufferText(fz_context* ctx, fz_buffer* buffer) {
  unsigned char* data = nullptr;
  const size_t size = fz_buffer_storage(ctx, buffer, &data);
  return QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}
