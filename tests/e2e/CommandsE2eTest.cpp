// What a user meets in the menus and the import report, through the real
// program on a real display.

#include <QDir>
#include <QFile>
#include <iterator>

#include "FolianSession.h"
#include "ScreenReading.h"
#include "TestLibraryFiles.h"

namespace e2e {
namespace {

using CommandsE2e = FolianSession;

// The File menu's lines, top to bottom, and which are greyed out when no
// entry is selected: only what has a function and needs no selection is on.
struct MenuLineCase {
  const char* text;
  bool greyed;
};
constexpr MenuLineCase kFileMenu[] = {
    {"新規ライブラリ...", false}, {"開く...", false},      {"閉じる", false},        {"コピーを保存...", false},
    {"PDFを開く", true},          {"情報を見る", true},    {"別のアプリケーションで開く", true},
    {"ファイルの場所を表示", true}, {"PDFを読み込む...", false},
    {"フォルダから一括読み込み...", false},                {"PDFを書き出す...", true},
    {"ライブラリを結合...", false}, {"ライブラリの情報...", false}, {"ライブラリを最適化...", false},
    {"PDFを抽出", true},          {"新規グループ", true},  {"ページ設定...", true},
    {"印刷...", true},            {"終了", false}};

TEST_F(CommandsE2e, CommandsWithoutAFunctionAreGreyedOutAndSilent) {
  const QString library = path(QStringLiteral("menus.fln"));
  const qulonglong window = openNewLibrary(library);
  ASSERT_NE(window, 0u);
  const QRect client = desktop().clientGeometry(window);
  const QStringList before = desktop().windowTitles();

  // The menu opens under the pointer's click on its title; the pointer stays
  // on the title, so that no line is highlighted.
  const QImage closed = desktop().screenshot();
  desktop().click(client.topLeft() + QPoint(25, 10));
  QRect menu;
  ASSERT_TRUE(WaitUntil([&] {
    const QImage open = desktop().screenshot();
    // The popup is what changed below the menu bar.
    QRect changed;
    for (int y = client.top() + 22; y < open.height(); ++y)
      for (int x = client.left(); x < std::min(open.width(), client.right()); ++x)
        if (open.pixel(x, y) != closed.pixel(x, y)) changed |= QRect(x, y, 1, 1);
    menu = changed;
    return changed.height() > 200;
  })) << "the File menu did not open";
  const QVector<MenuLine> lines = MenuLines(desktop().screenshot(), menu);
  ASSERT_EQ(lines.size(), static_cast<int>(std::size(kFileMenu)));
  for (int i = 0; i < lines.size(); ++i)
    EXPECT_EQ(lines[i].greyed, kFileMenu[i].greyed) << kFileMenu[i].text;

  // A click on a greyed line does nothing: no message, no window.
  for (int i = 14; i <= 16; ++i) desktop().click(lines[i].band.center());
  desktop().key(QStringLiteral("Escape"));
  EXPECT_FALSE(WaitUntil([&] { return desktop().windowTitles().size() > before.size(); }, 1500))
      << desktop().windowTitles().join(QStringLiteral(" | ")).toStdString();
  EXPECT_TRUE(folianRuns());
}

TEST_F(CommandsE2e, FolderImportTakesEveryCaseAndNamesWhatIsNoPdf) {
  const QString folder = path(QStringLiteral("mixed"));
  ASSERT_TRUE(QDir().mkpath(folder));
  // Different bytes each, so that none is taken for another's copy.
  const struct {
    const char* name;
    QByteArray bytes;
    bool isPdf;
  } files[] = {{"one.pdf", MakeColourPdf({Qt::red}, 10), true},
               {"two.PDF", MakeColourPdf({Qt::red}, 20), true},
               {"three.Pdf", MakeColourPdf({Qt::red}, 30), true},
               {"notes.pdf", "just some notes\n", false},
               {"empty.PDF", QByteArray(), false}};
  for (const auto& file : files) {
    QFile out(QDir(folder).filePath(QString::fromLatin1(file.name)));
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    ASSERT_EQ(out.write(file.bytes), file.bytes.size());
  }
  const QString library = path(QStringLiteral("import.fln"));
  ASSERT_NE(openNewLibrary(library), 0u);
  importFolder(folder);

  // Every file is stored, whatever its extension's case.
  ASSERT_TRUE(WaitUntil([&] { return listed(library).size() == static_cast<int>(std::size(files)); }))
      << "entries: " << listed(library).size();
  QStringList names;
  for (const ListedEntry& entry : listed(library)) names << entry.value(5);
  for (const auto& file : files) EXPECT_TRUE(names.contains(QString::fromLatin1(file.name))) << file.name;

  // The report names the files that are no PDF, and only those. Its text is
  // selected and copied as a user would (a click into it, Ctrl+A, Ctrl+C),
  // and read from the clipboard.
  const qulonglong report = desktop().waitForWindow(TitleOf(QStringLiteral("Folian")));
  ASSERT_NE(report, 0u) << "no report";
  ASSERT_TRUE(desktop().waitForActiveWindow(TitleOf(QStringLiteral("Folian"))));
  const QRect box = desktop().clientGeometry(report);
  desktop().click(QPoint(box.center().x(), box.top() + 25));
  desktop().key(QStringLiteral("ctrl+a"));
  desktop().key(QStringLiteral("ctrl+c"));
  QString text;
  EXPECT_TRUE(WaitUntil([&] {
    text = desktop().clipboardText();
    return !text.isEmpty();
  }));
  EXPECT_TRUE(text.contains(QStringLiteral("PDFではありません"))) << text.toStdString();
  for (const auto& file : files)
    EXPECT_EQ(text.contains(QString::fromLatin1(file.name)), !file.isPdf) << file.name << "\n" << text.toStdString();
  desktop().key(QStringLiteral("Return"));
  EXPECT_TRUE(desktop().waitForActiveWindow(LibraryTitle(library)));
}

TEST_F(CommandsE2e, AnOpenLibraryRefusesFolianCliFromAProcessWithoutTheSessionsEnvironment) {
  const QString pdf = path(QStringLiteral("one.pdf"));
  QFile out(pdf);
  ASSERT_TRUE(out.open(QIODevice::WriteOnly));
  out.write(MakeColourPdf({Qt::red}));
  out.close();
  const QString library = path(QStringLiteral("locked.fln"));
  const qulonglong window = openNewLibrary(library);
  ASSERT_NE(window, 0u);

  // env -i: no HOME, no XDG_RUNTIME_DIR, no display; the lock is still met,
  // and the library is left as it was.
  QFile file(library);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray before = file.readAll();
  file.close();
  for (const QStringList& command : {QStringList{QStringLiteral("import"), library, pdf},
                                     QStringList{QStringLiteral("list"), library}}) {
    const CliRun refused = cli(command, true);
    EXPECT_EQ(refused.exitCode, 1) << command.first().toStdString() << ": " << refused.err.toStdString();
    EXPECT_TRUE(refused.err.contains(QStringLiteral("open in a Folian window"))) << refused.err.toStdString();
  }
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), before);
  file.close();

  // Once the window is closed the same command goes through.
  desktop().key(QStringLiteral("ctrl+w"));
  ASSERT_TRUE(desktop().waitForNoWindow(LibraryTitle(library)));
  ASSERT_TRUE(WaitUntil([&] { return cli({QStringLiteral("import"), library, pdf}, true).exitCode == 0; }))
      << "the library stays locked after its window closed";
  EXPECT_EQ(listed(library).size(), 1);
}

}  // namespace
}  // namespace e2e
