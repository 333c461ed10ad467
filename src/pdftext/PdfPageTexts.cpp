#include "pdftext/PdfPageTexts.h"

#include <memory>

#include "pdftext/PdfEngine.h"

namespace {

// -1 when the page count cannot be had.
int PageCount(fz_context* ctx, fz_document* doc) {
  int count = -1;
  fz_var(count);
  fz_try(ctx) { count = fz_count_pages(ctx, doc); }
  fz_catch(ctx) { count = -1; }
  return count;
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

}  // namespace

PdfPageTexts ExtractPdfPageTexts(const QByteArray& bytes) {
  PdfPageTexts result;
  PdfContext context = NewPdfContext();
  if (!context) {
    result.reason = QStringLiteral("the PDF engine could not start (out of memory)");
    return result;
  }
  fz_context* ctx = context.get();
  char message[256] = {};
  fz_document* doc = OpenPdfDocument(ctx, bytes, message, sizeof message);
  if (doc == nullptr) {
    result.reason = QString::fromUtf8(message);
    return result;
  }
  if (PdfNeedsPassword(ctx, doc)) {
    result.kind = PdfPageTexts::Locked;
    result.reason = QStringLiteral("needs a password");
  } else if (const int count = PageCount(ctx, doc); count < 0) {
    result.reason = QStringLiteral("its pages cannot be counted");
  } else {
    bool anyText = false;
    result.pages.reserve(static_cast<size_t>(count));
    for (int number = 0; number < count; ++number) {
      fz_buffer* buffer = PageText(ctx, doc, number);
      QString text = buffer != nullptr ? PdfBufferText(ctx, buffer) : QString();
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
