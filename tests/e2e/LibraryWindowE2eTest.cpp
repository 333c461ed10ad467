// A user's first session with Folian, through the real program on a real
// display: a new library, a folder import, every column header, rows, the
// viewer and the information window, a category reassignment, and the
// library closed and opened again.

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <algorithm>

#include "FolianSession.h"
#include "ScreenReading.h"
#include "TestLibraryFiles.h"

namespace e2e {
namespace {

constexpr QRgb kPageOne = 0xffff0000;  // red
constexpr QRgb kPageTwo = 0xff0000ff;  // blue

class LibraryWindowE2e : public FolianSession {
 protected:
  // The entry list as the screen shows it now.
  EntryListArea entryList(qulonglong window) const {
    const std::optional<EntryListArea> area = FindEntryList(desktop().screenshot(), desktop().clientGeometry(window));
    EXPECT_TRUE(area.has_value()) << "no entry list found in the library window";
    return area.value_or(EntryListArea{});
  }

  // Titles of `library`'s entries in the order its window lists them.
  QStringList listedTitles(const QString& library) const {
    QStringList titles;
    for (const ListedEntry& entry : listed(library)) titles << entry.value(1);
    return titles;
  }

  // Clicks the close button at the right end of the window's title bar.
  void clickCloseButton(qulonglong window) const {
    const QRect outer = desktop().outerGeometry(window);
    const QRect inner = desktop().clientGeometry(window);
    desktop().click(QPoint(outer.right() - 10, outer.top() + (inner.top() - outer.top()) / 2));
  }

