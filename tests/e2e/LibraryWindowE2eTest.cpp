// A user's first session with Folian, through the real program on a real
// display: a new library, a folder import, every column header, rows, the
// viewer and the information window, a category reassignment, and the
// library closed and opened again.

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QThread>
#include <algorithm>

#include "FolianSession.h"
#include "ScreenReading.h"
#include "TestLibraryFiles.h"

namespace e2e {
namespace {

// Longer than Qt's double-click interval (400 ms).
constexpr int kDoubleClickGapMs = 500;
constexpr QRgb kPageOne = 0xffff0000;  // red
constexpr QRgb kPageTwo = 0xff0000ff;  // blue

class LibraryWindowE2e : public FolianSession {
 protected:
  // The entry list as the screen shows it now.
  std::optional<EntryListArea> entryList(qulonglong window) const {
    return FindEntryList(desktop().screenshot(), desktop().clientGeometry(window));
  }

  // Titles of `library`'s entries by their update dates as stored (the
  // import keeps the dates of the metadata files).
  QStringList titlesByUpdateDate(const QString& library) const {
    QVector<ListedEntry> entries = listed(library);
    std::sort(entries.begin(), entries.end(),
              [](const ListedEntry& a, const ListedEntry& b) { return a.value(7) < b.value(7); });
    QStringList titles;
    for (const ListedEntry& entry : entries) titles << entry.value(1);
    return titles;
  }

  // Titles of `library`'s entries in the order its window lists them.
  QStringList listedTitles(const QString& library) const {
    QStringList titles;
    for (const ListedEntry& entry : listed(library)) titles << entry.value(1);
    return titles;
  }

  // Writes `documents` into a folder and imports it into the active window.
  void importDocuments(const QString& library, const QVector<TestDocument>& documents) {
    const QString folder = path(QStringLiteral("papers"));
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(WriteDocuments(folder, documents));
    importFolder(folder);
    ASSERT_TRUE(WaitUntil([&] { return listed(library).size() == documents.size(); }))
        << "imported: " << listed(library).size();
    ASSERT_TRUE(desktop().waitForActiveWindow(LibraryTitle(library)));
  }

