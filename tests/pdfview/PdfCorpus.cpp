#include "PdfCorpus.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "TestPdfFiles.h"

namespace apptest {
namespace {

// `pages` pages sharing one content stream: a small file of many pages.
QByteArray ManyPagesPdf(int pages) {
  const QByteArray content = "0 0 1 rg 20 20 160 160 re f 1 1 1 rg 60 60 80 80 re f\n";
  QVector<QByteArray> objects = {
      "<< /Type /Catalog /Pages 2 0 R >>", "",
      "<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content + "endstream"};
  QByteArray kids;
  for (int page = 0; page < pages; ++page) {
    kids += QByteArray::number(objects.size() + 1) + " 0 R ";
    objects.append("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 3 0 R >>");
  }
  objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(pages) + " >>";
  return AssemblePdf(objects, "");
}

// qpdf's rewrite of `bytes` with `arguments` before the file names; empty
// when qpdf fails (it refuses some damaged inputs, exit code 2; 3 means
// warnings and a file written).
QByteArray Qpdf(const QByteArray& bytes, const QStringList& arguments) {
  QTemporaryDir dir;
  QFile in(dir.filePath(QStringLiteral("in.pdf")));
  if (!in.open(QIODevice::WriteOnly) || in.write(bytes) != bytes.size()) return {};
  in.close();
  const QString out = dir.filePath(QStringLiteral("out.pdf"));
  QProcess qpdf;
  qpdf.start(QStringLiteral("qpdf"), QStringList(arguments) << in.fileName() << out);
  if (!qpdf.waitForFinished(30000) || qpdf.exitStatus() != QProcess::NormalExit ||
      (qpdf.exitCode() != 0 && qpdf.exitCode() != 3))
    return {};
  QFile result(out);
  return result.open(QIODevice::ReadOnly) ? result.readAll() : QByteArray();
}

QByteArray ShiftXrefOffsets(QByteArray bytes, int by) {
  const int xref = bytes.lastIndexOf("\nxref\n");
  if (xref < 0) return bytes;
  const QRegularExpression entry(QStringLiteral("(\\d{10}) (\\d{5}) n"));
  QString tail = QString::fromLatin1(bytes.mid(xref));
  QString shifted;
  int last = 0;
  for (QRegularExpressionMatchIterator it = entry.globalMatch(tail); it.hasNext();) {
    const QRegularExpressionMatch m = it.next();
    shifted += tail.mid(last, m.capturedStart() - last);
    shifted += QString::number(m.captured(1).toLongLong() + by).rightJustified(10, QLatin1Char('0')) +
               QLatin1Char(' ') + m.captured(2) + QStringLiteral(" n");
    last = m.capturedEnd();
  }
  shifted += tail.mid(last);
  return bytes.left(xref) + shifted.toLatin1();
}

QByteArray FlipBytes(QByteArray bytes, quint32 seed, int count) {
  QRandomGenerator random(seed);
  for (int i = 0; i < count && !bytes.isEmpty(); ++i) {
    const int at = random.bounded(int(bytes.size()));
    bytes[at] = char(bytes[at] ^ char(1 + random.bounded(255)));
  }
  return bytes;
}

}  // namespace

QVector<CorpusPdf> MakePdfCorpus() {
  const QVector<CorpusPdf> bases = {
      {QStringLiteral("text"), MakeNumberedPdf(3)},
      {QStringLiteral("annotations-forms"), MakeAnnotatedPdf()},
      {QStringLiteral("links-outline"), MakeLinkedPdf()},
      {QStringLiteral("huge-and-tiny-pages"), MakePdfOfPageSizes({{14400, 14400}, {3, 3}, {14400, 20}})},
      {QStringLiteral("3000-pages"), ManyPagesPdf(3000)},
  };
  QVector<CorpusPdf> corpus;
  auto add = [&corpus](const QString& base, const char* damage, const QByteArray& bytes) {
    if (!bytes.isEmpty()) corpus.append({base + QLatin1Char('-') + QLatin1String(damage), bytes});
  };
  for (const CorpusPdf& base : bases) {
    const QByteArray& b = base.bytes;
    add(base.name, "whole", b);
    for (int percent : {10, 50, 90, 99}) {
      const QByteArray name = "truncated-" + QByteArray::number(percent);
      add(base.name, name.constData(), b.left(b.size() * percent / 100));
    }
    add(base.name, "xref-shifted", ShiftXrefOffsets(b, 7));
    add(base.name, "xref-shifted-back", ShiftXrefOffsets(b, -5));
    QByteArray noXref = b;
    const int xref = noXref.lastIndexOf("\nxref\n");
    if (xref > 0) noXref.truncate(xref + 1);
    add(base.name, "xref-missing", noXref + "%%EOF\n");
    QByteArray badStart = b;
    const int start = badStart.lastIndexOf("startxref\n");
    if (start > 0) badStart = badStart.left(start) + "startxref\n999999999\n%%EOF\n";
    add(base.name, "startxref-wrong", badStart);
    QByteArray badRoot = b;
    badRoot.replace("/Root 1 0 R", "/Root 9999 0 R");
    add(base.name, "root-wrong", badRoot);
    for (quint32 seed : {1u, 2u, 3u}) {
      const QByteArray name = "flipped-" + QByteArray::number(seed);
      add(base.name, name.constData(), FlipBytes(b, seed * 7919 + quint32(b.size()), 12));
    }
    add(base.name, "junk-before", QByteArray(300, '\x07') + b);
    add(base.name, "junk-after", b + QByteArray(5000, '\xff'));
    add(base.name, "qpdf-object-streams", Qpdf(b, {QStringLiteral("--object-streams=generate")}));
    add(base.name, "qpdf-linearized", Qpdf(b, {QStringLiteral("--linearize")}));
    add(base.name, "qpdf-uncompressed", Qpdf(b, {QStringLiteral("--qdf"), QStringLiteral("--stream-data=uncompress")}));
    for (const char* bits : {"40", "128", "256"}) {
      const QByteArray name = QByteArray("qpdf-encrypted-") + bits;
      add(base.name, name.constData(),
          Qpdf(b, {QStringLiteral("--allow-weak-crypto"), QStringLiteral("--encrypt"), QString(),
                   QStringLiteral("owner"), QString::fromLatin1(bits), QStringLiteral("--")}));
    }
  }
  return corpus;
}

}  // namespace apptest
