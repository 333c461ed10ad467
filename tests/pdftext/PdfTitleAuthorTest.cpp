// The title and author a PDF names itself by, as different writers store
// them: literal strings (PDFDocEncoding), UTF-16 with a byte order mark,
// XMP metadata only, object streams (qpdf), encryption.

#include "pdftext/PdfTitleAuthor.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "TextPdf.h"

namespace {

QByteArray Bytes(const std::string& text) { return QByteArray(text.data(), static_cast<qsizetype>(text.size())); }

// An XMP packet as Acrobat and LaTeX's hyperxmp write it.
std::string Xmp(const std::string& titleItems, const std::string& creatorItems) {
  return "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
         "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
         "<rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
         "<dc:title><rdf:Alt>" + titleItems + "</rdf:Alt></dc:title>"
         "<dc:creator><rdf:Seq>" + creatorItems + "</rdf:Seq></dc:creator>"
         "</rdf:Description></rdf:RDF></x:xmpmeta>\n<?xpacket end=\"w\"?>";
}

struct Case {
  const char* what;
  testsupport::PdfSelfDescription about;
  QString title;
  QString author;
};

const Case kCases[] = {
    {"pdfTeX's literal strings",
     {"<< /Title (A Study of \\(Small\\) Things) /Author (Jane Doe) /Producer (pdfTeX-1.40.24) >>", ""},
     "A Study of (Small) Things", "Jane Doe"},
    {"UTF-16 with its mark, Japanese",
     {"<< /Title <FEFF65E5672C8A9E306E8AD6658700200031> /Author <FEFF5C7152A0> >>", ""},
     QStringLiteral("日本語の論文 1"), QStringLiteral("山加")},
    {"PDFDocEncoding beyond ASCII", {"<< /Title (Caf\\351 \\204 \\217x\\220) >>", ""},
     QStringLiteral("Café — ‘x’"), ""},
    {"XMP only",
     {"", Xmp("<rdf:li xml:lang=\"en\">English</rdf:li><rdf:li xml:lang=\"x-default\">XMP の題名</rdf:li>",
              "<rdf:li>A. Author</rdf:li><rdf:li>B. Author</rdf:li>")},
     QStringLiteral("XMP の題名"), "A. Author, B. Author"},
    {"XMP fills what the information leaves empty",
     {"<< /Title () /Author (Info Author) >>", Xmp("<rdf:li>From XMP</rdf:li>", "<rdf:li>Ignored</rdf:li>")},
     "From XMP", "Info Author"},
    {"the information wins over XMP",
     {"<< /Title (Info Title) >>", Xmp("<rdf:li>XMP Title</rdf:li>", "<rdf:li>XMP Author</rdf:li>")},
     "Info Title", "XMP Author"},
    {"XMP that is no XML", {"", "<x:xmpmeta><rdf:li>broken"}, "", ""},
    {"neither", {"", ""}, "", ""},
};

TEST(PdfTitleAuthor, AsEachWriterStoresThem) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    QString title = "left over", author = "left over";
    ReadPdfTitleAndAuthor(Bytes(testsupport::TextPdf({"page"}, c.about)), &title, &author);
    EXPECT_EQ(title, c.title);
    EXPECT_EQ(author, c.author);
  }
}

TEST(PdfTitleAuthor, RewrittenWithObjectStreamsAndEncrypted) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const Case& japanese = kCases[1];
  QFile plain(dir.filePath("plain.pdf"));
  ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
  plain.write(Bytes(testsupport::TextPdf({"page"}, japanese.about)));
  plain.close();
  const struct {
    const char* name;
    QStringList qpdfOptions;
    bool readable;
  } writers[] = {
      {"streams.pdf", {"--object-streams=generate"}, true},
      // Encrypted for its owner only: anyone may open it, strings are encrypted.
      {"owner.pdf", {"--encrypt", "", "owner", "256", "--"}, true},
      {"locked.pdf", {"--encrypt", "user", "owner", "256", "--"}, false},
  };
  for (const auto& w : writers) {
    SCOPED_TRACE(w.name);
    ASSERT_EQ(QProcess::execute("qpdf", QStringList(w.qpdfOptions) << plain.fileName() << dir.filePath(w.name)), 0)
        << "qpdf (scripts/install-deps.sh installs it) failed";
    QFile file(dir.filePath(w.name));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QString title, author;
    ReadPdfTitleAndAuthor(file.readAll(), &title, &author);
    EXPECT_EQ(title, w.readable ? japanese.title : QString());
    EXPECT_EQ(author, w.readable ? japanese.author : QString());
  }
}

TEST(PdfTitleAuthor, WhatIsNoPdfNamesNothing) {
  const std::string good = testsupport::TextPdf({"page"}, kCases[0].about);
  for (const QByteArray& bytes : {QByteArray(), QByteArray("not a PDF at all"), QByteArray("%PDF-1.4\n"),
                                  Bytes(good.substr(0, good.size() / 3))}) {
    QString title = "x", author = "y";
    ReadPdfTitleAndAuthor(bytes, &title, &author);
    EXPECT_EQ(title, QString()) << bytes.left(20).toStdString();
    EXPECT_EQ(author, QString()) << bytes.left(20).toStdString();
  }
}

}  // namespace
