#pragma once
// The PDF engine's context and document opening, shared by the readers of
// this folder. It names engine types, so only files of src/pdftext include
// it; what they offer outside speaks Qt types only.
//
// MuPDF reports errors by longjmp (fz_try/fz_catch): a jump must never pass
// over a C++ object with a destructor, so the engine calls use plain C data
// only, and C++ objects are made outside the fz_try blocks.

extern "C" {
#include <mupdf/fitz.h>
}

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <memory>

struct PdfContextDeleter {
  void operator()(fz_context* ctx) const { fz_drop_context(ctx); }
};
using PdfContext = std::unique_ptr<fz_context, PdfContextDeleter>;

/// A context for one reading: small store, no locks (never shared), the
/// engine's messages silenced; null when the engine cannot start.
PdfContext NewPdfContext();

/// Opens `bytes` (which must outlive the document) as a PDF; null on
/// failure, with the engine's message copied into `message`.
fz_document* OpenPdfDocument(fz_context* ctx, const QByteArray& bytes, char* message, size_t messageSize);

/// True when the document needs a password other than the empty one.
bool PdfNeedsPassword(fz_context* ctx, fz_document* doc);

/// The UTF-8 bytes of an engine buffer as text.
QString PdfBufferText(fz_context* ctx, fz_buffer* buffer);
