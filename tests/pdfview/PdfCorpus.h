#pragma once
// A corpus of odd and broken PDFs for the viewer, made in the test: a few
// well-formed documents (text, annotations and form fields, links and an
// outline, huge and tiny pages, thousands of pages) and, from each, copies
// damaged the ways real files are (truncated, shifted or missing
// cross-reference tables, a wrong root, flipped bytes, junk around the
// file) or rewritten by qpdf (object streams, linearized, encrypted with an
// empty user password, uncompressed).

#include <QByteArray>
#include <QString>
#include <QVector>

namespace apptest {

struct CorpusPdf {
  QString name;
  QByteArray bytes;
};

/// The corpus; empty when qpdf (scripts/install-deps.sh) is missing.
QVector<CorpusPdf> MakePdfCorpus();

}  // namespace apptest
