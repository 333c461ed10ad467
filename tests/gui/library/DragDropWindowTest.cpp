// Drag and drop on the library window: files dropped from another program
// are imported or opened, the window's own entries dragged out become files.

#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QProgressDialog>
#include <QTableView>
#include <QTimer>

#include "WindowFixture.h"
#include "gui/library/CategoryLevelPane.h"
#include "gui/library/DroppedFiles.h"
#include "gui/library/EntryListModel.h"

namespace apptest {
namespace {

using DragDrop = WindowFixture;

void WriteFile(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

QByteArray ReadFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QList<QUrl> LocalUrls(const QStringList& paths) {
  QList<QUrl> urls;
  for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
  return urls;
}

// Sends a drag that enters `target` and, when it is accepted, drops there,
// as the window system delivers a drop from another program. Returns whether
// the window took it.
bool Drop(QWidget* target, const QList<QUrl>& urls) {
  QMimeData mime;
  mime.setUrls(urls);
  const QPoint at(target->width() / 2, target->height() / 2);
  QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &drop);
  if (!drop.isAccepted()) return false;
  EXPECT_EQ(drop.dropAction(), Qt::CopyAction) << "the dropped files stay where they are";
  // The import runs after the drop is answered.
  QCoreApplication::processEvents();
  return true;
}

TEST(DroppedFilesTest, SortsWhatADropNames) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  for (const char* name : {"a.pdf", "b.PDF", "lib.fln", "OTHER.FLN", "notes.txt", "noext"})
    WriteFile(dir.filePath(QString::fromLatin1(name)), "x");
  ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("folder.fln")));
  ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("papers")));
  const auto at = [&](const char* name) { return dir.filePath(QString::fromLatin1(name)); };

  const struct {
    QList<QUrl> urls;
    QStringList libraries, importPaths, refused;
  } cases[] = {
      {LocalUrls({at("a.pdf"), at("b.PDF"), at("papers")}), {}, {at("a.pdf"), at("b.PDF"), at("papers")}, {}},
      {LocalUrls({at("lib.fln"), at("OTHER.FLN")}), {at("lib.fln"), at("OTHER.FLN")}, {}, {}},
      // A folder is imported whatever its name; a missing file is refused.
      {LocalUrls({at("folder.fln"), at("gone.pdf")}), {}, {at("folder.fln")}, {at("gone.pdf")}},
      {LocalUrls({at("notes.txt"), at("noext")}) << QUrl(QStringLiteral("https://example.org/x.pdf")),
       {},
       {},
       {at("notes.txt"), at("noext"), QStringLiteral("https://example.org/x.pdf")}},
  };
  for (const auto& c : cases) {
    const DroppedFiles sorted = SortDroppedUrls(c.urls);
    EXPECT_EQ(sorted.libraries, c.libraries);
    EXPECT_EQ(sorted.importPaths, c.importPaths);
    EXPECT_EQ(sorted.refused, c.refused);
    EXPECT_EQ(sorted.takesAnything(), !c.libraries.isEmpty() || !c.importPaths.isEmpty());
  }
}

TEST_F(DragDrop, DroppedPdfsAndFoldersAreImportedIntoTheCurrentChoices) {
  FolianDocument* document = open(WorkedExample());
  ASSERT_NE(document, nullptr);
  ClickRow(document->folianCategory(1)->tableView(), 2);  // B; levels 2 and 3 stay ＜すべて＞
  ClickRow(document->folianCategory(2)->tableView(), 1);  // X
  WriteFile(dir.filePath(QStringLiteral("drop/one.pdf")), "%PDF-1.4 one");
  WriteFile(dir.filePath(QStringLiteral("drop/deep/er/two.PDF")), "%PDF-1.4 two");
  WriteFile(dir.filePath(QStringLiteral("drop/skip.txt")), "not listed");
  WriteFile(dir.filePath(QStringLiteral("single.pdf")), "%PDF-1.4 single");
  WriteFile(dir.filePath(QStringLiteral("notes.txt")), "refused");

  ScriptedAlerts alerts;
  ASSERT_TRUE(Drop(document->mainWindow(),
                   LocalUrls({dir.filePath(QStringLiteral("drop")), dir.filePath(QStringLiteral("single.pdf")),
                              dir.filePath(QStringLiteral("notes.txt"))})));
  ASSERT_TRUE(WaitUntil([&] { return document->entryListModel()->rowCount() == 4; }))
      << document->entryListModel()->rowCount();
  QStringList titles = EntryColumn(document, "title");
  titles.sort();
  EXPECT_EQ(titles, QStringList({"bxq", "one.pdf", "single.pdf", "two.PDF"}));
  for (int row = 0; row < 4; ++row) {
    EXPECT_EQ(EntryColumn(document, "cat1")[row], QStringLiteral("B"));
    EXPECT_EQ(EntryColumn(document, "cat2")[row], QStringLiteral("X"));
  }
  const int single = EntryColumn(document, "title").indexOf(QStringLiteral("single.pdf"));
  EXPECT_EQ(EntryColumn(document, "cat3")[single], QStringLiteral("その他")) << "＜すべて＞ is filed as その他";
  ASSERT_EQ(alerts.asked.size(), 1u);
  EXPECT_EQ(alerts.texts()[0],
            QStringLiteral("次の1件はPDFでもフォルダでもFolianライブラリでもないため、読み込みませんでした。\n") +
                dir.filePath(QStringLiteral("notes.txt")));

  // In the library file too.
  closeDocument(document);
  document = reopen();
  ASSERT_NE(document, nullptr);
  ClickRow(document->folianCategory(1)->tableView(), 0);
  ClickRow(document->folianCategory(2)->tableView(), 0);
  EXPECT_EQ(document->entryListModel()->rowCount(), 6);
}

