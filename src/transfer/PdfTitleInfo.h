#pragma once
// Titles and authors taken from a PDF's own document information, for the
// entries an import builds from files and for the command that fills them
// in again. The PDF is read by a reader the caller hands in (the PDF engine
// lives outside the core); what is plausible as a title is decided here.

#include <QByteArray>
#include <QString>
#include <functional>

#include "format/FlnRecords.h"

/// Sets *title and *author to what the PDF `pdf` names itself by (either
/// may be left empty).
using PdfInfoReader = std::function<void(const QByteArray& pdf, QString* title, QString* author)>;

/// `text` as a title: each run of white space (line breaks too) as one
/// space, trimmed. Empty when it is no plausible title: nothing but white
/// space and punctuation, control characters or U+FFFD (text decoded
/// wrongly), or what a program writes in place of a title: a file name ("Microsoft
/// Word - report.doc", "draft.tex", "scan0001.pdf"), a path, "untitled".
QString PlausibleTitle(const QString& text);

/// `text` as an author, cleaned like a title. Empty when it is no
/// plausible name: as for a title, or a placeholder that programs write for
/// their user ("Administrator", "user", "owner", "unknown").
QString PlausibleAuthor(const QString& text);

/// Which fields FillEntryFromPdfInfo set.
struct PdfInfoFilled {
  bool title = false;
  bool author = false;
};

/// Reads the PDF `pdf` with `reader` and stores its plausible title into
/// en_title and its plausible author into en_author_name (cut to fit);
/// a field without a plausible text is left as it is.
PdfInfoFilled FillEntryFromPdfInfo(const QByteArray& pdf, const PdfInfoReader& reader, FLN_ENTRY* entry);
