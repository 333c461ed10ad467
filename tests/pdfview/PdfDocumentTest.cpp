// The PDF engine boundary: opening (damaged, encrypted, passwords), drawing
// with annotations and form fields, text, links and the outline, and calls
// outside the document.

#include <gtest/gtest.h>

#include <memory>

#include "TestPdfFiles.h"
#include "pdfview/PdfDocument.h"

namespace {

TEST(PdfDocumentTest, OpensWhatItCanAndSaysWhyNot) {
  const QByteArray encrypted = apptest::EncryptWithQpdf(apptest::MakeNumberedPdf(3), QStringLiteral("sesame"));
  ASSERT_FALSE(encrypted.isEmpty()) << "qpdf (scripts/install-deps.sh) did not encrypt the test file";
  const struct {
    const char* name;
    QByteArray bytes;
    QString password;
    PdfOpenStatus status;
    int pages;
  } cases[] = {
      {"plain", apptest::MakeNumberedPdf(3), QString(), PdfOpenStatus::Opened, 3},
      {"plain, a password given", apptest::MakeNumberedPdf(2), QStringLiteral("x"), PdfOpenStatus::Opened, 2},
      {"garbage", apptest::MakeGarbagePdf(), QString(), PdfOpenStatus::Damaged, 0},
      {"zero bytes", QByteArray(), QString(), PdfOpenStatus::Damaged, 0},
      {"no pages", apptest::AssemblePdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>"}, ""),
       QString(), PdfOpenStatus::Damaged, 0},
      {"unknown password", apptest::MakeEncryptedPdf(), QString(), PdfOpenStatus::NeedsPassword, 0},
      {"encrypted, no password", encrypted, QString(), PdfOpenStatus::NeedsPassword, 0},
      {"encrypted, wrong password", encrypted, QStringLiteral("sesam"), PdfOpenStatus::NeedsPassword, 0},
      {"encrypted, right password", encrypted, QStringLiteral("sesame"), PdfOpenStatus::Opened, 3},
  };
  for (const auto& c : cases) {
    const PdfOpenResult result = PdfDocument::Open(c.bytes, c.password);
    EXPECT_EQ(result.status, c.status) << c.name;
    EXPECT_EQ(result.document != nullptr, c.status == PdfOpenStatus::Opened) << c.name;
    if (result.document) {
      EXPECT_EQ(result.document->pageCount(), c.pages) << c.name;
    }
    EXPECT_EQ(result.reason.isEmpty(), c.status != PdfOpenStatus::Damaged) << c.name;
  }

  // The right password opens the text too, and a reopened document needs no second one.
  const std::unique_ptr<PdfDocument> opened = PdfDocument::Open(encrypted, QStringLiteral("sesame")).document;
  ASSERT_NE(opened, nullptr);
  EXPECT_TRUE(opened->pageText(1).text.startsWith(QStringLiteral("Page 2 of 3")));
  const std::unique_ptr<PdfDocument> again = opened->reopen();
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->pageText(2).text, opened->pageText(2).text);
}

// Pixels of `image` at (x, y) in points of a page drawn at 1 pixel per point.
QRgb At(const QImage& image, int x, int y) { return image.pixel(x, y); }

