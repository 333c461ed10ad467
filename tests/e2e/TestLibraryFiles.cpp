#include "TestLibraryFiles.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTimeZone>
#include <cstring>

#include "format/Endian.h"
#include "format/FieldText.h"
#include "storage/FolianCommon.h"
#include "transfer/FlxPath.h"
#include "transfer/FlxWriter.h"
#include "transfer/ImportEntry.h"

namespace e2e {

namespace {

QByteArray ColourOperator(const QColor& colour) {
  return QByteArray::number(colour.redF(), 'f', 3) + ' ' + QByteArray::number(colour.greenF(), 'f', 3) + ' ' +
         QByteArray::number(colour.blueF(), 'f', 3) + " rg";
}

// A text whose byte order follows `rank`, under a column-specific prefix.
QString RankedText(const char* prefix, int rank) {
  return QString::fromLatin1(prefix) + QLatin1Char('-') + QLatin1Char(static_cast<char>('a' + rank));
}

void SetText(const QString& text, void* field, size_t bytes) { FLN_COMM_CopyUniStr_FromNSString_NtoL(text, field, bytes); }

}  // namespace

QByteArray MakeColourPdf(const QVector<QColor>& pages, int padding, const QStringList& texts) {
  QByteArray pdf = "%PDF-1.4\n";
  QVector<int> offsets;
  const auto object = [&](const QByteArray& body) {
    offsets << pdf.size();
    pdf += QByteArray::number(offsets.size()) + " 0 obj\n" + body + "\nendobj\n";
  };
  const int count = static_cast<int>(pages.size());
  QByteArray kids;
  for (int i = 0; i < count; ++i) kids += QByteArray::number(3 + 2 * i) + " 0 R ";
  object("<< /Type /Catalog /Pages 2 0 R >>");
  object("<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(count) + " >>");
  for (int i = 0; i < count; ++i) {
    object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 400] /Contents " + QByteArray::number(4 + 2 * i) +
           " 0 R /Resources << /Font << /F1 << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> >> >> >>");
    QByteArray content = ColourOperator(pages[i]) + " 0 0 300 400 re f";
    if (i < texts.size()) content += "\n0 0 0 rg BT /F1 10 Tf 10 20 Td (" + texts[i].toLatin1() + ") Tj ET";
    object("<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content + "\nendstream");
  }
  const int xref = pdf.size();
  pdf += "xref\n0 " + QByteArray::number(offsets.size() + 1) + "\n0000000000 65535 f \n";
  for (const int offset : offsets) pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
  pdf += "trailer\n<< /Size " + QByteArray::number(offsets.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
         QByteArray::number(xref) + "\n%%EOF\n";
  if (padding > 0) pdf += '%' + QByteArray(padding, 'x') + '\n';
  return pdf;
}

const QVector<QString>& EntryColumnKeys() {
  static const QVector<QString> keys = {
      QStringLiteral("title"),    QStringLiteral("cat1"),       QStringLiteral("cat2"),
      QStringLiteral("cat3"),     QStringLiteral("author"),     QStringLiteral("myRate"),
      QStringLiteral("fileSize"), QStringLiteral("updateDate"), QStringLiteral("fileName"),
      QStringLiteral("editor"),   QStringLiteral("supervisor"), QStringLiteral("translator"),
      QStringLiteral("publisher"), QStringLiteral("note")};
  return keys;
}

QVector<TestDocument> DistinctlySortedDocuments() {
  // rank of document d in column c: kRanks[c][d]. Every row is a different
  // permutation and none is another's reverse, so each header click gives
  // an order of its own.
  static const int kRanks[14][5] = {{0, 1, 2, 3, 4}, {1, 0, 2, 3, 4}, {1, 2, 0, 3, 4}, {2, 0, 1, 3, 4},
                                    {0, 2, 1, 3, 4}, {0, 1, 3, 2, 4}, {0, 3, 1, 2, 4}, {3, 0, 1, 2, 4},
                                    {1, 3, 0, 2, 4}, {0, 2, 3, 1, 4}, {2, 3, 0, 1, 4}, {3, 1, 2, 0, 4},
                                    {2, 1, 3, 0, 4}, {0, 1, 2, 4, 3}};
  // File names follow the fileName ranks.
  static const char* const kFileNames[5] = {"alpha.pdf", "bravo.pdf", "charlie.pdf", "delta.pdf", "echo.pdf"};
  QVector<TestDocument> documents;
  for (int d = 0; d < 5; ++d) {
    TestDocument document;
    for (int c = 0; c < 14; ++c) document.ranks << kRanks[c][d];
    document.fileName = QString::fromLatin1(kFileNames[document.ranks[8]]);
    document.title = RankedText("title", document.ranks[0]);
    document.padding = 1000 * (document.ranks[6] + 1);
    documents << document;
  }
  return documents;
}

bool WriteDocuments(const QString& folder, const QVector<TestDocument>& documents) {
  for (const TestDocument& document : documents) {
    const QString pdfPath = folder + QLatin1Char('/') + document.fileName;
    QFile pdf(pdfPath);
    const QByteArray bytes = MakeColourPdf({Qt::red, Qt::blue}, document.padding);
    if (!pdf.open(QIODevice::WriteOnly) || pdf.write(bytes) != bytes.size()) return false;
    pdf.close();

    const std::string path = pdfPath.toStdString();
    const char* none[3] = {"", "", ""};
    FLN_ENTRY entry;
    std::memset(&entry, 0, sizeof entry);
    BuildEntry_FromFile(path, bytes.size(), QFileInfo(pdfPath).lastModified(), none, CurrentImportSystemFacts(),
                        &entry);
    const QVector<int>& r = document.ranks;
    SetText(document.title, entry.en_title, sizeof entry.en_title);
    SetText(RankedText("cat1", r[1]), entry.en_c1_name, sizeof entry.en_c1_name);
    SetText(RankedText("cat2", r[2]), entry.en_c2_name, sizeof entry.en_c2_name);
    SetText(RankedText("cat3", r[3]), entry.en_c3_name, sizeof entry.en_c3_name);
    SetText(RankedText("author", r[4]), entry.en_author_name, sizeof entry.en_author_name);
    entry.en_my_rate = ZEL_EndianShort_NtoL(static_cast<int16_t>(r[5] + 1));
    const QDateTime updated = QDateTime(QDate(2020, 1, 1), QTime(12, 0), QTimeZone::utc()).addDays(r[7]);
    FLN_COMM_NSDateToString(updated, entry.en_update_date, sizeof entry.en_update_date);
    SetText(RankedText("editor", r[9]), entry.en_editor_name, sizeof entry.en_editor_name);
    SetText(RankedText("supervisor", r[10]), entry.en_supervisor_name, sizeof entry.en_supervisor_name);
    SetText(RankedText("translator", r[11]), entry.en_translator_name, sizeof entry.en_translator_name);
    SetText(RankedText("publisher", r[12]), entry.en_publisher_name, sizeof entry.en_publisher_name);
    SetText(RankedText("note", r[13]), entry.en_note, sizeof entry.en_note);
    char flxPath[kFlnPathBufferSize];
    if (GenerateFLXFilePath_ByPDFPath(path.c_str(), flxPath) != 1) return false;
    if (WriteFLXFile(&entry, flxPath) != kFlxWriteOk) return false;
  }
  return true;
}

}  // namespace e2e