TEST_F(DragDrop, ADropShowsTheImportsProgressAndCanBeCancelledAndReportsFailures) {
  FolianDocument* document = open(WorkedExample());
  ASSERT_NE(document, nullptr);
  QStringList paths;
  for (int i = 0; i < 5; ++i) {
    paths << dir.filePath(QStringLiteral("p%1.pdf").arg(i));
    WriteFile(paths.back(), "%PDF-1.4");
  }
  // The import keeps the event loop running: this runs during it, as soon
  // as the progress shows.
  bool cancelled = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, document, [&] {
    auto* progress = document->mainWindow()->findChild<QProgressDialog*>();
    if (progress == nullptr || cancelled) return;
    EXPECT_EQ(progress->labelText(), QStringLiteral("1 / 5 件\np0.pdf"));
    progress->cancel();
    cancelled = true;
  });
  poll.start(0);
  ASSERT_TRUE(Drop(document->mainWindow(), LocalUrls(paths)));
  ASSERT_TRUE(WaitUntil([&] { return cancelled; }));
  poll.stop();
  EXPECT_EQ(document->entryListModel()->rowCount(), 3) << "stopped before the first file";
  EXPECT_EQ(document->mainWindow()->findChild<QProgressDialog*>(), nullptr);

  // A file that cannot be imported is named with its reason, as the import
  // command names it; the others are imported.
  WriteFile(dir.filePath(QStringLiteral("big.pdf")), "%PDF-1.4");
  WriteFile(dir.filePath(QStringLiteral("big.flx")), QByteArray(70 * 1024, 'x'));
  ScriptedAlerts alerts;
  ASSERT_TRUE(Drop(document->mainWindow(), LocalUrls({dir.filePath(QStringLiteral("big.pdf")), paths[0]})));
  ASSERT_TRUE(WaitUntil([&] { return !alerts.asked.empty(); }));
  EXPECT_EQ(alerts.texts()[0].toStdString(),
            (QStringLiteral("次の1件を読み込めませんでした。\n") + dir.filePath(QStringLiteral("big.flx")) +
             QStringLiteral(" — 情報ファイル(.flx)が64KBを超えています"))
                .toStdString());
  EXPECT_EQ(document->entryListModel()->rowCount(), 4);
}

TEST_F(DragDrop, ADroppedLibraryIsOpenedInItsOwnWindow) {
  FolianDocument* document = open(WorkedExample());
  ASSERT_NE(document, nullptr);
  WriteLibrary(path(QStringLiteral("other.FLN")), LibraryContents{});
  const int rowsBefore = document->entryListModel()->rowCount();
  ASSERT_TRUE(Drop(document->mainWindow(), LocalUrls({path(QStringLiteral("other.FLN"))})));
  ASSERT_TRUE(WaitUntil([&] { return controller->documents().size() == 2; }));
  EXPECT_EQ(controller->documents()[1]->fileName(), path(QStringLiteral("other.FLN")));
  EXPECT_EQ(document->entryListModel()->rowCount(), rowsBefore) << "a library is opened, not imported";
}

