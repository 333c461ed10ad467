// Import, export and copy from the library window: the import panel with its
// category boxes, the folder import's progress and failure list, the
// remembered folders, and the export folder chooser.

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QProgressDialog>
#include <QTableView>
#include <QTimer>
#include <fstream>

#include "WindowFixture.h"
#include "gui/library/TransferCommands.h"
#include "gui/library/EntryListModel.h"
#include "gui/library/CategoryLevelPane.h"
#include "library/FlnLibraryLock.h"
#include "library/FlnLoad.h"
#include "library/FlnUpgrade.h"
#include <unistd.h>

namespace apptest {
namespace {

using Transfer = WindowFixture;

void WriteFile(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

QStringList ComboItems(QComboBox* combo) {
  QStringList items;
  for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
  return items;
}

QComboBox* LevelCombo(QFileDialog* panel, int level) {
  return panel->findChild<QComboBox*>(QStringLiteral("cat%1Combo").arg(level));
}

void Accept(QFileDialog* panel, const QString& chosen) {
  panel->setDirectory(QFileInfo(chosen).absolutePath());
  panel->selectFile(chosen);
  static_cast<QDialog*>(panel)->accept();
}

TEST_F(Transfer, TheImportPanelsCheckBoxSkipsFilesAlreadyInTheLibraryAndTheRestAreNamed) {
  FolianDocument* document = open(WorkedExample());
  ASSERT_NE(document, nullptr);
  const QString folder = dir.filePath(QStringLiteral("in"));
  WriteFile(folder + QStringLiteral("/a.pdf"), "%PDF-1.4\nfirst\n%%EOF\n");
  WriteFile(folder + QStringLiteral("/again.pdf"), "%PDF-1.4\nfirst\n%%EOF\n");
  WriteFile(folder + QStringLiteral("/b.pdf"), "%PDF-1.4\nsecond\n%%EOF\n");

  const struct {
    bool skip;
    QStringList titlesAdded;
    QString heading;
  } cases[] = {
      // Both copies of the first file are met in one import: the later one is a duplicate.
      {false, {"a.pdf", "again.pdf", "b.pdf"}, QStringLiteral("次の1件はライブラリにすでにありますが、読み込みました。")},
      {true, {}, QStringLiteral("次の3件はライブラリにすでにあるため、読み込みませんでした。")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.skip);
    const QStringList before = EntryColumn(document, "title");
    document->transfer()->importPdfFolder();
    QFileDialog* panel = document->transfer()->currentPanel();
    ASSERT_NE(panel, nullptr);
    auto* box = panel->findChild<QCheckBox*>(QStringLiteral("skipDuplicatesBox"));
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(box->isChecked()) << "duplicates are imported unless the user asks";
    box->setChecked(c.skip);
    if (c.skip && !qEnvironmentVariableIsEmpty("FOLIAN_SCREENSHOT_DIR"))
      panel->grab().save(qEnvironmentVariable("FOLIAN_SCREENSHOT_DIR") + QStringLiteral("/import-panel.png"));
    ScriptedAlerts alerts;
    panel->setDirectory(dir.path());
    panel->selectFile(folder);
    static_cast<QDialog*>(panel)->accept();
    QStringList added = EntryColumn(document, "title");
    for (const QString& title : before) added.removeOne(title);
    added.sort();
    EXPECT_EQ(added, c.titlesAdded);
    ASSERT_EQ(alerts.asked.size(), 1u);
    EXPECT_TRUE(alerts.texts()[0].startsWith(c.heading)) << alerts.texts()[0].toStdString();
  }
}

TEST_F(Transfer, ImportPanelOffersTheCategoriesPresetToTheChoices) {
  FolianDocument* document = open(WorkedExample());
  ASSERT_NE(document, nullptr);
  ClickRow(document->folianCategory(1)->tableView(), 2);  // B
  document->transfer()->importPdf();
  QFileDialog* panel = document->transfer()->currentPanel();
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->windowModality(), Qt::WindowModal);
  EXPECT_EQ(panel->fileMode(), QFileDialog::ExistingFile);
  for (int level = 1; level <= 3; ++level) ASSERT_NE(LevelCombo(panel, level), nullptr) << level;
  EXPECT_TRUE(LevelCombo(panel, 1)->isEditable());
  // Every name of the level, not narrowed; "＜すべて＞" becomes "その他".
  EXPECT_EQ(ComboItems(LevelCombo(panel, 2)), QStringList({"X", "Y", "その他"}));
  EXPECT_EQ(LevelCombo(panel, 1)->currentText(), QStringLiteral("B"));
  EXPECT_EQ(LevelCombo(panel, 2)->currentText(), QStringLiteral("その他"));

  const QString pdf = dir.filePath(QStringLiteral("in/paper.pdf"));
  WriteFile(pdf, "%PDF-1.4\n%%EOF\n");
  LevelCombo(panel, 2)->setEditText(QStringLiteral("新しい分類"));
  LevelCombo(panel, 3)->setEditText(QString());
  Accept(panel, pdf);
  EXPECT_EQ(document->transfer()->currentPanel(), nullptr);
  // Listed under the current choices (B, ＜すべて＞, ＜すべて＞).
  EXPECT_EQ(EntryColumn(document, "title"), QStringList({"bxq", "paper.pdf"}));
  const int row = EntryColumn(document, "title").indexOf(QStringLiteral("paper.pdf"));
  EXPECT_EQ(EntryColumn(document, "cat2")[row], QStringLiteral("新しい分類"));
  EXPECT_EQ(EntryColumn(document, "cat3")[row], QStringLiteral("その他"));

  // The next single-file import starts in that folder, also after reopening.
  closeDocument(document);
  document = reopen();
  ASSERT_NE(document, nullptr);
  document->transfer()->importPdf();
  ASSERT_NE(document->transfer()->currentPanel(), nullptr);
  EXPECT_EQ(document->transfer()->currentPanel()->directory().absolutePath(), QFileInfo(pdf).absolutePath());
  document->transfer()->currentPanel()->reject();
}

TEST_F(Transfer, ImportRefusesTheNamesThatStandForEveryOrNoChange) {
  FolianDocument* document = open(WorkedExample());
  ASSERT_NE(document, nullptr);
  const QString pdf = dir.filePath(QStringLiteral("in/paper.pdf"));
  WriteFile(pdf, "%PDF-1.4\n%%EOF\n");
  const struct {
    int level;
    const char* typed;
    QString message;
  } cases[] = {
      {1, "＜すべて＞", QStringLiteral("”＜すべて＞”はすべての分類を表すため、分類名にできません。\n何も読み込んでいません。")},
      {3, "＜変更しない＞", QStringLiteral("”＜変更しない＞”は分類名にできません。\n何も読み込んでいません。")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    ScriptedAlerts alerts;
    document->transfer()->importPdf();
    QFileDialog* panel = document->transfer()->currentPanel();
    ASSERT_NE(panel, nullptr);
    LevelCombo(panel, c.level)->setEditText(QString::fromUtf8(c.typed));
    Accept(panel, pdf);
    EXPECT_EQ(alerts.texts(), QStringList{c.message});
    EXPECT_EQ(EntryColumn(document, "title").size(), 3);
    EXPECT_FALSE(CategoryRows(document, c.level).mid(1).contains(QString::fromUtf8(c.typed)));
  }
}

TEST_F(Transfer, FolderImportListsWhatFailedInOneMessage) {
  FolianDocument* document = open(WorkedExample());
  ASSERT_NE(document, nullptr);
  const QString folder = dir.filePath(QStringLiteral("batch"));
  WriteFile(folder + "/a.pdf", "%PDF-1.4 a");
  WriteFile(folder + "/b.PDF", "%PDF-1.4 b");
  WriteFile(folder + "/c.txt", "text");
  WriteFile(folder + "/sub/d.pdf", "%PDF-1.4 d");
  ASSERT_TRUE(QFile::link(folder + "/nowhere", folder + "/broken.pdf"));
  ASSERT_TRUE(QFile::link(folder + "/nowhere2", folder + "/sub/gone.pdf"));

  ScriptedAlerts alerts;
  document->transfer()->importPdfFolder();
  QFileDialog* panel = document->transfer()->currentPanel();
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->fileMode(), QFileDialog::Directory);
  Accept(panel, folder);

  QStringList titles = EntryColumn(document, "title");
  titles.sort();
  // ".PDF" is a PDF's extension too.
  EXPECT_EQ(titles, QStringList({"a.pdf", "axp", "ayq", "b.PDF", "bxq", "d.pdf"}));
  ASSERT_EQ(alerts.asked.size(), 1u);
  const QString message = alerts.texts()[0];
  EXPECT_TRUE(message.startsWith(QStringLiteral("次の2件を読み込めませんでした。\n"))) << message.toStdString();
  EXPECT_TRUE(message.contains(folder + "/broken.pdf — ")) << message.toStdString();
  EXPECT_TRUE(message.contains(folder + "/sub/gone.pdf — ")) << message.toStdString();
}

// A metadata text file that is not UTF-8 refuses its PDF, listed with the
// other failures; a PDF whose name is not UTF-8 comes in under the name the
// system decodes it to, and a second message says so.
TEST_F(Transfer, FolderImportTellsOfTextThatIsNotUtf8) {
  FolianDocument* document = open(WorkedExample());
  ASSERT_NE(document, nullptr);
  const QString folder = dir.filePath(QStringLiteral("latin1"));
  WriteFile(folder + "/bad.pdf", "%PDF-1.4 bad");
  WriteFile(folder + "/bad.flx", "\n[fln_version] 0090\n[en_id] 1\n[en_title] caf\xe9\n");
  const std::string latin1 = QFile::encodeName(folder).toStdString() + "/caf\xe9.pdf";
  std::ofstream(latin1, std::ios::binary) << "%PDF-1.4 latin1";

  ScriptedAlerts alerts;
  document->transfer()->importPdfFolder();
  QFileDialog* panel = document->transfer()->currentPanel();
  ASSERT_NE(panel, nullptr);
  Accept(panel, folder);

  const QString decoded = QStringLiteral("caf\uFFFD.pdf");
  EXPECT_TRUE(EntryColumn(document, "title").contains(decoded));
  EXPECT_FALSE(EntryColumn(document, "title").contains(QStringLiteral("bad.pdf")));
  ASSERT_EQ(alerts.asked.size(), 2u);
  EXPECT_EQ(alerts.texts()[0], QStringLiteral("次の1件を読み込めませんでした。\n") + folder +
                                   QStringLiteral("/bad.pdf — 情報ファイル(.flx)がUTF-8のテキストではありません"));
  EXPECT_EQ(alerts.texts()[1],
            QStringLiteral("次の1件は、ファイル名がUTF-8ではないため、置き換えた名前で読み込みました。\n") + folder +
                QLatin1Char('/') + decoded);
}

TEST_F(Transfer, FolderImportCanBeCancelled) {
  FolianDocument* document = open(WorkedExample());
  ASSERT_NE(document, nullptr);
  const QString folder = dir.filePath(QStringLiteral("many"));
  for (int i = 0; i < 5; ++i) WriteFile(folder + QStringLiteral("/p%1.pdf").arg(i), "%PDF-1.4");
  document->transfer()->importPdfFolder();
  QFileDialog* panel = document->transfer()->currentPanel();
  ASSERT_NE(panel, nullptr);
  // The import keeps the event loop running: this runs during it.
  bool cancelled = false;
  QTimer::singleShot(0, document, [&] {
    auto* progress = document->mainWindow()->findChild<QProgressDialog*>();
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->labelText().left(6), QStringLiteral("1 / 5 "));
    progress->cancel();
    cancelled = true;
  });
  Accept(panel, folder);
  EXPECT_TRUE(cancelled);
  EXPECT_EQ(document->entryListModel()->rowCount(), 3);
  EXPECT_EQ(document->mainWindow()->findChild<QProgressDialog*>(), nullptr);
  // The window is usable again.
  ClickRow(document->folianCategory(1)->tableView(), 1);
  EXPECT_EQ(EntryColumn(document, "title"), QStringList({"axp", "ayq"}));
}

// An import that would take the library file past 4 GiB asks first whether
// to convert the library, naming what changes; "いいえ" imports nothing and
// leaves the file alone, "はい" converts it and imports.
TEST_F(Transfer, AnImportPast4GiBAsksToConvertTheLibraryFirst) {
  const QString folder = dir.filePath(QStringLiteral("big"));
  for (int i = 0; i < 3; ++i) WriteFile(folder + QStringLiteral("/%1.pdf").arg(i), "%PDF-1.4\n" + QByteArray(9000, 'a' + i));
  WriteLibrary(path(), WorkedExample());
  ASSERT_EQ(::truncate(QFile::encodeName(path()).constData(), (off_t{1} << 32) - 30000), 0);  // dead space, sparse
  FolianDocument* document = reopen();
  ASSERT_NE(document, nullptr);
  const QStringList before = EntryColumn(document, "title");

  for (const bool yes : {false, true}) {
    SCOPED_TRACE(yes ? "はい" : "いいえ");
    const qint64 size = QFileInfo(path()).size();
    ScriptedAlerts alerts;
    alerts.answers = {yes};
    document->transfer()->importPdfFolder();
    ASSERT_NE(document->transfer()->currentPanel(), nullptr);
    Accept(document->transfer()->currentPanel(), folder);
    ASSERT_GE(alerts.asked.size(), 1u);
    EXPECT_EQ(alerts.asked[0].kind, AlertRequest::Confirmation);
    const QString question = alerts.texts()[0];
    for (const char* part : {"4 GB を超えます", "新しい形式（64ビット）に変換", "古い版の Folian では開けなくなります",
                             "空き容量", "「いいえ」を選ぶと、何も読み込みません"})
      EXPECT_TRUE(question.contains(QString::fromUtf8(part))) << part << "\n" << question.toStdString();
    EXPECT_EQ(LibraryIsWide(path().toStdString()), yes);
    QStringList added = EntryColumn(document, "title");
    for (const QString& title : before) added.removeOne(title);
    added.sort();
    if (!yes) {
      EXPECT_TRUE(added.isEmpty());
      EXPECT_EQ(QFileInfo(path()).size(), size) << "nothing written";
      ASSERT_EQ(alerts.asked.size(), 2u);
      EXPECT_EQ(alerts.texts()[1], QStringLiteral("ライブラリを変換しなかったため、何も読み込みませんでした。"));
    } else {
      EXPECT_EQ(added, QStringList({"0.pdf", "1.pdf", "2.pdf"}));
      EXPECT_EQ(alerts.asked.size(), 1u) << alerts.texts().join("\n").toStdString();
    }
  }
  // The window still holds the converted file: no one else gets it, and what
  // it saves reaches the file.
  EXPECT_TRUE(LibraryLock::heldByOthers(path().toStdString(), nullptr));
  closeDocument(document);
  FLN_DATA reread;
  ASSERT_TRUE(ReadFlnDataFromFlnFile(QFile::encodeName(path()).constData(), &reread).ok());
  EXPECT_EQ(Tesk_Ary_GetSize(reread.entry), static_cast<int32_t>(before.size()) + 3);
  FreeFlnData(&reread);
}

TEST_F(Transfer, ExportChooserAndFiles) {
  FolianDocument* document = open(LibraryContents{});
  ASSERT_NE(document, nullptr);
  const QString folder = dir.filePath(QStringLiteral("src"));
  WriteFile(folder + "/one.pdf", "%PDF-1.4 one");
  WriteFile(folder + "/two.pdf", "%PDF-1.4 two");
  document->transfer()->importPdfFolder();
  Accept(document->transfer()->currentPanel(), folder);
  ASSERT_EQ(document->entryListModel()->rowCount(), 2);

  document->entryListBox()->selectAll();
  document->transfer()->exportPdfs();
  QFileDialog* panel = document->transfer()->currentPanel();
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->windowTitle(), QStringLiteral("選択"));
  EXPECT_EQ(panel->labelText(QFileDialog::Accept), QStringLiteral("選択"));
  EXPECT_EQ(panel->fileMode(), QFileDialog::Directory);
  const QString out = dir.filePath(QStringLiteral("out"));
  ASSERT_TRUE(QDir().mkpath(out));
  ScriptedAlerts alerts;
  Accept(panel, out);
  EXPECT_TRUE(alerts.asked.empty());
  QStringList written = QDir(out).entryList(QDir::Files);
  written.sort();
  EXPECT_EQ(written, QStringList({"one.flx", "one.pdf", "two.flx", "two.pdf"}));
  QFile exported(out + "/two.pdf");
  ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
  EXPECT_EQ(exported.readAll(), QByteArray("%PDF-1.4 two"));
}

TEST_F(Transfer, CancelledPanelsChangeNothing) {
  FolianDocument* document = open(WorkedExample());
  ASSERT_NE(document, nullptr);
  document->transfer()->importPdf();
  ASSERT_NE(document->transfer()->currentPanel(), nullptr);
  document->transfer()->currentPanel()->reject();
  EXPECT_EQ(document->transfer()->currentPanel(), nullptr);
  EXPECT_EQ(document->entryListModel()->rowCount(), 3);
}

}  // namespace
}  // namespace apptest
