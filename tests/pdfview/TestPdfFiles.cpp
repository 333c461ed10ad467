#include "TestPdfFiles.h"

#include <QBuffer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QFont>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QVector>

namespace apptest {

QByteArray MakeTextPdf(const QStringList& pageTexts, QSizeF pagePoints) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QPdfWriter writer(&buffer);
  writer.setPageSize(QPageSize(pagePoints, QPageSize::Point));
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  writer.setResolution(72);  // one device pixel per point
  QPainter painter(&writer);
  // DejaVu's glyphs map back to their characters, so the text reads back.
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPointSizeF(12);
  painter.setFont(font);
  for (int page = 0; page < pageTexts.size(); ++page) {
    if (page > 0) writer.newPage();
    const QStringList lines = pageTexts[page].split(QLatin1Char('\n'));
    for (int line = 0; line < lines.size(); ++line) painter.drawText(QPointF(72, 72 + 20 * line), lines[line]);
  }
  painter.end();
  return bytes;
}

QByteArray MakePdfOfPageSizes(const QVector<QSizeF>& pagePoints) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QPdfWriter writer(&buffer);
  writer.setResolution(72);
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  writer.setPageSize(QPageSize(pagePoints.value(0), QPageSize::Point));
  QPainter painter(&writer);
  painter.setFont(QFont(QStringLiteral("DejaVu Sans")));
  for (int page = 0; page < pagePoints.size(); ++page) {
    if (page > 0) {
      // Takes effect for the page that newPage begins.
      writer.setPageSize(QPageSize(pagePoints[page], QPageSize::Point));
      writer.newPage();
    }
    painter.drawText(QPointF(20, 40), QStringLiteral("Page %1").arg(page + 1));
  }
  painter.end();
  return bytes;
}

QByteArray MakeNumberedPdf(int pages) {
  QStringList texts;
  for (int page = 1; page <= pages; ++page)
    texts << QStringLiteral("Page %1 of %2\nThe quick brown fox jumps over the lazy dog.\nFolian viewer test page.")
                 .arg(page)
                 .arg(pages);
  return MakeTextPdf(texts);
}

QByteArray AssemblePdf(const QVector<QByteArray>& objects, const QByteArray& trailerEntries) {
  QByteArray pdf = "%PDF-1.7\n";
  QVector<int> offsets;
  for (int i = 0; i < objects.size(); ++i) {
    offsets << pdf.size();
    pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const int xref = pdf.size();
  pdf += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
  for (int offset : offsets) pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
  pdf += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) + " /Root 1 0 R " + trailerEntries + " >>\n";
  pdf += "startxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
  return pdf;
}

QByteArray MakeEncryptedPdf() {
  // RC4 40-bit, with an /U entry that the empty password does not produce.
  const QByteArray filler(32, 'x');
  return AssemblePdf(
      {
          "<< /Type /Catalog /Pages 2 0 R >>",
          "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
          "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] >>",
          "<< /Filter /Standard /V 1 /R 2 /O <" + filler.toHex() + "> /U <" + filler.toHex() + "> /P -4 >>",
      },
      "/Encrypt 4 0 R /ID [<0123456789abcdef0123456789abcdef> <0123456789abcdef0123456789abcdef>]");
}

QByteArray MakeAnnotatedPdf() {
  return AssemblePdf(
      {
          "<< /Type /Catalog /Pages 2 0 R /AcroForm << /Fields [5 0 R] /DA (/Helv 0 Tf 0 g) >> >>",
          "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
          "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Annots [4 0 R 5 0 R] >>",
          "<< /Type /Annot /Subtype /Square /Rect [20 120 80 180] /C [0 0 1] /IC [1 0 0] /BS << /W 2 >> >>",
          "<< /Type /Annot /Subtype /Widget /FT /Tx /T (name) /V (Hello) /Rect [20 20 180 60] "
          "/DA (/Helv 24 Tf 0 g) /F 4 /P 3 0 R >>",
      },
      "");
}

QByteArray MakeLinkedPdf() {
  return AssemblePdf(
      {
          "<< /Type /Catalog /Pages 2 0 R /Outlines 7 0 R >>",
          "<< /Type /Pages /Kids [3 0 R 4 0 R 5 0 R] /Count 3 >>",
          "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Annots [6 0 R 11 0 R] >>",
          "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] >>",
          "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] >>",
          "<< /Type /Annot /Subtype /Link /Rect [20 140 100 180] /Border [0 0 0] /Dest [5 0 R /XYZ 0 150 0] >>",
          "<< /Type /Outlines /First 8 0 R /Last 9 0 R /Count 3 >>",
          "<< /Title (Chapter One) /Parent 7 0 R /Next 9 0 R /Dest [3 0 R /Fit] >>",
          "<< /Title (Chapter Two) /Parent 7 0 R /Prev 8 0 R /First 10 0 R /Last 10 0 R /Count 1 "
          "/Dest [4 0 R /Fit] >>",
          "<< /Title (Section 2.1) /Parent 9 0 R /Dest [5 0 R /Fit] >>",
          "<< /Type /Annot /Subtype /Link /Rect [120 20 180 60] /Border [0 0 0] "
          "/A << /S /URI /URI (https://example.org/folian) >> >>",
      },
      "");
}

QByteArray EncryptWithQpdf(const QByteArray& bytes, const QString& password) {
  QTemporaryDir dir;
  QFile in(dir.filePath(QStringLiteral("in.pdf")));
  if (!in.open(QIODevice::WriteOnly) || in.write(bytes) != bytes.size()) return {};
  in.close();
  const QString out = dir.filePath(QStringLiteral("out.pdf"));
  QProcess qpdf;
  qpdf.start(QStringLiteral("qpdf"), {QStringLiteral("--encrypt"), password, QStringLiteral("owner-secret"),
                                      QStringLiteral("256"), QStringLiteral("--"), in.fileName(), out});
  if (!qpdf.waitForFinished(30000) || qpdf.exitStatus() != QProcess::NormalExit || qpdf.exitCode() != 0) return {};
  QFile result(out);
  return result.open(QIODevice::ReadOnly) ? result.readAll() : QByteArray();
}

QByteArray MakeTruncatedPdf() {
  const QByteArray whole = MakeNumberedPdf(3);
  return whole.left(whole.size() / 2);
}

QByteArray MakeGarbagePdf() { return QByteArray("%PDF-1.4\nthis is not a PDF at all\n\x01\x02\x03", 35); }

}  // namespace apptest