TEST_F(DragDrop, TheWindowRefusesWhatItCannotTakeAndItsOwnEntries) {
  FolianDocument* document = open(WorkedExample());
  ASSERT_NE(document, nullptr);
  WriteFile(dir.filePath(QStringLiteral("notes.txt")), "x");
  WriteFile(dir.filePath(QStringLiteral("a.pdf")), "%PDF-1.4");
  const QList<QUrl> pdf = LocalUrls({dir.filePath(QStringLiteral("a.pdf"))});
  EXPECT_FALSE(Drop(document->mainWindow(), LocalUrls({dir.filePath(QStringLiteral("notes.txt"))})));
  EXPECT_FALSE(Drop(document->mainWindow(), {QUrl(QStringLiteral("https://example.org/a.pdf"))}));
  EXPECT_EQ(document->entryListModel()->rowCount(), 3);

  // Entries dragged within this program: the drag's source is the entry list
  // they come from.
  WriteLibrary(path(QStringLiteral("second.fln")), LibraryContents{});
  FolianDocument* second = reopen(QStringLiteral("second.fln"));
  ASSERT_NE(second, nullptr);
  EXPECT_FALSE(WindowTakesDrag(document->mainWindow(), document->entryListBox(), pdf))
      << "entries dragged out of a window are not imported into it again";
  EXPECT_TRUE(WindowTakesDrag(second->mainWindow(), document->entryListBox(), pdf))
      << "another library's window takes them";
  EXPECT_TRUE(WindowTakesDrag(document->mainWindow(), nullptr, pdf)) << "from another program";
}

TEST_F(DragDrop, EntriesDraggedOutAreTheirPdfsUnderTheirFileNames) {
  FolianDocument* document = open(LibraryContents{});
  ASSERT_NE(document, nullptr);
  WriteFile(dir.filePath(QStringLiteral("in/one.pdf")), "%PDF-1.4 one");
  WriteFile(dir.filePath(QStringLiteral("in/two.pdf")), "%PDF-1.4 two");
  WriteFile(dir.filePath(QStringLiteral("again/one.pdf")), "%PDF-1.4 other one");
  ASSERT_TRUE(Drop(document->mainWindow(), LocalUrls({dir.filePath(QStringLiteral("in")),
                                                      dir.filePath(QStringLiteral("again/one.pdf"))})));
  ASSERT_TRUE(WaitUntil([&] { return document->entryListModel()->rowCount() == 3; }));
  const QByteArray libraryBefore = ReadFile(path());

  EntryListModel* model = document->entryListModel();
  EXPECT_TRUE(model->flags(model->index(0, 0)) & Qt::ItemIsDragEnabled);
  EXPECT_EQ(model->supportedDragActions(), Qt::CopyAction);
  EXPECT_EQ(document->entryListBox()->dragDropMode(), QAbstractItemView::DragOnly);
  QModelIndexList indexes;
  for (int row = 0; row < 3; ++row)
    for (int column : {0, 3}) indexes << model->index(row, column);  // a row counts once
  std::unique_ptr<QMimeData> mime(model->mimeData(indexes));
  ASSERT_NE(mime, nullptr);
  const QList<QUrl> urls = mime->urls();
  ASSERT_EQ(urls.size(), 3);
  QMap<QString, QByteArray> handed;
  QString folder;
  for (const QUrl& url : urls) {
    ASSERT_TRUE(url.isLocalFile()) << url.toString().toStdString();
    handed[QFileInfo(url.toLocalFile()).fileName()] = ReadFile(url.toLocalFile());
    folder = QFileInfo(url.toLocalFile()).absolutePath();
  }
  const QMap<QString, QByteArray> expected = {{QStringLiteral("one.pdf"), "%PDF-1.4 one"},
                                               {QStringLiteral("two.pdf"), "%PDF-1.4 two"},
                                               {QStringLiteral("one-1.pdf"), "%PDF-1.4 other one"}};
  // Which "one.pdf" gets the number follows the rows; the set of files does not.
  EXPECT_EQ(handed.keys(), expected.keys());
  QByteArrayList bytes = handed.values(), expectedBytes = expected.values();
  std::sort(bytes.begin(), bytes.end());
  std::sort(expectedBytes.begin(), expectedBytes.end());
  EXPECT_EQ(bytes, expectedBytes);
  EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 3) << "no metadata text files";
  EXPECT_EQ(QFileInfo(folder).permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup), 0)
      << "a private folder";
  EXPECT_EQ(ReadFile(path()), libraryBefore) << "a drag changes nothing in the library";

  // The files stay for the receiving program until the library is closed.
  closeDocument(document);
  EXPECT_FALSE(QFileInfo::exists(folder));
}

TEST_F(DragDrop, NoDragStartsWhenAnEntrysPdfCannotBeRead) {
  LibraryContents contents;
  contents.entries = {Entry("no pdf stored", "その他", "その他", "その他")};
  FolianDocument* document = open(contents);
  ASSERT_NE(document, nullptr);
  ASSERT_EQ(document->entryListModel()->rowCount(), 1);
  ScriptedAlerts alerts;
  std::unique_ptr<QMimeData> mime(document->entryListModel()->mimeData({document->entryListModel()->index(0, 0)}));
  EXPECT_EQ(mime, nullptr);
  ASSERT_EQ(alerts.asked.size(), 1u);
  EXPECT_TRUE(alerts.texts()[0].contains(QStringLiteral("no pdf stored"))) << alerts.texts()[0].toStdString();
}

}  // namespace
}  // namespace apptest
