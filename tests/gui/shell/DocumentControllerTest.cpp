// The application shell: the start window, opening, refusing and creating
// libraries, one window per library, and when the application ends.

#include <QFile>
#include <cstdio>
#include <QFileDialog>
#include <QSignalSpy>
#include <QTableView>

#include "WindowFixture.h"
#include "gui/library/LibraryMenus.h"
#include "gui/library/EntryListModel.h"
#include "gui/shell/StartWindow.h"
#include "library/FlnLibraryLock.h"
#include "library/FlnLoad.h"
#include "library/FlnNewLibrary.h"
#include "library/FlnPreference.h"
#include "storage/ZelFile.h"
#include "transfer/PdfImport.h"

namespace apptest {
namespace {

using DocumentController = WindowFixture;

QByteArray ReadFileBytes(const QString& path) {
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
  return file.readAll();
}

TEST_F(DocumentController, StartsWithTheStartWindowAndNoLibrary) {
  EXPECT_FALSE(controller->applicationShouldOpenUntitledFile());
  controller->start({});
  EXPECT_TRUE(controller->documents().empty());
  ASSERT_NE(controller->startWindow(), nullptr);
  EXPECT_TRUE(controller->startWindow()->isVisible());

  // Closing it with no library open ends the application.
  QSignalSpy terminate(controller.get(), &FolianDocumentController::applicationShouldTerminate);
  controller->startWindow()->close();
  EXPECT_EQ(terminate.count(), 1);
}

TEST_F(DocumentController, ALibraryOnTheCommandLineOpensDirectly) {
  WriteLibrary(path(), WorkedExample());
  controller->start({path()});
  ASSERT_EQ(controller->documents().size(), 1u);
  EXPECT_TRUE(controller->documents()[0]->mainWindow()->isVisible());
  EXPECT_TRUE(controller->startWindow() == nullptr || !controller->startWindow()->isVisible());
}

TEST_F(DocumentController, FilesThatAreNoLibraryAreRefused) {
  QFile text(path(QStringLiteral("notes.fln")));
  ASSERT_TRUE(text.open(QIODevice::WriteOnly));
  text.write("just some text, not a library");
  text.close();
  WriteLibrary(path(QStringLiteral("cut.fln")), WorkedExample());
  ASSERT_TRUE(QFile::resize(path(QStringLiteral("cut.fln")), 700));

  ScriptedAlerts alerts;
  EXPECT_EQ(controller->openDocumentWithContentsOfFile(path(QStringLiteral("notes.fln"))), nullptr);
  EXPECT_EQ(controller->openDocumentWithContentsOfFile(path(QStringLiteral("cut.fln"))), nullptr);
  EXPECT_EQ(controller->openDocumentWithContentsOfFile(path(QStringLiteral("missing.fln"))), nullptr);
  EXPECT_TRUE(controller->documents().empty());
  ASSERT_EQ(alerts.asked.size(), 3u);
  EXPECT_TRUE(alerts.texts()[0].startsWith(QStringLiteral("「notes.fln」はFolianのライブラリではありません。")))
      << alerts.texts()[0].toStdString();
  EXPECT_TRUE(alerts.texts()[1].startsWith(QStringLiteral("「cut.fln」は壊れているため開けません。")))
      << alerts.texts()[1].toStdString();
  EXPECT_TRUE(alerts.texts()[2].startsWith(QStringLiteral("「missing.fln」を開けません。"))) << alerts.texts()[2].toStdString();
  // The refused files are left as they were.
  EXPECT_EQ(QFileInfo(path(QStringLiteral("cut.fln"))).size(), 700);
}

TEST_F(DocumentController, ADamagedLibraryIsRefusedWithAnOfferToRecoverWhatItHolds) {
  // A library of two imported PDFs whose entry chain is broken after its first member.
  const QByteArray file = path().toUtf8();
  ASSERT_TRUE(CreateNewLibraryFile(file.constData()).ok());
  {
    FLN_DATA data;
    ASSERT_TRUE(ReadFlnDataFromFlnFile(file.constData(), &data).ok());
    for (const char* name : {"one.pdf", "two.pdf"}) {
      QFile pdf(path(QString::fromLatin1(name)));
      ASSERT_TRUE(pdf.open(QIODevice::WriteOnly));
      pdf.write(QByteArray("%PDF-1.4\n") + name + "\n%%EOF\n");
      pdf.close();
      ASSERT_EQ(ImportPDFFiles(&data, path(QString::fromLatin1(name)).toUtf8().constData(), nullptr, "", "", "")
                    .imported,
                1);
    }
    FreeFlnData(&data);
  }
  ZEL_FILE container;
  ASSERT_EQ(ZEL_Open(file.constData(), 1, &container), ZEL_OK);
  ASSERT_EQ(ZEL_FirstMember(&container, kTagEntry), ZEL_OK);
  const uint32_t firstEntry = container.current.position;
  ZEL_Close(&container);
  QFile damaged(path());
  ASSERT_TRUE(damaged.open(QIODevice::ReadWrite));
  ASSERT_TRUE(damaged.seek(firstEntry + zel::kNextMemberAt));
  damaged.write(QByteArray("\xF0\xFF\xFF\x0F", 4));
  damaged.close();
  const QByteArray before = ReadFileBytes(path());

  {
    ScriptedAlerts declined;  // "いいえ": nothing is written
    EXPECT_EQ(controller->openDocumentWithContentsOfFile(path()), nullptr);
    ASSERT_EQ(declined.asked.size(), 1u);
    EXPECT_EQ(declined.asked[0].kind, AlertRequest::Confirmation);
    EXPECT_TRUE(declined.texts()[0].startsWith(QStringLiteral("「lib.fln」は壊れているため開けません。")));
    EXPECT_TRUE(declined.texts()[0].contains(QStringLiteral("新しいライブラリを作りますか？")));
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("lib（復旧）.fln"))));
  }

  ScriptedAlerts alerts;
  alerts.answers = {true};
  FolianDocument* recovered = controller->openDocumentWithContentsOfFile(path());
  ASSERT_NE(recovered, nullptr);
  EXPECT_EQ(QFileInfo(recovered->fileName()).fileName(), QStringLiteral("lib（復旧）.fln"));
  ASSERT_EQ(alerts.asked.size(), 2u);
  EXPECT_EQ(alerts.texts()[1],
            QStringLiteral("「lib（復旧）.fln」にエントリ2件とそのPDFを書き出しました。\n失われたものはありません。"));
  QStringList titles = EntryColumn(recovered, "title");
  titles.sort();
  EXPECT_EQ(titles, QStringList({"one.pdf", "two.pdf"}));
  EXPECT_EQ(ReadFileBytes(path()), before) << "the damaged library is never changed";
  // A second recovery does not replace the first.
  EXPECT_EQ(RecoveredLibraryPath(path()), path(QStringLiteral("lib（復旧2）.fln")));
}

