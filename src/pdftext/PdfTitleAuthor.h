#pragma once
// The title and author a PDF names itself by, through the PDF engine
// (MuPDF), which stays behind this header. QtCore only, like the page texts.
// Safe to call from several threads at once.

#include <QByteArray>
#include <QString>

/// Sets *title and *author from the PDF `bytes`: the document information's
/// Title and Author, decoded (PDFDocEncoding, UTF-16 with its byte order
/// mark, UTF-8); for either that is missing or empty there, the XMP
/// metadata's dc:title (its default language first) and dc:creator (its
/// names joined by ", "). Either is left empty when the PDF names none, and
/// both when the PDF cannot be opened or needs a password. The texts are as
/// the PDF holds them: whether one is a plausible title is for the caller.
void ReadPdfTitleAndAuthor(const QByteArray& bytes, QString* title, QString* author);