  // The viewer's client area shows mostly `colour` (a page of that colour).
  bool showsPage(qulonglong viewer, QRgb colour) const {
    return ShareOfColour(desktop().screenshot(), desktop().clientGeometry(viewer), colour) > 0.10;
  }
};

// Titles in the order of `column`'s ascending ranks.
QStringList TitlesByRank(const QVector<TestDocument>& documents, int column) {
  QVector<TestDocument> sorted = documents;
  std::sort(sorted.begin(), sorted.end(),
            [column](const TestDocument& a, const TestDocument& b) { return a.ranks[column] < b.ranks[column]; });
  QStringList titles;
  for (const TestDocument& document : sorted) titles << document.title;
  return titles;
}

QStringList Reversed(QStringList list) {
  std::reverse(list.begin(), list.end());
  return list;
}

TEST_F(LibraryWindowE2e, ANewLibraryShowsTwentyRowsAndItsViewerWorksAtOnce) {
  const QString library = path(QStringLiteral("lib.fln"));
  const QVector<TestDocument> documents = DistinctlySortedDocuments();
  const qulonglong window = createLibraryFromStartWindow(library);
  ASSERT_NE(window, 0u);
  expectInsideWorkArea(window, "the new library window");
  ASSERT_NO_FATAL_FAILURE(importDocuments(library, documents));

  // A click into the list's empty part below the rows gives it the keys;
  // Down and Up select the first row. The list has room for twenty such rows
  // at least, without scrolling.
  // (Read once the window has settled: two screenshots agree.)
  std::optional<EntryListArea> found;
  QRect previous;
  ASSERT_TRUE(WaitUntil([&] {
    found = entryList(window);
    const bool settled = found && found->viewport == previous;
    previous = found ? found->viewport : QRect();
    return settled;
  })) << "no entry list found in the library window";
  const EntryListArea area = *found;
  desktop().click(QPoint(area.viewport.center().x(), area.viewport.bottom() - 10));
  desktop().key(QStringLiteral("Down"));
  desktop().key(QStringLiteral("Up"));
  std::optional<QRect> band;
  ASSERT_TRUE(WaitUntil([&] {
    band = HighlightedBand(desktop().screenshot(), area.viewport, area.viewport.center().x());
    return band.has_value();
  })) << "Down and Up select no row";
  EXPECT_EQ(band->top(), area.viewport.top());
  EXPECT_GE(area.viewport.height() / band->height(), 20)
      << "rows of " << band->height() << " px in a list of " << area.viewport.height() << " px";

  // The File menu's fifth item, "PDFを開く", opens the viewer, inside the
  // screen with its title bar, and its shortcuts work as soon as it shows
  // the page.
  desktop().key(QStringLiteral("alt+f"));
  for (int i = 0; i < 4; ++i) desktop().key(QStringLiteral("Down"));
  desktop().key(QStringLiteral("Return"));
  const QString viewerTitle = TitleOf(listed(library).value(0).value(1));
  const qulonglong viewer = desktop().waitForWindow(viewerTitle);
  ASSERT_NE(viewer, 0u) << "the menu opened no viewer";
  ASSERT_TRUE(desktop().waitForActiveWindow(viewerTitle));
  expectInsideWorkArea(viewer, "the viewer");
  ASSERT_TRUE(WaitUntil([&] { return showsPage(viewer, kPageOne); })) << "the first page is not shown";
  const struct {
    const char* keys;
    QRgb page;
  } shortcuts[] = {{"ctrl+Right", kPageTwo}, {"ctrl+Left", kPageOne}, {"ctrl+End", kPageTwo},
                   {"ctrl+Home", kPageOne},  {"alt+Left", kPageTwo}};
  for (const auto& shortcut : shortcuts) {
    desktop().key(QString::fromLatin1(shortcut.keys));
    EXPECT_TRUE(WaitUntil([&] { return showsPage(viewer, shortcut.page); }, 5000))
        << shortcut.keys << " did not turn to its page";
  }
  desktop().key(QStringLiteral("ctrl+w"));
  EXPECT_TRUE(desktop().waitForNoWindow(viewerTitle)) << "Ctrl+W did not close the viewer";
}

TEST_F(LibraryWindowE2e, HeadersRowsWindowsAndReopeningByMouseAndKeys) {
  const QString library = path(QStringLiteral("lib.fln"));
  const QVector<TestDocument> documents = DistinctlySortedDocuments();
  const qulonglong window = openNewLibrary(library);
  ASSERT_NE(window, 0u);
  ASSERT_NO_FATAL_FAILURE(importDocuments(library, documents));

  // A click on the first row selects it, under the header, where the
  // divider ends.
  std::optional<EntryListArea> found = entryList(window);
  ASSERT_TRUE(found.has_value()) << "no entry list found in the library window";
  EntryListArea area = *found;
  desktop().click(QPoint(area.viewport.center().x(), area.viewport.top() + 4));
  std::optional<QRect> band;
  ASSERT_TRUE(WaitUntil([&] {
    band = HighlightedBand(desktop().screenshot(), area.viewport, area.viewport.center().x());
    return band.has_value();
  })) << "a click on the first row selects nothing";
  const int rowHeight = band->height();
  EXPECT_EQ(band->top(), area.viewport.top());

  // Every column header sorts by its column, and a second click reverses.
  // A double click on the title bar maximises the window, so that every
  // column shows at once.
  const QRect outer = desktop().outerGeometry(window);
  const QRect inner = desktop().clientGeometry(window);
  desktop().doubleClick(QPoint(outer.center().x(), outer.top() + (inner.top() - outer.top()) / 2));
  ASSERT_TRUE(WaitUntil([&] { return desktop().clientGeometry(window).width() > inner.width() + 200; }))
      << "the window was not maximised";
  const QVector<QString>& keys = EntryColumnKeys();
  ASSERT_TRUE(WaitUntil([&] {
    found = entryList(window);
    return found && found->sections.size() >= keys.size();
  })) << "sections shown: " << (found ? found->sections.size() : 0);
  area = *found;
  ASSERT_TRUE(area.leftAligned);
  for (int column = 0; column < keys.size(); ++column) {
    const QString key = keys[column];
    const QStringList ascending = key == QStringLiteral("updateDate") ? titlesByUpdateDate(library)
                                                                      : TitlesByRank(documents, column);
    desktop().click(area.sections[column].center());
    QStringList first;
    EXPECT_TRUE(WaitUntil([&] {
      first = listedTitles(library);
      return first == ascending || first == Reversed(ascending);
    })) << "header of " << key.toStdString() << ": " << first.join(QLatin1Char(' ')).toStdString();
    // A second click within the double-click time would be a double click.
    QThread::msleep(kDoubleClickGapMs);
    desktop().click(area.sections[column].center());
    EXPECT_TRUE(WaitUntil([&] { return listedTitles(library) == Reversed(first); }))
        << "second click on the header of " << key.toStdString();
    QThread::msleep(kDoubleClickGapMs);
  }

  // A second double click gives the window its size back.
  const QRect maximised = desktop().outerGeometry(window);
  desktop().doubleClick(QPoint(maximised.center().x(), maximised.top() + (inner.top() - outer.top()) / 2));
  ASSERT_TRUE(WaitUntil([&] { return desktop().clientGeometry(window).size() == inner.size(); }))
      << "the window did not return to its size";
  ASSERT_TRUE(WaitUntil([&] { return (found = entryList(window)).has_value(); }));
  area = *found;

  // Rows: a click selects the row under the pointer, the top ones included;
  // Alt+Return shows its information, the title bar's close button closes it.
  const QStringList titles = listedTitles(library);
  for (const int row : {0, 1, 4}) {
    desktop().click(QPoint(area.viewport.center().x(), area.viewport.top() + rowHeight * row + rowHeight / 2));
    EXPECT_TRUE(WaitUntil([&] {
      band = HighlightedBand(desktop().screenshot(), area.viewport, area.viewport.center().x());
      return band && band->top() == area.viewport.top() + rowHeight * row;
    })) << "row " << row;
    desktop().key(QStringLiteral("alt+Return"));
    const QString infoTitle = TitleOf(QStringLiteral("「%1」の情報").arg(titles[row]));
    const qulonglong info = desktop().waitForWindow(infoTitle);
    EXPECT_NE(info, 0u) << "no information window for row " << row;
    if (info == 0) continue;
    expectInsideWorkArea(info, "the information window");
    clickCloseButton(info);
    EXPECT_TRUE(desktop().waitForNoWindow(infoTitle));
  }

  // The viewer: opened by a double click, its shortcuts work at once, and
  // Ctrl+W closes it; Return opens it again and the close button closes it.
  const int viewed = 2;
  const QPoint viewedRow(area.viewport.center().x(), area.viewport.top() + rowHeight * viewed + rowHeight / 2);
  const QString viewerTitle = TitleOf(titles[viewed]);
  desktop().doubleClick(viewedRow);
  qulonglong viewer = desktop().waitForWindow(viewerTitle);
  ASSERT_NE(viewer, 0u);
  ASSERT_TRUE(desktop().waitForActiveWindow(viewerTitle));
  expectInsideWorkArea(viewer, "the viewer");
  EXPECT_TRUE(WaitUntil([&] { return showsPage(viewer, kPageOne); })) << "the first page is not shown";
  desktop().key(QStringLiteral("ctrl+Right"));
  EXPECT_TRUE(WaitUntil([&] { return showsPage(viewer, kPageTwo); })) << "Ctrl+Right did not show the next page";
  desktop().key(QStringLiteral("ctrl+Home"));
  EXPECT_TRUE(WaitUntil([&] { return showsPage(viewer, kPageOne); })) << "Ctrl+Home did not show the first page";
  desktop().key(QStringLiteral("ctrl+w"));
  EXPECT_TRUE(desktop().waitForNoWindow(viewerTitle));
  ASSERT_TRUE(desktop().waitForActiveWindow(LibraryTitle(library)));
  desktop().click(viewedRow);
  desktop().key(QStringLiteral("Return"));
  viewer = desktop().waitForWindow(viewerTitle);
  ASSERT_NE(viewer, 0u);
  clickCloseButton(viewer);
  EXPECT_TRUE(desktop().waitForNoWindow(viewerTitle));

  // Reassigning the selected entry's first category through the menu.
  ASSERT_TRUE(desktop().waitForActiveWindow(LibraryTitle(library)));
  const int moved = 3;
  desktop().click(QPoint(area.viewport.center().x(), area.viewport.top() + rowHeight * moved + rowHeight / 2));
  desktop().key(QStringLiteral("alt+c"));
  desktop().key(QStringLiteral("Up"));
  desktop().key(QStringLiteral("Up"));
  desktop().key(QStringLiteral("Return"));
  ASSERT_TRUE(desktop().waitForActiveWindow(QStringLiteral("分類の変更.*")));
  desktop().key(QStringLiteral("ctrl+a"));
  desktop().type(QStringLiteral("moved-here"));
  desktop().key(QStringLiteral("Return"));
  EXPECT_TRUE(WaitUntil([&] {
    for (const ListedEntry& entry : listed(library))
      if (entry.value(1) == titles[moved]) return entry.value(2) == QStringLiteral("moved-here");
    return false;
  })) << "the category was not reassigned";

  // Closing the library brings the start window back; opening it from the
  // recent list restores the window as it was.
  ASSERT_TRUE(desktop().waitForActiveWindow(LibraryTitle(library)));
  const QRect frameBefore = desktop().clientGeometry(window);
  const QStringList orderBefore = listedTitles(library);
  desktop().key(QStringLiteral("ctrl+w"));
  ASSERT_TRUE(desktop().waitForNoWindow(LibraryTitle(library)));
  const qulonglong start = desktop().waitForWindow(TitleOf(QStringLiteral("Folian")));
  ASSERT_NE(start, 0u);
  expectInsideWorkArea(start, "the start window");
  ASSERT_TRUE(desktop().waitForActiveWindow(TitleOf(QStringLiteral("Folian"))));
  // The library is the recent list's first, selected item: a double click
  // opens it.
  const std::optional<QRect> recent =
      HighlightedBand(desktop().screenshot(), desktop().clientGeometry(start), desktop().clientGeometry(start).center().x());
  ASSERT_TRUE(recent.has_value()) << "no library in the recent list";
  desktop().doubleClick(recent->center());
  const qulonglong reopened = desktop().waitForWindow(LibraryTitle(library));
  ASSERT_NE(reopened, 0u);
  ASSERT_TRUE(desktop().waitForActiveWindow(LibraryTitle(library)));
  EXPECT_EQ(desktop().clientGeometry(reopened), frameBefore);
  EXPECT_EQ(listedTitles(library), orderBefore);
  ASSERT_TRUE(WaitUntil([&] { return (found = entryList(reopened)).has_value(); }));
  const EntryListArea again = *found;
  EXPECT_TRUE(WaitUntil([&] {
    band = HighlightedBand(desktop().screenshot(), again.viewport, again.viewport.center().x());
    return band && band->top() == again.viewport.top() + rowHeight * orderBefore.indexOf(titles[moved]);
  })) << "the selected entry is not selected again";
}

}  // namespace
}  // namespace e2e