TEST_F(DocumentController, ALibraryIsOpenInOneWindowOnly) {
  FolianDocument* document = open(WorkedExample());
  ASSERT_NE(document, nullptr);
  ASSERT_TRUE(QFile::link(path(), path(QStringLiteral("alias.fln"))));
  EXPECT_EQ(controller->openDocumentWithContentsOfFile(path()), document);
  EXPECT_EQ(controller->openDocumentWithContentsOfFile(path(QStringLiteral("alias.fln"))), document);
  EXPECT_EQ(controller->documents().size(), 1u);
}

TEST_F(DocumentController, ALibraryLockedByAnotherHolderIsRefusedNamingIt) {
  WriteLibrary(path(), WorkedExample());
  const struct {
    LibraryLockMode mode;
    LibraryLockHolder holder;
    QString alert;
  } holders[] = {
      {LibraryLockMode::Exclusive, LibraryLockHolder::Window, QStringLiteral("「lib.fln」は別のFolianで開かれています。")},
      {LibraryLockMode::Exclusive, LibraryLockHolder::WritingCommand,
       QStringLiteral("「lib.fln」はfolian-cliが使用中です。終わってからもう一度開いてください。")},
      {LibraryLockMode::Shared, LibraryLockHolder::ReadingCommand,
       QStringLiteral("「lib.fln」はfolian-cliが使用中です。終わってからもう一度開いてください。")},
  };
  for (const auto& h : holders) {
    LibraryLock other;
    ASSERT_EQ(other.acquire(path().toStdString(), h.mode, h.holder), LibraryLockStatus::Held);
    ScriptedAlerts alerts;
    EXPECT_EQ(controller->openDocumentWithContentsOfFile(path()), nullptr);
    EXPECT_EQ(alerts.texts(), QStringList({h.alert}));
  }
  FolianDocument* opened = controller->openDocumentWithContentsOfFile(path());
  ASSERT_NE(opened, nullptr);
  // The window holds the library for as long as it is open.
  LibraryLock command;
  EXPECT_EQ(command.acquire(path().toStdString(), LibraryLockMode::Shared, LibraryLockHolder::ReadingCommand),
            LibraryLockStatus::Busy);
  EXPECT_EQ(command.busyHolder(), LibraryLockHolder::Window);
  closeDocument(opened);
  EXPECT_EQ(command.acquire(path().toStdString(), LibraryLockMode::Exclusive, LibraryLockHolder::WritingCommand),
            LibraryLockStatus::Held);
}