TEST(PdfDocumentTest, DrawsAnnotationsAndFormFieldsWithoutAppearances) {
  const std::unique_ptr<PdfDocument> pdf = PdfDocument::Open(apptest::MakeAnnotatedPdf()).document;
  ASSERT_NE(pdf, nullptr);
  EXPECT_EQ(pdf->pageSize(0), QSizeF(200, 200));
  const QImage page = pdf->render(0, QSize(200, 200), QRect(0, 0, 200, 200));
  ASSERT_EQ(page.size(), QSize(200, 200));
  EXPECT_EQ(At(page, 50, 50), qRgb(255, 0, 0));     // inside the square
  EXPECT_EQ(At(page, 20, 50), qRgb(0, 0, 255));     // its edge
  EXPECT_EQ(At(page, 150, 100), qRgb(255, 255, 255));  // nothing there
  // The field's text: some dark pixels in its box, none outside.
  int darkInField = 0;
  for (int y = 140; y < 180; ++y)
    for (int x = 20; x < 180; ++x) darkInField += qGray(At(page, x, y)) < 100;
  EXPECT_GT(darkInField, 50);

  // A clip is that part of the whole.
  const QImage part = pdf->render(0, QSize(200, 200), QRect(40, 40, 30, 30));
  ASSERT_EQ(part.size(), QSize(30, 30));
  EXPECT_EQ(part.pixel(10, 10), page.pixel(50, 50));
  EXPECT_EQ(part.pixel(0, 0), page.pixel(40, 40));
}

TEST(PdfDocumentTest, LinksAndOutline) {
  const std::unique_ptr<PdfDocument> pdf = PdfDocument::Open(apptest::MakeLinkedPdf()).document;
  ASSERT_NE(pdf, nullptr);
  const QVector<PdfLink> links = pdf->links(0);
  ASSERT_EQ(links.size(), 2);
  const PdfLink& internal = links[0].isInternal() ? links[0] : links[1];
  const PdfLink& external = links[0].isInternal() ? links[1] : links[0];
  EXPECT_EQ(internal.page, 2);
  EXPECT_EQ(internal.area, QRectF(20, 20, 80, 40));
  EXPECT_EQ(internal.target.y(), 50);  // 150 from the bottom of a 200-point page
  EXPECT_FALSE(external.isInternal());
  EXPECT_EQ(external.uri, QStringLiteral("https://example.org/folian"));
  EXPECT_EQ(external.area, QRectF(120, 140, 60, 40));
  EXPECT_TRUE(pdf->links(1).isEmpty());

  const QVector<PdfOutlineItem> outline = pdf->outline();
  ASSERT_EQ(outline.size(), 3);
  const struct {
    QString title;
    int depth, page;
  } expected[] = {{"Chapter One", 0, 0}, {"Chapter Two", 0, 1}, {"Section 2.1", 1, 2}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(outline[i].title, expected[i].title) << i;
    EXPECT_EQ(outline[i].depth, expected[i].depth) << i;
    EXPECT_EQ(outline[i].page, expected[i].page) << i;
  }
  EXPECT_TRUE(PdfDocument::Open(apptest::MakeNumberedPdf(2)).document->outline().isEmpty());
}

TEST(PdfDocumentTest, CallsOutsideTheDocumentGiveNothing) {
  const std::unique_ptr<PdfDocument> pdf = PdfDocument::Open(apptest::MakeNumberedPdf(2)).document;
  ASSERT_NE(pdf, nullptr);
  for (int page : {-1, 2, 1000}) {
    EXPECT_TRUE(pdf->pageSize(page).isEmpty()) << page;
    EXPECT_TRUE(pdf->render(page, QSize(100, 100), QRect(0, 0, 100, 100)).isNull()) << page;
    EXPECT_TRUE(pdf->pageText(page).text.isEmpty()) << page;
    EXPECT_TRUE(pdf->links(page).isEmpty()) << page;
  }
  EXPECT_TRUE(pdf->render(0, QSize(100, 100), QRect(200, 200, 10, 10)).isNull());  // clip off the page
  EXPECT_TRUE(pdf->render(0, QSize(0, 0), QRect(0, 0, 10, 10)).isNull());
  // Text and boxes line up: one box per character, lines end in "\n".
  const PdfPageTextData text = pdf->pageText(0);
  EXPECT_EQ(text.boxes.size(), text.text.size());
  EXPECT_EQ(text.lines.size(), text.text.count(QLatin1Char('\n')));
  EXPECT_TRUE(text.text.endsWith(QLatin1Char('\n')));
}

}  // namespace
