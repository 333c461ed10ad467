// Full-text search through the real program on a real display: the query
// typed in the "本文" scope, the found PDF opened by a double click at its
// first hit and the viewer's find going on to the next; and the program
// killed while it indexes, leaving the library and the index sound, the
// index going on from where it was.

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <sqlite3.h>

#include "FolianSession.h"
#include "ScreenReading.h"
#include "TestLibraryFiles.h"
#include "fulltext/FullTextIndex.h"
#include "library/FlnLoad.h"
#include "search/LibraryIdentity.h"

namespace e2e {
namespace {

constexpr QRgb kRed = 0xffff0000;
constexpr QRgb kBlue = 0xff0000ff;
constexpr QRgb kGreen = 0xff00ff00;

class FullTextE2e : public FolianSession {
 protected:
  // Writes `pdfs` (file name, bytes) into a folder and imports it into a new
  // library with folian-cli.
  void makeLibrary(const QString& library, const QVector<QPair<QString, QByteArray>>& pdfs) {
    const QString folder = path(QStringLiteral("papers"));
    ASSERT_TRUE(QDir().mkpath(folder));
    for (const auto& [name, bytes] : pdfs) {
      QFile file(folder + QLatin1Char('/') + name);
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
      ASSERT_EQ(file.write(bytes), bytes.size());
    }
    const CliRun created = cli({QStringLiteral("new"), library});
    ASSERT_EQ(created.exitCode, 0) << created.err.toStdString();
    const CliRun imported = cli({QStringLiteral("import"), library, folder});
    ASSERT_EQ(imported.exitCode, 0) << imported.err.toStdString();
  }