// A sync tool writes a new file and renames it over the open library: the
// window never writes its records into that file; it tells the user and
// shows the library as the file now holds it, holding the new file's lock.
TEST_F(DocumentController, ALibraryReplacedUnderneathIsOpenedAnewNotOverwritten) {
  FolianDocument* document = open(WorkedExample());
  ASSERT_NE(document, nullptr);
  ASSERT_EQ(Tesk_Ary_GetSize(document->flnData()->entry), 3);
  LibraryContents incoming;
  incoming.entries = {Entry("置き換えたファイルの本", "その他", "その他", "その他")};
  WriteLibrary(path(QStringLiteral("incoming.fln")), incoming);
  // rename(2) over the open file, as sync tools do (QFile::rename never replaces).
  ASSERT_EQ(std::rename(path(QStringLiteral("incoming.fln")).toLocal8Bit().constData(),
                        path().toLocal8Bit().constData()),
            0);
  QFile replaced(path());
  ASSERT_TRUE(replaced.open(QIODevice::ReadOnly));
  const QByteArray theirs = replaced.readAll();
  replaced.close();

  ScriptedAlerts alerts;
  EXPECT_FALSE(document->saveLibrary());  // what a click or a moved window does
  ASSERT_TRUE(replaced.open(QIODevice::ReadOnly));
  EXPECT_EQ(replaced.readAll(), theirs);
  replaced.close();
  QCoreApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

  ASSERT_EQ(alerts.texts().size(), 1);
  EXPECT_TRUE(alerts.texts()[0].startsWith(
      QStringLiteral("ライブラリ「lib.fln」は、ほかのプログラムによって置き換えられたか変更されたため")))
      << alerts.texts()[0].toStdString();
  ASSERT_EQ(controller->documents().size(), 1u);
  FolianDocument* reopened = controller->documents()[0];
  ASSERT_EQ(Tesk_Ary_GetSize(reopened->flnData()->entry), 1);
  LibraryLock probe;
  EXPECT_EQ(probe.acquire(path().toStdString(), LibraryLockMode::Shared, LibraryLockHolder::ReadingCommand),
            LibraryLockStatus::Busy);
  EXPECT_EQ(probe.busyHolder(), LibraryLockHolder::Window);
}

