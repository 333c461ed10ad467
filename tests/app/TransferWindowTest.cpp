// Import, export and copy from the library window: the import panel with its
// category boxes, the folder import's progress and failure list, the
// remembered folders, and the export folder chooser.

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QProgressDialog>
#include <QTableView>
#include <QTimer>

#include "WindowFixture.h"
#include "app/EntryListModel.h"
#include "app/FolianCategory.h"
#include "library/FlnLoad.h"

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

TEST_F(Transfer, ImportPanelOffersTheCategoriesPresetToTheChoices) {
  FolianDocument* document = open(WorkedExample());
  ASSERT_NE(document, nullptr);
  ClickRow(document->folianCategory(1)->tableView(), 2);  // B
  document->importPdf();
  QFileDialog* panel = document->currentPanel();
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
  EXPECT_EQ(document->currentPanel(), nullptr);
  // Listed under the current choices (B, ＜すべて＞, ＜すべて＞).
  EXPECT_EQ(EntryColumn(document, "title"), QStringList({"bxq", "paper.pdf"}));
  const int row = EntryColumn(document, "title").indexOf(QStringLiteral("paper.pdf"));
  EXPECT_EQ(EntryColumn(document, "cat2")[row], QStringLiteral("新しい分類"));
  EXPECT_EQ(EntryColumn(document, "cat3")[row], QStringLiteral("その他"));

  // The next single-file import starts in that folder, also after reopening.
  closeDocument(document);
  document = reopen();
  ASSERT_NE(document, nullptr);
  document->importPdf();
  ASSERT_NE(document->currentPanel(), nullptr);
  EXPECT_EQ(document->currentPanel()->directory().absolutePath(), QFileInfo(pdf).absolutePath());
  document->currentPanel()->reject();
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
    document->importPdf();
    QFileDialog* panel = document->currentPanel();
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
  document->importPdfIkkatsu();
  QFileDialog* panel = document->currentPanel();
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->fileMode(), QFileDialog::Directory);
  Accept(panel, folder);

  QStringList titles = EntryColumn(document, "title");
  titles.sort();
  EXPECT_EQ(titles, QStringList({"a.pdf", "axp", "ayq", "bxq", "d.pdf"}));
  ASSERT_EQ(alerts.asked.size(), 1u);
  const QString message = alerts.texts()[0];
  EXPECT_TRUE(message.startsWith(QStringLiteral("次の2件を読み込めませんでした。\n"))) << message.toStdString();
  EXPECT_TRUE(message.contains(folder + "/broken.pdf — ")) << message.toStdString();
  EXPECT_TRUE(message.contains(folder + "/sub/gone.pdf — ")) << message.toStdString();
}

TEST_F(Transfer, FolderImportCanBeCancelled) {
  FolianDocument* document = open(WorkedExample());
  ASSERT_NE(document, nullptr);
  const QString folder = dir.filePath(QStringLiteral("many"));
  for (int i = 0; i < 5; ++i) WriteFile(folder + QStringLiteral("/p%1.pdf").arg(i), "%PDF-1.4");
  document->importPdfIkkatsu();
  QFileDialog* panel = document->currentPanel();
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

TEST_F(Transfer, ExportChooserAndFiles) {
  FolianDocument* document = open(LibraryContents{});
  ASSERT_NE(document, nullptr);
  const QString folder = dir.filePath(QStringLiteral("src"));
  WriteFile(folder + "/one.pdf", "%PDF-1.4 one");
  WriteFile(folder + "/two.pdf", "%PDF-1.4 two");
  document->importPdfIkkatsu();
  Accept(document->currentPanel(), folder);
  ASSERT_EQ(document->entryListModel()->rowCount(), 2);

  document->entryListBox()->selectAll();
  document->savePdfPanel();
  QFileDialog* panel = document->currentPanel();
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
  document->importPdf();
  ASSERT_NE(document->currentPanel(), nullptr);
  document->currentPanel()->reject();
  EXPECT_EQ(document->currentPanel(), nullptr);
  EXPECT_EQ(document->entryListModel()->rowCount(), 3);
}

}  // namespace
}  // namespace apptest
