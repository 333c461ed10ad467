#pragma once
// The text of every page of a PDF, for the full-text index. The PDF engine
// (MuPDF) stays behind this header: no engine type or header leaks out, and
// no engine error escapes as anything but an outcome. QtCore only, so that
// the command-line tool can use it without a display.
//
// Safe to call from several threads at once: each call uses an engine
// context of its own.

#include <QByteArray>
#include <QString>
#include <vector>

struct PdfPageTexts {
  enum Kind {
    Text,        // `pages` holds the text of each page (some may be empty)
    NoText,      // the PDF opened but no page has any text (scanned images)
    Locked,      // the PDF needs a password
    Unreadable,  // not a PDF the engine can open; `reason` says why
  };
  Kind kind = Unreadable;
  std::vector<QString> pages;  // page 1 first
  QString reason;
};

/// Extracts the text of each page of the PDF `bytes`, page by page, lines
/// separated by line breaks. A page that cannot be read counts as a page
/// without text.
PdfPageTexts ExtractPdfPageTexts(const QByteArray& bytes);