  // Where the session's programs keep the library's full-text index.
  QString indexPath(const QString& library) const {
    FLN_DATA data;
    if (!ReadFlnDataFromFlnFile(library.toUtf8().constData(), &data).ok()) return QString();
    const QString name = QString::fromStdString(LibraryIdentity(&data)) + QStringLiteral(".fulltext");
    FreeFlnData(&data);
    return path(QStringLiteral(".cache/FOLIAN/") + name);
  }
};

// The number of entries the index file at `path` holds, read without
// writing (-1 when it cannot be read yet).
int IndexedEntries(const QString& path) {
  if (!QFile::exists(path)) return -1;
  sqlite3* db = nullptr;
  int count = -1;
  if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_busy_timeout(db, 2000);
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT count(*) FROM documents", -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW)
      count = sqlite3_column_int(statement, 0);
    sqlite3_finalize(statement);
  }
  sqlite3_close(db);
  return count;
}

TEST_F(FullTextE2e, AQueryInThePdfsTextOpensTheFoundPdfAtItsHit) {
  const QString library = path(QStringLiteral("lib.fln"));
  ASSERT_NO_FATAL_FAILURE(makeLibrary(
      library, {{QStringLiteral("decoy.pdf"), MakeColourPdf({Qt::red, Qt::blue}, 0, {"plain words", "more words"})},
                {QStringLiteral("target.pdf"),
                 MakeColourPdf({Qt::red, Qt::blue, Qt::green}, 0,
                               {"nothing here", "the quarkonium page", "quarkonium again"})}}));
  QString title;
  for (const ListedEntry& entry : listed(library))
    if (entry.value(5) == QStringLiteral("target.pdf")) title = entry.value(1);
  ASSERT_FALSE(title.isEmpty());
  startFolian({library});
  const qulonglong window = desktop().waitForWindow(LibraryTitle(library));
  ASSERT_NE(window, 0u);
  ASSERT_TRUE(desktop().waitForActiveWindow(LibraryTitle(library)));

  // Ctrl+F, Shift+Tab to the scope switch, Space turns it to "本文", Tab
  // back into the field, and the query.
  desktop().key(QStringLiteral("ctrl+f"));
  desktop().key(QStringLiteral("shift+Tab"));
  desktop().key(QStringLiteral("space"));
  desktop().key(QStringLiteral("Tab"));
  desktop().type(QStringLiteral("quarkonium"));

  // The list shows the one entry found (once the background indexing has
  // read the PDFs): a double click on its row opens its viewer.
  std::optional<EntryListArea> area;
  ASSERT_TRUE(WaitUntil([&] { return (area = FindEntryList(desktop().screenshot(),
                                                           desktop().clientGeometry(window))).has_value(); }));
  const QPoint firstRow(area->viewport.left() + 60, area->viewport.top() + 6);
  qulonglong viewer = 0;
  ASSERT_TRUE(WaitUntil(
      [&] {
        desktop().doubleClick(firstRow);
        viewer = desktop().waitForWindow(TitleOf(title), 1000);
        return viewer != 0;
      },
      30000))
      << "the found entry's viewer did not open";
  // Opened at the first hit, on the second (blue) page, not on the first.
  EXPECT_TRUE(WaitUntil([&] {
    return ShareOfColour(desktop().screenshot(), desktop().clientGeometry(viewer), kBlue) > 0.10;
  })) << "the viewer is not at the first hit; red share "
      << ShareOfColour(desktop().screenshot(), desktop().clientGeometry(viewer), kRed);
  // The viewer's find (Ctrl+G) goes on to the next hit, on the third page.
  ASSERT_TRUE(desktop().waitForActiveWindow(TitleOf(title)));
  desktop().key(QStringLiteral("ctrl+g"));
  EXPECT_TRUE(WaitUntil([&] {
    return ShareOfColour(desktop().screenshot(), desktop().clientGeometry(viewer), kGreen) > 0.10;
  })) << "Ctrl+G did not go on to the next hit";
}

TEST_F(FullTextE2e, KilledWhileIndexingTheLibraryAndIndexStaySoundAndIndexingGoesOn) {
  // Enough PDFs for many index batches: the kill follows the first batch's
  // commit by one poll, and on a quiet machine three batches were once all
  // committed within that poll, leaving nothing midway to check.
  constexpr int kPdfs = 128;
  const QString library = path(QStringLiteral("lib.fln"));
  QVector<QPair<QString, QByteArray>> pdfs;
  for (int i = 0; i < kPdfs; ++i) {
    QVector<QColor> colours;
    QStringList texts;
    for (int page = 0; page < 60; ++page) {
      colours << (page % 2 == 0 ? QColor(Qt::red) : QColor(Qt::blue));
      texts << QStringLiteral("common words of document %1 page %2").arg(i).arg(page);
    }
    pdfs.append({QStringLiteral("doc%1.pdf").arg(100 + i), MakeColourPdf(colours, 0, texts)});
  }
  ASSERT_NO_FATAL_FAILURE(makeLibrary(library, pdfs));
  const QString index = indexPath(library);
  ASSERT_FALSE(index.isEmpty());

  startFolian({library});
  ASSERT_NE(desktop().waitForWindow(LibraryTitle(library)), 0u);
  // Killed as soon as the first PDFs are committed to the index.
  ASSERT_TRUE(WaitUntil([&] { return IndexedEntries(index) > 0; }, 60000)) << "nothing was indexed";
  killFolian();

  // The library opens and checks as sound, with every entry.
  const CliRun check = cli({QStringLiteral("check"), library});
  EXPECT_EQ(check.exitCode, 0) << check.out.toStdString() << check.err.toStdString();
  EXPECT_EQ(listed(library).size(), kPdfs);
  // The index opens as it was left (no damage to make good), midway.
  std::map<int32_t, FullTextIndex::Document> held;
  {
    FullTextIndex opened;
    QString notice, error;
    ASSERT_TRUE(opened.open(index, &notice, &error)) << error.toStdString();
    EXPECT_TRUE(notice.isEmpty()) << notice.toStdString();
    ASSERT_TRUE(opened.documents(&held, &error));
  }
  EXPECT_GT(held.size(), 0u);
  EXPECT_LT(held.size(), static_cast<size_t>(kPdfs)) << "the kill came after indexing ended";

  // The next run goes on and finds every PDF.
  const CliRun search =
      cli({QStringLiteral("search"), library, QStringLiteral("common words"), QStringLiteral("--full-text")});
  EXPECT_EQ(search.exitCode, 0) << search.err.toStdString();
  EXPECT_FALSE(search.err.contains(QStringLiteral("damaged"))) << search.err.toStdString();
  EXPECT_EQ(search.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts).size(), kPdfs) << search.out.toStdString();
}

}  // namespace
}  // namespace e2e
