// The commands of the library window: which are enabled when, the delete
// confirmation, the category commands through the menus with their dialogs,
// the commands without library work and a save that fails.

#include <QAction>
#include <QDialog>
#include <QComboBox>
#include <QFile>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <cerrno>
#include <cstring>

#include "WindowFixture.h"
#include "gui/entry/EntryDlg.h"
#include "gui/library/EntryListModel.h"
#include "gui/library/ChildWindowRegistry.h"
#include "gui/library/LibraryMenus.h"
#include "gui/library/CategoryLevelPane.h"
#include "library/FlnCategoryTable.h"
#include "library/FlnLoad.h"
#include "storage/FileIo.h"

namespace apptest {
namespace {

using Commands = WindowFixture;

QByteArray ReadFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int EntriesInFile(const QString& path) {
  FLN_DATA data;
  if (!ReadFlnDataFromFlnFile(path.toUtf8().constData(), &data).ok()) return -1;
  const int count = Tesk_Ary_GetSize(data.entry);
  FreeFlnData(&data);
  return count;
}

TEST_F(Commands, EnablingFollowsTheEntrySelection) {
  FolianDocument* document = open(WorkedExample());
  ASSERT_NE(document, nullptr);
  const LibraryMenus* m = document->menus();
  QAction* const needSelection[] = {m->exportPdfs, m->deselectAll, m->deletePdfs, m->changeCategoryName,
                                    m->openPdf, m->showInfo};
  QAction* const always[] = {m->importPdf, m->importPdfFolder, m->saveCopy, m->editCategoryLabel,
                             m->addCategory[0], m->deleteCategory[2], m->renameCategory[1], m->selectAll,
                             m->mergeLibraries, m->showLibraryInfo, m->compactLibrary};
  QAction* const never[] = {m->print, m->pageSetup, m->extractPdf, m->newGroup};
  // Selecting and clearing again: the enabled state follows the list's
  // selection signals, with no menu opened in between.
  for (bool selected : {false, true, false}) {
    if (selected)
      ClickRow(document->entryListBox(), 0);
    else
      document->entryListBox()->clearSelection();
    for (QAction* item : needSelection) EXPECT_EQ(item->isEnabled(), selected) << item->text().toStdString();
    for (QAction* item : always) EXPECT_TRUE(item->isEnabled()) << item->text().toStdString();
    for (QAction* item : never) EXPECT_FALSE(item->isEnabled()) << item->text().toStdString();
  }
}

TEST_F(Commands, UsualShortcuts) {
  FolianDocument* document = open(WorkedExample());
  ASSERT_NE(document, nullptr);
  const LibraryMenus* m = document->menus();
  const struct {
    QAction* item;
    QKeySequence keys;
  } cases[] = {{m->newDocument, QKeySequence(Qt::CTRL | Qt::Key_N)},   {m->openDocument, QKeySequence(Qt::CTRL | Qt::Key_O)},
               {m->closeDocument, QKeySequence(Qt::CTRL | Qt::Key_W)}, {m->quit, QKeySequence(Qt::CTRL | Qt::Key_Q)},
               {m->selectAll, QKeySequence(Qt::CTRL | Qt::Key_A)},     {m->deletePdfs, QKeySequence(Qt::Key_Delete)}};
  for (const auto& c : cases) EXPECT_TRUE(c.item->shortcuts().contains(c.keys)) << c.item->text().toStdString();

  document->entryListBox()->setFocus();
  QTest::keyClick(document->mainWindow(), Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(document->selectedEntryRows(), (std::vector<int>{0, 1, 2}));
}

TEST_F(Commands, ReturnAtTheDeleteConfirmationDeletesNothing) {
  FolianDocument* document = open(WorkedExample());
  ASSERT_NE(document, nullptr);
  ClickRow(document->entryListBox(), 1);
  QString question;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QString defaultButton;
  AnswerNextModal([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    question = box->text();
    icon = box->icon();
    defaultButton = box->defaultButton()->text();
    QTest::keyClick(box, Qt::Key_Return);
  });
  document->entryListBox()->setFocus();
  QTest::keyClick(document->entryListBox(), Qt::Key_Delete);
  EXPECT_EQ(question, QStringLiteral("「ayq」を削除してもよろしいですか？"));
  EXPECT_EQ(icon, QMessageBox::Critical);
  EXPECT_EQ(defaultButton, QStringLiteral("いいえ"));
  EXPECT_EQ(document->entryListModel()->rowCount(), 3);
  EXPECT_EQ(EntriesInFile(path()), 3);
}

TEST_F(Commands, YesDeletesTheSelectedEntries) {
  FolianDocument* document = open(WorkedExample());
  ASSERT_NE(document, nullptr);
  ClickRow(document->entryListBox(), 0);
  QTest::mouseClick(document->entryListBox()->viewport(), Qt::LeftButton, Qt::ControlModifier,
                    document->entryListBox()->visualRect(document->entryListModel()->index(2, 0)).center());
  ScriptedAlerts alerts;
  alerts.answers = {true};
  document->menus()->deletePdfs->trigger();
  EXPECT_EQ(alerts.texts(),
            QStringList({QStringLiteral("選択している2件のPDFを削除してもよろしいですか？\n\n「axp」\n「bxq」")}));
  EXPECT_EQ(EntryColumn(document, "title"), QStringList({"ayq"}));
  EXPECT_TRUE(document->selectedEntryRows().empty());
  EXPECT_EQ(document->entryCountLabel()->text(), QStringLiteral("1件"));
  EXPECT_EQ(EntriesInFile(path()), 1);
}

// A deletion the disk refuses: the alert names the reason that the
// deletion's own save met, as any failed save's alert does.
TEST_F(Commands, ADeletionOnAFullDiskSaysWhy) {
  FolianDocument* document = open(WorkedExample());
  ASSERT_NE(document, nullptr);
  ClickRow(document->entryListBox(), 0);
  const QByteArray before = ReadFile(path());
  ScriptedAlerts alerts;
  alerts.answers = {true};
  FileFaults::failWrite(1, FileFaults::Kind::FromThenOn, ENOSPC);
  document->menus()->deletePdfs->trigger();
  FileFaults::reset();
  ASSERT_EQ(alerts.texts().size(), 2);
  EXPECT_EQ(alerts.texts()[1], QStringLiteral("ライブラリ「lib.fln」に保存できませんでした。変更はファイルに書き込まれていません。\n"
                                               "ディスクの空き容量が足りません（%1）。")
                                    .arg(QString::fromLocal8Bit(std::strerror(ENOSPC))));
  EXPECT_EQ(ReadFile(path()), before);
}

TEST_F(Commands, AddingACategoryThroughItsDialog) {
  FolianDocument* document = open(WorkedExample());
  ASSERT_NE(document, nullptr);
  ClickRow(document->folianCategory(3)->tableView(), 2);  // Q
  QString caption;
  AnswerNextModal([&](QWidget* modal) {
    caption = modal->findChild<QLabel*>(QStringLiteral("txtCategoryLabel"))->text();
    modal->findChild<QLineEdit*>(QStringLiteral("editCategoryName"))->setText(QStringLiteral("Z"));
    modal->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
  });
  document->menus()->addCategory[1]->trigger();
  EXPECT_EQ(caption, QStringLiteral("分類２"));
  // The new name joins the current choices, "＜すべて＞" on level 1 becoming "その他".
  EXPECT_EQ(IsCatsExists(document->flnData()->catsAry, "その他", "Z", "Q"), 1);
  EXPECT_TRUE(CategoryRows(document, 2).contains(QStringLiteral("Z")));
  EXPECT_EQ(document->folianCategory(2)->getSelectedCategoryName(), "＜すべて＞");
}

TEST_F(Commands, DeletingACategoryIsRefusedOrConfirmed) {
  LibraryContents contents = WorkedExample();
  contents.triples.push_back({"A", "W", "P"});  // W: a name no entry carries
  FolianDocument* document = open(contents);
  ASSERT_NE(document, nullptr);
  ScriptedAlerts alerts;
  document->menus()->deleteCategory[1]->trigger();  // "＜すべて＞" is selected
  ClickRow(document->folianCategory(2)->tableView(), CategoryRows(document, 2).indexOf(QStringLiteral("X")));
  document->menus()->deleteCategory[1]->trigger();
  alerts.answers = {true};
  ClickRow(document->folianCategory(2)->tableView(), CategoryRows(document, 2).indexOf(QStringLiteral("W")));
  document->menus()->deleteCategory[1]->trigger();
  EXPECT_EQ(alerts.texts(), QStringList({QStringLiteral("”＜すべて＞”と”その他”は削除できません。"),
                                         QStringLiteral("「X」は使用中です。削除できません。"),
                                         QStringLiteral("「W」を削除してもよろしいですか？")}));
  EXPECT_FALSE(CategoryRows(document, 2).contains(QStringLiteral("W")));
  EXPECT_EQ(document->folianCategory(2)->selectedRow(), 0);
  EXPECT_EQ(EntryColumn(document, "title").size(), 3);
}

TEST_F(Commands, RenamingACategoryReachesTheListsTheEntriesAndAnOpenInformationWindow) {
  FolianDocument* document = open(WorkedExample());
  ASSERT_NE(document, nullptr);
  ClickRow(document->folianCategory(1)->tableView(), CategoryRows(document, 1).indexOf(QStringLiteral("A")));
  ClickRow(document->entryListBox(), EntryColumn(document, "title").indexOf(QStringLiteral("axp")));
  document->showInfo();
  FLN_ENTRY shown;
  ASSERT_EQ(GetFLNEntry_ByFLNData(document->flnData(), 0, &shown), 1);
  EntryDlg* info = document->childWindows()->entryWindow(shown);
  ASSERT_NE(info, nullptr);
  QComboBox* infoCat1 = info->window()->findChild<QComboBox*>(QStringLiteral("comboCat1"));
  ASSERT_NE(infoCat1, nullptr);
  EXPECT_EQ(infoCat1->currentText(), QStringLiteral("A"));

  QString offered;
  AnswerNextModal([&](QWidget* modal) {
    auto* dialog = qobject_cast<QInputDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    offered = dialog->textValue();
    dialog->setTextValue(QStringLiteral("甲"));
    dialog->accept();
  });
  document->menus()->renameCategory[0]->trigger();
  EXPECT_EQ(offered, QStringLiteral("A"));
  // A level's own choice does not narrow its own list.
  EXPECT_EQ(CategoryRows(document, 1), QStringList({QStringLiteral("＜すべて＞"), QStringLiteral("B"),
                                                    QStringLiteral("甲"), QStringLiteral("その他")}));
  EXPECT_EQ(document->folianCategory(1)->getSelectedCategoryName(), "甲");
  EXPECT_EQ(EntryColumn(document, "title"), QStringList({QStringLiteral("axp"), QStringLiteral("ayq")}));
  EXPECT_EQ(EntryColumn(document, "cat1"), QStringList({QStringLiteral("甲"), QStringLiteral("甲")}));
  EXPECT_EQ(infoCat1->currentText(), QStringLiteral("甲"));
  EXPECT_EQ(EnvironmentValue(document, kEnvCat1ListSelection), QStringLiteral("甲"));

  // The file holds it, and a name the level has is refused with the reason.
  FLN_DATA stored;
  ASSERT_TRUE(ReadFlnDataFromFlnFile(path().toUtf8().constData(), &stored).ok());
  EXPECT_EQ(IsCatsExists(stored.catsAry, "甲", "X", "P"), 1);
  EXPECT_EQ(IsCatsExists(stored.catsAry, "A", "X", "P"), 0);
  FreeFlnData(&stored);
  ScriptedAlerts alerts;
  AnswerNextModal([](QWidget* modal) {
    qobject_cast<QInputDialog*>(modal)->setTextValue(QStringLiteral("B"));
    qobject_cast<QInputDialog*>(modal)->accept();
  });
  document->menus()->renameCategory[0]->trigger();
  EXPECT_EQ(alerts.texts(), QStringList({QStringLiteral("「B」は、すでに登録されています。")}));
  EXPECT_EQ(document->folianCategory(1)->getSelectedCategoryName(), "甲");
}

TEST_F(Commands, EditedLabelsHeadTheListsAndColumns) {
  FolianDocument* document = open(WorkedExample());
  ASSERT_NE(document, nullptr);
  AnswerNextModal([](QWidget* modal) {
    modal->findChild<QLineEdit*>(QStringLiteral("editCategory2"))->setText(QStringLiteral("<i>著者別</i>"));
    modal->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
  });
  document->menus()->editCategoryLabel->trigger();
  EXPECT_EQ(document->folianCategory(2)->title(), QStringLiteral("<i>著者別</i>"));
  EXPECT_EQ(document->folianCategory(2)->titleLabel()->textFormat(), Qt::PlainText);
  EXPECT_EQ(document->entryListModel()->headerData(EntryListModel::columnOf("cat2"), Qt::Horizontal).toString(),
            QStringLiteral("<i>著者別</i>"));
  EXPECT_TRUE(document->menus()->addCategory[1]->text().contains(QStringLiteral("<i>著者別</i>")));
}

QStringList gLogged;
void KeepLogLine(QtMsgType, const QMessageLogContext&, const QString& message) { gLogged << message; }

// Scripts and end-to-end tests find a command by its object name: each name
// belongs to exactly the one action the menus hold for that command.
TEST_F(Commands, EachCommandIsFoundByItsName) {
  FolianDocument* document = open(WorkedExample());
  ASSERT_NE(document, nullptr);
  const LibraryMenus* m = document->menus();
  const struct {
    const char* name;
    QAction* action;
  } commands[] = {
      {"newDocument", m->newDocument},       {"openDocument", m->openDocument},
      {"performClose", m->closeDocument},    {"saveNewFile", m->saveCopy},
      {"openPDF", m->openPdf},               {"showInfo", m->showInfo},
      {"openWithApplication", m->openWithApplication}, {"showInFileManager", m->showInFileManager},
      {"importPdf", m->importPdf},           {"importPdfFolder", m->importPdfFolder},
      {"savePdfPanel", m->exportPdfs},       {"mergeFlnFile", m->mergeLibraries},
      {"showLibraryInfo", m->showLibraryInfo}, {"compactLibrary", m->compactLibrary},
      {"extractPDF", m->extractPdf},         {"newGroup", m->newGroup},
      {"runPageLayout", m->pageSetup},       {"printDocument", m->print},
      {"terminate", m->quit},                {"selectAll", m->selectAll},
      {"deselectAll", m->deselectAll},       {"refillTitlesFromPdfs", m->refillTitlesFromPdfs},
      {"deletePDF", m->deletePdfs},          {"addCategory1", m->addCategory[0]},
      {"addCategory3", m->addCategory[2]},   {"deleteCategory2", m->deleteCategory[1]},
      {"renameCategory1", m->renameCategory[0]}, {"renameCategory3", m->renameCategory[2]},
      {"changeCategoryName", m->changeCategoryName}, {"editCategoryLabel", m->editCategoryLabel},
      {"showHelp", m->showHelp},
  };
  for (const auto& command : commands) {
    ASSERT_NE(command.action, nullptr) << command.name;
    const QList<QAction*> found = document->mainWindow()->findChildren<QAction*>(QString::fromLatin1(command.name));
    EXPECT_EQ(found, QList<QAction*>{command.action}) << command.name;
  }
}

TEST_F(Commands, CommandsWithoutAFunctionStayGreyAndSilent) {
  FolianDocument* document = open(WorkedExample());
  ASSERT_NE(document, nullptr);
  // With an entry selected, as when a user reaches for the menu.
  ClickRow(document->entryListBox(), 0);
  QFile file(path());
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  file.close();
  ScriptedAlerts alerts;
  gLogged.clear();
  const QtMessageHandler previous = qInstallMessageHandler(KeepLogLine);
  for (QAction* item : {document->menus()->extractPdf, document->menus()->newGroup}) {
    // Still in the menu, so that the user sees what is to come.
    EXPECT_FALSE(item->text().isEmpty());
    EXPECT_FALSE(item->associatedObjects().isEmpty());
    for (QMenu* menu : document->mainWindow()->findChildren<QMenu*>()) emit menu->aboutToShow();
    EXPECT_FALSE(item->isEnabled()) << item->text().toStdString();
    item->trigger();
  }
  qInstallMessageHandler(previous);
  EXPECT_TRUE(alerts.asked.empty());
  EXPECT_TRUE(gLogged.isEmpty()) << gLogged.join(QLatin1Char('\n')).toStdString();
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), bytes);  // the library is untouched
}

TEST_F(Commands, AFailedSaveIsShownOnce) {
  FolianDocument* document = open(WorkedExample());
  ASSERT_NE(document, nullptr);
  ASSERT_TRUE(QFile::remove(path()));
  ScriptedAlerts alerts;
  ClickRow(document->folianCategory(1)->tableView(), 1);
  ClickRow(document->folianCategory(1)->tableView(), 2);
  ASSERT_EQ(alerts.asked.size(), 1u);
  EXPECT_EQ(alerts.texts()[0], QStringLiteral("ライブラリ「lib.fln」に保存できませんでした。変更はファイルに書き込まれていません。\n"
                                               "ファイルを開けませんでした（%1）。")
                                    .arg(QString::fromLocal8Bit(std::strerror(ENOENT))));
}

// A save the disk refuses: the alert says why, with the system's own text;
// the library file keeps every byte it had, and the next choice is saved.
TEST_F(Commands, AFailedSaveSaysWhy) {
  const struct {
    int error;
    const char* reason;  // %1: the system's text for the error
  } cases[] = {
      {ENOSPC, "ディスクの空き容量が足りません（%1）。"},
      {EIO, "ファイルの読み書きに失敗しました（%1）。"},
      {EACCES, "ファイルの読み書きに失敗しました（%1）。"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reason);
    FolianDocument* document = open(WorkedExample());
    ASSERT_NE(document, nullptr);
    const QByteArray before = ReadFile(path());
    ScriptedAlerts alerts;
    FileFaults::failWrite(1, FileFaults::Kind::FromThenOn, c.error);
    ClickRow(document->folianCategory(1)->tableView(), 1);  // the choice is saved
    FileFaults::reset();
    ASSERT_EQ(alerts.asked.size(), 1u);
    EXPECT_EQ(alerts.texts()[0],
              QStringLiteral("ライブラリ「lib.fln」に保存できませんでした。変更はファイルに書き込まれていません。\n") +
                  QString::fromUtf8(c.reason).arg(QString::fromLocal8Bit(std::strerror(c.error))));
    EXPECT_EQ(ReadFile(path()), before);

    ClickRow(document->folianCategory(1)->tableView(), 2);
    EXPECT_EQ(alerts.asked.size(), 1u);
    EXPECT_NE(ReadFile(path()), before);
    closeDocument(document);
  }
}

}  // namespace
}  // namespace apptest
