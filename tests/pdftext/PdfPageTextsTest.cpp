#include "pdftext/PdfPageTexts.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <QFile>

#include "TextPdf.h"

namespace {

QByteArray Bytes(const std::string& text) { return QByteArray(text.data(), static_cast<qsizetype>(text.size())); }

TEST(PdfPageTexts, EachPageItsOwnText) {
  const PdfPageTexts texts =
      ExtractPdfPageTexts(Bytes(testsupport::TextPdf({"Deep learning\nsecond line", "", "Page (three)"})));
  ASSERT_EQ(texts.kind, PdfPageTexts::Text);
  ASSERT_EQ(texts.pages.size(), 3u);
  EXPECT_EQ(texts.pages[0].simplified(), QStringLiteral("Deep learning second line"));
  EXPECT_EQ(texts.pages[1].trimmed(), QString());
  EXPECT_EQ(texts.pages[2].simplified(), QStringLiteral("Page (three)"));
}

TEST(PdfPageTexts, PdfsWithoutTextAndBrokenOnes) {
  const std::string good = testsupport::TextPdf({"Some text here"});
  struct Case {
    const char* what;
    QByteArray bytes;
    PdfPageTexts::Kind kind;
  } cases[] = {
      {"only drawings", Bytes(testsupport::TextPdf({"", ""})), PdfPageTexts::NoText},
      {"not a PDF", QByteArray("hello, this is not a PDF at all"), PdfPageTexts::Unreadable},
      {"empty", QByteArray(), PdfPageTexts::Unreadable},
      {"header only", QByteArray("%PDF-1.4\n"), PdfPageTexts::Unreadable},
      // The cross-reference table gone: the engine repairs the file and reads it.
      {"no xref", Bytes(good.substr(0, good.find("xref"))), PdfPageTexts::Text},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const PdfPageTexts texts = ExtractPdfPageTexts(c.bytes);
    EXPECT_EQ(texts.kind, c.kind);
    if (c.kind != PdfPageTexts::Text) {
      EXPECT_TRUE(texts.pages.empty());
    }
    if (c.kind == PdfPageTexts::Unreadable) {
      EXPECT_FALSE(texts.reason.isEmpty());
    }
  }
}

TEST(PdfPageTexts, APasswordLockedPdfIsLocked) {
  QTemporaryDir dir;
  QFile plain(dir.filePath("plain.pdf"));
  ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
  plain.write(Bytes(testsupport::TextPdf({"secret words"})));
  plain.close();
  const int rc = QProcess::execute("qpdf", {"--encrypt", "user", "owner", "256", "--", plain.fileName(),
                                            dir.filePath("locked.pdf")});
  ASSERT_EQ(rc, 0) << "qpdf (scripts/install-deps.sh installs it) could not encrypt";
  QFile locked(dir.filePath("locked.pdf"));
  ASSERT_TRUE(locked.open(QIODevice::ReadOnly));
  const PdfPageTexts texts = ExtractPdfPageTexts(locked.readAll());
  EXPECT_EQ(texts.kind, PdfPageTexts::Locked);
  EXPECT_TRUE(texts.pages.empty());
}

}  // namespace