  void expectInsideWorkArea(qulonglong window, const char* what) const {
    const QRect outer = desktop().outerGeometry(window);
    const QRect area = desktop().workArea();
    EXPECT_TRUE(area.contains(outer)) << what << " at " << outer.x() << "," << outer.y() << " " << outer.width()
                                      << "x" << outer.height() << " (title bar included) is not inside the work area "
                                      << area.width() << "x" << area.height();
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

TEST_F(LibraryWindowE2e, FirstSessionFromNewLibraryToReopening) {
  const QString folder = path(QStringLiteral("papers"));
  const QString library = path(QStringLiteral("lib.fln"));
  ASSERT_TRUE(QDir().mkpath(folder));
  const QVector<TestDocument> documents = DistinctlySortedDocuments();
  ASSERT_TRUE(WriteDocuments(folder, documents));

  // A new library from the start window.
  startFolian();
  ASSERT_NE(desktop().waitForWindow(QStringLiteral("Folian")), 0u);
  ASSERT_TRUE(desktop().waitForActiveWindow(QStringLiteral("Folian")));
  desktop().key(QStringLiteral("ctrl+n"));
  ASSERT_TRUE(desktop().waitForActiveWindow(QStringLiteral("新規ライブラリ")));
  desktop().type(library);
  desktop().key(QStringLiteral("Return"));
  const qulonglong window = desktop().waitForWindow(QStringLiteral("lib\\.fln - Folian"));
  ASSERT_NE(window, 0u);
  ASSERT_TRUE(desktop().waitForActiveWindow(QStringLiteral("lib\\.fln - Folian")));
  expectInsideWorkArea(window, "the new library window");

  // A folder of PDFs, with extensions in several cases.
  desktop().key(QStringLiteral("ctrl+shift+i"));
  ASSERT_TRUE(desktop().waitForActiveWindow(QStringLiteral("フォルダから一括読み込み")));
  desktop().type(folder);
  desktop().key(QStringLiteral("Return"));
  ASSERT_TRUE(WaitUntil([&] { return listed(library).size() == documents.size(); }))
      << "imported: " << listed(library).size();
  ASSERT_TRUE(desktop().waitForActiveWindow(QStringLiteral("lib\\.fln - Folian")));

  // The list has room for twenty rows at least, without scrolling.
  EntryListArea area = entryList(window);
  ASSERT_FALSE(area.sections.isEmpty());
  desktop().click(QPoint(area.viewport.center().x(), area.viewport.top() + 4));
  std::optional<QRect> band;
  ASSERT_TRUE(WaitUntil([&] {
    band = HighlightedBand(desktop().screenshot(), area.viewport, area.viewport.center().x());
    return band.has_value();
  })) << "a click on the first row selects nothing";
  const int rowHeight = band->height();
  EXPECT_EQ(band->top(), area.viewport.top());
  EXPECT_GE(area.viewport.height() / rowHeight, 20) << "rows of " << rowHeight << " px in a list of "
                                                     << area.viewport.height() << " px";

  // Every column header sorts by its column, and a second click reverses.
  // The columns shown with the list scrolled to the left come first; the
  // rest are clicked with the list scrolled to its right end.
  const QVector<QString>& keys = EntryColumnKeys();
  QVector<bool> clicked(keys.size(), false);
  const auto clickHeaders = [&](const EntryListArea& shown, bool fromLeft) {
    const int count = static_cast<int>(shown.sections.size());
    for (int i = 0; i < count; ++i) {
      const int column = fromLeft ? i : static_cast<int>(keys.size()) - count + i;
      if (column < 0 || clicked[column]) continue;
      clicked[column] = true;
      const QStringList ascending = TitlesByRank(documents, column);
      desktop().click(shown.sections[i].center());
      QStringList first;
      EXPECT_TRUE(WaitUntil([&] {
        first = listedTitles(library);
        return first == ascending || first == Reversed(ascending);
      })) << "header of " << keys[column].toStdString() << ": " << first.join(QLatin1Char(' ')).toStdString();
      desktop().click(shown.sections[i].center());
      const QStringList second = Reversed(first);
      EXPECT_TRUE(WaitUntil([&] { return listedTitles(library) == second; }))
          << "second click on the header of " << keys[column].toStdString();
    }
  };
  ASSERT_TRUE(area.leftAligned);
  clickHeaders(area, true);
  // Drag the horizontal scroll bar's handle to the right end.
  const int barY = area.viewport.bottom() + 8;
  desktop().drag(QPoint(area.viewport.left() + 12, barY), QPoint(area.viewport.right() + 60, barY));
  area = entryList(window);
  ASSERT_TRUE(area.rightAligned);
  clickHeaders(area, false);
  for (int column = 0; column < keys.size(); ++column)
    EXPECT_TRUE(clicked[column]) << "header of " << keys[column].toStdString() << " never shown";
  desktop().drag(QPoint(area.viewport.right() - 30, barY), QPoint(area.viewport.left() - 60, barY));
  area = entryList(window);

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
    const qulonglong info = desktop().waitForWindow(QRegularExpression::escape(titles[row]));
    EXPECT_NE(info, 0u) << "no information window for row " << row;
    if (info == 0) continue;
    expectInsideWorkArea(info, "the information window");
    clickCloseButton(info);
    EXPECT_TRUE(desktop().waitForNoWindow(QRegularExpression::escape(titles[row])));
  }

  // The viewer: opened by a double click, its shortcuts work at once, and
  // Ctrl+W closes it; Return opens it again and the close button closes it.
  const int viewed = 2;
  const QPoint viewedRow(area.viewport.center().x(), area.viewport.top() + rowHeight * viewed + rowHeight / 2);
  const QString viewerTitle = QRegularExpression::escape(titles[viewed]);
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
  ASSERT_TRUE(desktop().waitForActiveWindow(QStringLiteral("lib\\.fln - Folian")));
  desktop().click(viewedRow);
  desktop().key(QStringLiteral("Return"));
  viewer = desktop().waitForWindow(viewerTitle);
  ASSERT_NE(viewer, 0u);
  clickCloseButton(viewer);
  EXPECT_TRUE(desktop().waitForNoWindow(viewerTitle));

  // Reassigning the selected entry's first category through the menu.
  ASSERT_TRUE(desktop().waitForActiveWindow(QStringLiteral("lib\\.fln - Folian")));
  const int moved = 3;
  desktop().click(QPoint(area.viewport.center().x(), area.viewport.top() + rowHeight * moved + rowHeight / 2));
  desktop().key(QStringLiteral("alt+c"));
  desktop().key(QStringLiteral("Up"));
  desktop().key(QStringLiteral("Up"));
  desktop().key(QStringLiteral("Return"));
  ASSERT_TRUE(desktop().waitForActiveWindow(QStringLiteral("分類の変更")));
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
  ASSERT_TRUE(desktop().waitForActiveWindow(QStringLiteral("lib\\.fln - Folian")));
  const QRect frameBefore = desktop().clientGeometry(window);
  const QStringList orderBefore = listedTitles(library);
  desktop().key(QStringLiteral("ctrl+w"));
  ASSERT_TRUE(desktop().waitForNoWindow(QStringLiteral("lib\\.fln - Folian")));
  const qulonglong start = desktop().waitForWindow(QStringLiteral("Folian"));
  ASSERT_NE(start, 0u);
  expectInsideWorkArea(start, "the start window");
  ASSERT_TRUE(desktop().waitForActiveWindow(QStringLiteral("Folian")));
  desktop().key(QStringLiteral("Return"));
  const qulonglong reopened = desktop().waitForWindow(QStringLiteral("lib\\.fln - Folian"));
  ASSERT_NE(reopened, 0u);
  ASSERT_TRUE(desktop().waitForActiveWindow(QStringLiteral("lib\\.fln - Folian")));
  EXPECT_EQ(desktop().clientGeometry(reopened), frameBefore);
  EXPECT_EQ(listedTitles(library), orderBefore);
  const EntryListArea again = entryList(reopened);
  EXPECT_TRUE(WaitUntil([&] {
    band = HighlightedBand(desktop().screenshot(), again.viewport, again.viewport.center().x());
    return band && band->top() == again.viewport.top() + rowHeight * orderBefore.indexOf(titles[moved]);
  })) << "the selected entry is not selected again";
}

}  // namespace
}  // namespace e2e
