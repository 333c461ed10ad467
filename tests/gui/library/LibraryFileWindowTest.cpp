// The library file as a whole from the library window: merging another
// library into it, its facts and unused space, and compacting it.

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QTableView>
#include <string>
#include <vector>

#include "WindowFixture.h"
#include "gui/library/LibraryMenus.h"
#include "gui/library/TransferCommands.h"
#include "library/FlnLibraryLock.h"
#include "library/FlnLoad.h"
#include "transfer/PdfImport.h"

namespace apptest {
namespace {

using LibraryFile = WindowFixture;

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

// Imports the PDFs of `folder` into the library file at `path`, filed under
// `c1` / `c2` / `c3`, as a command would.
void ImportInto(const QString& path, const QString& folder, const char* c1, const char* c2, const char* c3) {
  FLN_DATA data;
  ASSERT_TRUE(ReadFlnDataFromFlnFile(path.toUtf8().constData(), &data).ok());
  const ImportResult result = ImportPDFFiles(&data, folder.toUtf8().constData(), nullptr, c1, c2, c3);
  FreeFlnData(&data);
  ASSERT_TRUE(result.failures.empty());
  ASSERT_GT(result.imported, 0);
}

QByteArray ReadFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Accept(QFileDialog* panel, const QString& chosen) {
  panel->setDirectory(QFileInfo(chosen).absolutePath());
  panel->selectFile(chosen);
  static_cast<QDialog*>(panel)->accept();
}

TEST_F(LibraryFile, MergingTakesInTheOtherLibrarysEntriesAlsoWhileItIsOpenInAnotherWindow) {
  QDir().mkpath(dir.filePath(QStringLiteral("theirs")));
  WriteFile(dir.filePath(QStringLiteral("theirs/first.pdf")), "%PDF-1.4\nfirst\n%%EOF\n");
  WriteFile(dir.filePath(QStringLiteral("theirs/second.pdf")), "%PDF-1.4\nsecond\n%%EOF\n");
  WriteLibrary(path(QStringLiteral("other.fln")), LibraryContents{});
  ImportInto(path(QStringLiteral("other.fln")), dir.filePath(QStringLiteral("theirs")), "論文", "2024", "英語");
  WriteFile(path(QStringLiteral("bad.fln")), QByteArray(600, 'x'));
  FolianDocument* other = reopen(QStringLiteral("other.fln"));
  ASSERT_NE(other, nullptr);
  const QByteArray otherBytes = ReadFile(path(QStringLiteral("other.fln")));
  FolianDocument* document = open(WorkedExample());
  ASSERT_NE(document, nullptr);
  EXPECT_TRUE(document->menus()->mergeLibraries->isEnabled());

  const struct {
    QString chosen;
    QString says;
    int entriesAfter;
  } cases[] = {
      // The reason in the window's language, never the library layer's English text.
      {path(QStringLiteral("bad.fln")),
       QStringLiteral("「bad.fln」を結合できません。何も読み込んでいません。\nFolianのライブラリではありません。"), 3},
      {path(QStringLiteral("other.fln")), QStringLiteral("「other.fln」のエントリ2件のうち2件を結合しました。"), 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.chosen.toStdString());
    document->menus()->mergeLibraries->trigger();
    QFileDialog* panel = document->transfer()->currentPanel();
    ASSERT_NE(panel, nullptr);
    ScriptedAlerts alerts;
    Accept(panel, c.chosen);
    ASSERT_FALSE(alerts.texts().isEmpty());
    EXPECT_TRUE(alerts.texts().front().startsWith(c.says)) << alerts.texts().join("|").toStdString();
    EXPECT_EQ(EntryColumn(document, "title").size(), c.entriesAfter);
  }
  EXPECT_TRUE(EntryColumn(document, "title").contains(QStringLiteral("second.pdf")));
  EXPECT_TRUE(CategoryRows(document, 1).contains(QStringLiteral("論文")));
  EXPECT_EQ(ReadFile(path(QStringLiteral("other.fln"))), otherBytes);
  // In the file too, once the window is gone.
  closeDocument(document);
  FLN_DATA reread;
  ASSERT_TRUE(ReadFlnDataFromFlnFile(path().toUtf8().constData(), &reread).ok());
  EXPECT_EQ(Tesk_Ary_GetSize(reread.entry), 5);
  EXPECT_EQ(Tesk_Ary_GetSize(reread.attachment), 2);
  FreeFlnData(&reread);
}

TEST_F(LibraryFile, TheInformationShowsTheUnusedSpaceThatCompactingGivesBack) {
  QDir().mkpath(dir.filePath(QStringLiteral("in")));
  for (int i = 0; i < 3; ++i)
    WriteFile(dir.filePath(QStringLiteral("in/%1.pdf").arg(i)), "%PDF-1.4\n" + QByteArray(20000 + i, 'a' + i));
  WriteLibrary(path(), LibraryContents{});
  ImportInto(path(), dir.filePath(QStringLiteral("in")), "その他", "その他", "その他");
  FolianDocument* document = reopen();
  ASSERT_NE(document, nullptr);
  const QStringList titles = EntryColumn(document, "title");
  ASSERT_EQ(titles.size(), 3);

  {
    ScriptedAlerts alerts;
    document->menus()->showLibraryInfo->trigger();
    ASSERT_EQ(alerts.texts().size(), 1);
    EXPECT_TRUE(alerts.texts()[0].contains(QStringLiteral("エントリ: 3件")));
    EXPECT_TRUE(alerts.texts()[0].contains(QStringLiteral("使われていない領域: 0 バイト（0 バイト）")))
        << alerts.texts()[0].toStdString();
  }
  {
    ScriptedAlerts alerts;
    alerts.answers = {true};
    ClickRow(document->entryListBox(), 0);
    document->menus()->deletePdfs->trigger();
  }
  const qint64 sizeBefore = QFileInfo(path()).size();
  {
    ScriptedAlerts alerts;
    document->menus()->showLibraryInfo->trigger();
    ASSERT_EQ(alerts.texts().size(), 1);
    EXPECT_TRUE(alerts.texts()[0].contains(QStringLiteral("（削除したエントリのPDF 1件を含みます）")))
        << alerts.texts()[0].toStdString();
    EXPECT_TRUE(alerts.texts()[0].contains(QStringLiteral("「ライブラリを最適化...」で取り除けます。")));
  }
  {
    // "いいえ" at the question changes nothing.
    ScriptedAlerts alerts;
    document->menus()->compactLibrary->trigger();
    ASSERT_EQ(alerts.asked.size(), 1u);
    EXPECT_EQ(alerts.asked[0].kind, AlertRequest::Confirmation);
    EXPECT_EQ(QFileInfo(path()).size(), sizeBefore);
  }
  const QStringList left = EntryColumn(document, "title");
  {
    ScriptedAlerts alerts;
    alerts.answers = {true};
    document->menus()->compactLibrary->trigger();
    ASSERT_EQ(alerts.texts().size(), 2);
    EXPECT_TRUE(alerts.texts()[1].startsWith(QStringLiteral("ライブラリ「lib.fln」を最適化しました。")))
        << alerts.texts()[1].toStdString();
  }
  EXPECT_LT(QFileInfo(path()).size(), sizeBefore - 20000);
  EXPECT_EQ(EntryColumn(document, "title"), left);
  // The window goes on with the new file: it is locked as the window's, and
  // the next change is saved into it.
  LibraryLockHolder holder = LibraryLockHolder::Unknown;
  EXPECT_TRUE(LibraryLock::heldByOthers(path().toStdString(), &holder));
  EXPECT_EQ(holder, LibraryLockHolder::Window);
  {
    ScriptedAlerts alerts;
    EXPECT_TRUE(document->saveLibrary());
    EXPECT_TRUE(alerts.texts().isEmpty()) << alerts.texts().join("|").toStdString();
  }
  {
    // The category lists read the rewritten library's names, not the ones
    // released with the old library: a delete lists the entries left.
    ScriptedAlerts alerts;
    alerts.answers = {true};
    ClickRow(document->entryListBox(), 0);
    document->menus()->deletePdfs->trigger();
    EXPECT_EQ(EntryColumn(document, "title"), left.mid(1));
  }
  closeDocument(document);
  EXPECT_FALSE(LibraryLock::heldByOthers(path().toStdString(), nullptr));
  FLN_DATA reread;
  ASSERT_TRUE(ReadFlnDataFromFlnFile(path().toUtf8().constData(), &reread).ok());
  EXPECT_EQ(Tesk_Ary_GetSize(reread.entry), left.size() - 1);
  FreeFlnData(&reread);
}

}  // namespace
}  // namespace apptest
