#pragma once
// Small, valid PDFs with chosen text on each page (Latin-1 text in a
// standard font), written byte by byte with a correct cross-reference table,
// for the tests of text extraction and the full-text index.

#include <string>
#include <vector>

namespace testsupport {

/// A PDF of one page per element of `pages`, each showing its text (one
/// line per '\n'-separated piece). An empty element is a page without text.
std::string TextPdf(const std::vector<std::string>& pages);

/// What a PDF says about itself besides its pages, as raw PDF syntax.
struct PdfSelfDescription {
  std::string info;  // the document information dictionary ("<< /Title (x) >>"), or empty for none
  std::string xmp;   // the XMP metadata packet of the catalog, or empty for none
};

/// TextPdf with a document information dictionary and XMP metadata.
std::string TextPdf(const std::vector<std::string>& pages, const PdfSelfDescription& about);

}  // namespace testsupport
