#pragma once
// PDFs for the viewer tests, made in the test: pages drawn with QPdfWriter
// with known text, and damaged or encrypted files that QtPdf cannot open.

#include <QByteArray>
#include <QSizeF>
#include <QStringList>
#include <QVector>

namespace apptest {

/// A PDF with one page per entry of `pageTexts`, each page `pagePoints` in
/// size; the text is drawn in 12-point DejaVu Sans from 72 points below and
/// right of the page's top-left corner, one line per "\n"-separated line,
/// 20 points apart.
QByteArray MakeTextPdf(const QStringList& pageTexts, QSizeF pagePoints = QSizeF(595, 842));

/// A PDF of `pages` A4 pages, page n (1-based) reading "Page n of N" and a
/// few more lines of text.
QByteArray MakeNumberedPdf(int pages);

/// A PDF with one page of each of `pagePoints`, each reading "Page n".
QByteArray MakePdfOfPageSizes(const QVector<QSizeF>& pagePoints);

/// A PDF whose trailer names a standard security handler with a user
/// password that is not empty: QtPdf cannot open it without the password.
QByteArray MakeEncryptedPdf();

/// Damaged inputs: the first half of a real PDF, and bytes that are no PDF.
QByteArray MakeTruncatedPdf();
QByteArray MakeGarbagePdf();

}  // namespace apptest
