#pragma once
// PDFs for the viewer tests, made in the test: pages drawn with QPdfWriter
// with known text, and damaged or encrypted files that the engine cannot open.

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

/// A PDF written out by hand: `objects` numbered from 1 (the first one the
/// catalog), a cross-reference table and a trailer with `trailerEntries`.
QByteArray AssemblePdf(const QVector<QByteArray>& objects, const QByteArray& trailerEntries);

/// A 200 x 200 point page without contents, with a square annotation (blue
/// edge, red inside) at (20, 20)-(80, 80) from the top left and a text
/// field reading "Hello" at (20, 140)-(180, 180); neither has an appearance
/// stream, so the engine has to make them.
QByteArray MakeAnnotatedPdf();

/// Three 200 x 200 point pages. Page 1 has a link at (20, 20)-(100, 60)
/// from the top left to page 3 and a link at (120, 140)-(180, 180) to
/// https://example.org/folian. The outline: "Chapter One" (page 1),
/// "Chapter Two" (page 2) with "Section 2.1" (page 3) below it.
QByteArray MakeLinkedPdf();

/// A PDF whose trailer names a standard security handler with a user
/// password that is not empty: it does not open without the password.
QByteArray MakeEncryptedPdf();

/// `bytes` encrypted by the qpdf program with AES-256 and the user password
/// `password`; empty when qpdf fails.
QByteArray EncryptWithQpdf(const QByteArray& bytes, const QString& password);

/// Damaged inputs: the first half of a real PDF, and bytes that are no PDF.
QByteArray MakeTruncatedPdf();
QByteArray MakeGarbagePdf();

}  // namespace apptest