TEST_F(DocumentController, ClosingTheLastLibraryBringsTheStartWindowBack) {
  FolianDocument* first = open(WorkedExample(), QStringLiteral("one.fln"));
  FolianDocument* second = open(WorkedExample(), QStringLiteral("two.fln"));
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  closeDocument(first);
  EXPECT_TRUE(controller->startWindow() == nullptr || !controller->startWindow()->isVisible());
  closeDocument(second);
  ASSERT_NE(controller->startWindow(), nullptr);
  EXPECT_TRUE(controller->startWindow()->isVisible());
  // Both are offered again, the one opened last first.
  EXPECT_EQ(controller->startWindow()->recentLibraries(), QStringList({path("two.fln"), path("one.fln")}));
}

TEST_F(DocumentController, NewCreatesTheLibraryAndOpensIt) {
  controller->start({});
  controller->newDocument();
  QFileDialog* panel = controller->currentPanel();
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->acceptMode(), QFileDialog::AcceptSave);
  panel->setDirectory(dir.path());
  panel->selectFile(path(QStringLiteral("fresh.fln")));
  static_cast<QDialog*>(panel)->accept();
  ASSERT_EQ(controller->documents().size(), 1u);
  FolianDocument* document = controller->documents()[0];
  EXPECT_EQ(document->fileName(), path(QStringLiteral("fresh.fln")));
  EXPECT_EQ(CategoryRows(document, 1), QStringList({"＜すべて＞", "その他"}));
  EXPECT_FALSE(controller->startWindow()->isVisible());

  // New onto the file of the open library would destroy it: refused.
  ScriptedAlerts alerts;
  controller->createDocumentComplete(path(QStringLiteral("fresh.fln")));
  ASSERT_EQ(alerts.asked.size(), 1u);
  EXPECT_EQ(controller->documents().size(), 1u);

  // A library file that is not open is replaced by the new one.
  WriteLibrary(path(QStringLiteral("old.fln")), WorkedExample());
  controller->createDocumentComplete(path(QStringLiteral("old.fln")));
  ASSERT_EQ(controller->documents().size(), 2u);
  EXPECT_EQ(controller->documents()[1]->entryListModel()->rowCount(), 0);
  EXPECT_EQ(alerts.asked.size(), 1u);
}

TEST_F(DocumentController, OpenStartsInTheFolderOfTheLibraryOpenedLast) {
  const QString folder = dir.filePath(QStringLiteral("shelf"));
  ASSERT_TRUE(QDir().mkpath(folder));
  FolianDocument* document = open(WorkedExample(), QStringLiteral("shelf/lib.fln"));
  ASSERT_NE(document, nullptr);
  closeDocument(document);
  // As after a restart: the folder comes from the preference file.
  EXPECT_EQ(FolianDocumentController::openPanelStartFolder(), folder);
  controller->openDocument();
  QFileDialog* panel = controller->currentPanel();
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->directory().absolutePath(), folder);
  panel->selectFile(path(QStringLiteral("shelf/lib.fln")));
  static_cast<QDialog*>(panel)->accept();
  EXPECT_EQ(controller->documents().size(), 1u);
}

TEST_F(DocumentController, QuitClosesEveryLibraryWindowFirst) {
  FolianDocument* document = open(WorkedExample());
  ASSERT_NE(document, nullptr);
  ClickRow(document->entryListBox(), 0);
  QSignalSpy terminate(controller.get(), &FolianDocumentController::applicationShouldTerminate);
  document->menus()->quit->trigger();
  EXPECT_EQ(terminate.count(), 1);
  EXPECT_TRUE(controller->documents().empty());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  // The closing sequence saved the window's scroll positions.
  FolianDocument* reopened = reopen();
  ASSERT_NE(reopened, nullptr);
  EXPECT_FALSE(EnvironmentValue(reopened, kEnvEntryScrollPosition).isNull());
}

}  // namespace
}  // namespace apptest
