#pragma once
// Files for the end-to-end tests, made in the test: small PDFs whose pages
// have colours a screenshot can tell apart, and metadata text files that give
// every entry a value of its own in each column of the entry list.

#include <QByteArray>
#include <QColor>
#include <QString>
#include <QStringList>
#include <QVector>

namespace e2e {

/// A PDF of one page per colour, each page 300 x 400 points filled with its
/// colour, followed by a comment of `padding` bytes so that files can differ
/// in size. Page i also reads texts[i] (plain ASCII, small black letters),
/// when given.
QByteArray MakeColourPdf(const QVector<QColor>& pages, int padding = 0, const QStringList& texts = {});

/// One entry of the test folder: the PDF's file name, its page colours and
/// size padding, and the rank (0 = first in ascending order) that the entry
/// takes in each column of the entry list.
struct TestDocument {
  QString fileName;
  QString title;
  int padding = 0;
  QVector<int> ranks;  // one per column key of EntryColumnKeys()
};

/// The entry list's column keys, left to right, as `folian-cli list --sort`
/// spells them.
const QVector<QString>& EntryColumnKeys();

/// Five documents whose ranks give each column an order of its own: no
/// column's ascending or descending order equals another column's.
QVector<TestDocument> DistinctlySortedDocuments();

/// Writes each document's PDF (red first page, blue second page) into
/// `folder`, and beside it a metadata text file with a title, categories,
/// people, note, rating and dates that follow the document's ranks.
/// Returns false when a file cannot be written.
bool WriteDocuments(const QString& folder, const QVector<TestDocument>& documents);

}  // namespace e2e
