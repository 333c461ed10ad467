#pragma once
// The name of the metadata text file that belongs beside a PDF.

#include <cstddef>

/// Size of every path buffer of import and export, the zero byte included.
constexpr size_t kFlnPathBufferSize = 512;

/// Writes into `flxPath` (kFlnPathBufferSize bytes) the PDF's path cut before
/// its last "." and followed by ".flx": /a/b/paper.pdf gives /a/b/paper.flx.
/// The "." is searched over the whole path, so /a/b.c/paper gives /a/b.flx.
/// A path without any "." keeps all of it: /a/b/paper gives /a/b/paper.flx.
/// Returns 1; 0 with `flxPath` empty when `pdfPath` is missing or empty, or
/// when it or the result needs more than kFlnPathBufferSize bytes: a path is
/// refused whole, never cut to fit.
int GenerateFLXFilePath_ByPDFPath(const char* pdfPath, char* flxPath);
