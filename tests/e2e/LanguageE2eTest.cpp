// The windows in English, as a user with an English locale meets them, and
// the --lang option over the locale. The English case keeps a screenshot of
// each main window in e2e-screenshots/.

#include <QDir>
#include <QRegularExpression>
#include <QThread>

#include "FolianSession.h"
#include "ScreenReading.h"
#include "TestLibraryFiles.h"

namespace e2e {
namespace {

using LanguageE2e = FolianSession;

QProcessEnvironment Locale(const char* lang) {
  QProcessEnvironment environment;
  environment.insert(QStringLiteral("LANG"), QString::fromLatin1(lang));
  return environment;
}

// Gives a window that just showed the time to draw what it shows.
void LetItDraw() { QThread::msleep(700); }

TEST_F(LanguageE2e, AnEnglishLocaleShowsEveryWindowInEnglish) {
  const QString library = path(QStringLiteral("english.fln"));
  const QString folder = path(QStringLiteral("papers"));
  ASSERT_TRUE(QDir().mkpath(folder));
  const QVector<TestDocument> documents = DistinctlySortedDocuments();
  ASSERT_TRUE(WriteDocuments(folder, documents));

  startFolian({}, Locale("en_US.UTF-8"));
  const QString start = TitleOf(QStringLiteral("Folian"));
  ASSERT_NE(desktop().waitForWindow(start), 0u) << "no start window";
  ASSERT_TRUE(desktop().waitForActiveWindow(start));
  LetItDraw();
  keepScreenshot(QStringLiteral("start-window"));

  // New: the file panel is titled in English.
  desktop().key(QStringLiteral("ctrl+n"));
  ASSERT_TRUE(desktop().waitForActiveWindow(QStringLiteral("New Library.*"))) << "no English panel for a new library";
  desktop().type(library);
  desktop().key(QStringLiteral("Return"));
  const qulonglong window = desktop().waitForWindow(LibraryTitle(library));
  ASSERT_NE(window, 0u);
  ASSERT_TRUE(desktop().waitForActiveWindow(LibraryTitle(library)));

  desktop().key(QStringLiteral("ctrl+shift+i"));
  ASSERT_TRUE(desktop().waitForActiveWindow(QStringLiteral("Import Folder.*"))) << "no English import panel";
  desktop().type(folder);
  desktop().key(QStringLiteral("Return"));
  ASSERT_TRUE(WaitUntil([&] { return listed(library).size() == documents.size(); }));
  ASSERT_TRUE(desktop().waitForActiveWindow(LibraryTitle(library)));

  std::optional<EntryListArea> area;
  ASSERT_TRUE(WaitUntil([&] { return (area = FindEntryList(desktop().screenshot(), desktop().clientGeometry(window))).has_value(); }));
  const QPoint firstRow(area->viewport.center().x(), area->viewport.top() + 6);
  desktop().click(firstRow);
  LetItDraw();
  keepScreenshot(QStringLiteral("library-window"));

  // The information window of the first row.
  const QString title = listed(library).value(0).value(1);
  desktop().key(QStringLiteral("alt+Return"));
  const QString infoTitle = TitleOf(QStringLiteral("Information: %1").arg(title));
  const qulonglong info = desktop().waitForWindow(infoTitle);
  ASSERT_NE(info, 0u) << "no English information window";
  LetItDraw();
  keepScreenshot(QStringLiteral("information-window"));
  clickCloseButton(info);
  ASSERT_TRUE(desktop().waitForNoWindow(infoTitle));

  // The viewer of the same row.
  desktop().activate(window);
  desktop().doubleClick(firstRow);
  const qulonglong viewer = desktop().waitForWindow(TitleOf(title));
  ASSERT_NE(viewer, 0u) << "no viewer";
  LetItDraw();
  keepScreenshot(QStringLiteral("viewer"));
}

TEST_F(LanguageE2e, LangOptionOverridesTheLocale) {
  const struct {
    const char* lang;
    QStringList arguments;
    const char* newPanel;
  } cases[] = {
      {"en_US.UTF-8", {QStringLiteral("--lang"), QStringLiteral("ja")}, "新規ライブラリ.*"},
      {"ja_JP.UTF-8", {QStringLiteral("--lang=en")}, "New Library.*"},
      {"ja_JP.UTF-8", {}, "新規ライブラリ.*"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.lang) + " " + c.arguments.join(' ').toStdString());
    startFolian(c.arguments, Locale(c.lang));
    const QString start = TitleOf(QStringLiteral("Folian"));
    ASSERT_NE(desktop().waitForWindow(start), 0u) << "no start window";
    ASSERT_TRUE(desktop().waitForActiveWindow(start));
    desktop().key(QStringLiteral("ctrl+n"));
    EXPECT_TRUE(desktop().waitForActiveWindow(QString::fromUtf8(c.newPanel)));
    desktop().key(QStringLiteral("Escape"));
    ASSERT_TRUE(desktop().waitForActiveWindow(start));
    // The next case starts another folian; this one ends with it.
  }
}

}  // namespace
}  // namespace e2e
