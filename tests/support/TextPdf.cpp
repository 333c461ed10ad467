#include "TextPdf.h"

#include <cstdio>

namespace testsupport {

namespace {

// Text as a PDF string: backslashes and parentheses escaped.
std::string PdfString(const std::string& text) {
  std::string out = "(";
  for (const char c : text) {
    if (c == '\\' || c == '(' || c == ')') out += '\\';
    out += c;
  }
  return out + ")";
}

std::string PageContent(const std::string& text) {
  if (text.empty()) return "0 0 1 rg 72 72 100 100 re f";  // a drawing, no text
  std::string content = "BT /F1 14 Tf 72 720 Td 18 TL";
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = text.find('\n', start);
    content += " " + PdfString(text.substr(start, end == std::string::npos ? std::string::npos : end - start)) + " '";
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return content + " ET";
}

}  // namespace

std::string TextPdf(const std::vector<std::string>& pages) { return TextPdf(pages, PdfSelfDescription()); }

std::string TextPdf(const std::vector<std::string>& pages, const PdfSelfDescription& about) {
  std::vector<std::string> objects;
  const size_t count = pages.size();
  // The information dictionary and the metadata stream come after the pages.
  const size_t infoNumber = 4 + 2 * count;
  const size_t xmpNumber = infoNumber + (about.info.empty() ? 0 : 1);
  objects.push_back("<< /Type /Catalog /Pages 2 0 R" +
                    (about.xmp.empty() ? std::string() : " /Metadata " + std::to_string(xmpNumber) + " 0 R") + " >>");
  std::string kids;
  for (size_t i = 0; i < count; ++i) kids += std::to_string(4 + 2 * i) + " 0 R ";
  objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(count) + " >>");
  objects.push_back("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>");
  for (size_t i = 0; i < count; ++i) {
    const std::string content = PageContent(pages[i]);
    objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents " + std::to_string(5 + 2 * i) +
                      " 0 R /Resources << /Font << /F1 3 0 R >> >> >>");
    objects.push_back("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream");
  }
  if (!about.info.empty()) objects.push_back(about.info);
  if (!about.xmp.empty())
    objects.push_back("<< /Type /Metadata /Subtype /XML /Length " + std::to_string(about.xmp.size()) + " >>\nstream\n" +
                      about.xmp + "\nendstream");
  std::string pdf = "%PDF-1.4\n";
  std::vector<size_t> offsets;
  for (size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const size_t xref = pdf.size();
  pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  for (const size_t offset : offsets) {
    char line[32];
    std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
    pdf += line;
  }
  pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R" +
         (about.info.empty() ? std::string() : " /Info " + std::to_string(infoNumber) + " 0 R") + " >>\nstartxref\n" +
         std::to_string(xref) + "\n%%EOF\n";
  return pdf;
}

}  // namespace testsupport
