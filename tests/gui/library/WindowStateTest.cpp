// The library window remembers its frame, divider, list choices and scroll
// positions in the library and comes back with them; its grid snaps.

#include <QGuiApplication>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QSplitterHandle>
#include <QTableView>

#include "WindowFixture.h"
#include "gui/library/EntryListModel.h"
#include "gui/library/CategoryLevelPane.h"
#include "gui/library/FolianMainWindow.h"
#include "gui/library/MainView.h"
#include "library/FlnEnvironment.h"
#include "library/FlnLoad.h"
#include "library/FlnSave.h"

namespace apptest {
namespace {

using WindowState = WindowFixture;

// Width of the library outline left of the category columns.
constexpr int kOutlineWidth = 110;

LibraryContents ManyEntries(int count) {
  LibraryContents contents = WorkedExample();
  for (int i = 0; i < count; ++i) contents.entries.push_back(Entry("entry " + std::to_string(1000 + i), "A", "X", "P"));
  return contents;
}

QSize ColumnWidths(FolianDocument* document) {
  return QSize(document->folianCategory(1)->box()->width(), document->folianCategory(3)->box()->width());
}

// Drags the divider of the split view by `dy` points.
void DragDivider(FolianDocument* document, int dy) {
  QSplitterHandle* handle = document->categoryEntrySplit()->handle(1);
  const QPoint start = handle->rect().center();
  QTest::mousePress(handle, Qt::LeftButton, Qt::NoModifier, start);
  QTest::mouseMove(handle, start + QPoint(0, dy));
  QTest::mouseRelease(handle, Qt::LeftButton, Qt::NoModifier, start + QPoint(0, dy));
}

TEST_F(WindowState, CloseAndReopenBringsTheStateBack) {
  FolianDocument* document = open(ManyEntries(200));
  ASSERT_NE(document, nullptr);
  FolianMainWindow* window = document->mainWindow();
  // Small enough to lie on the offscreen screen where it is moved to.
  window->resize(520, 540);
  window->move(60, 40);
  ASSERT_TRUE(WaitUntil([&] { return window->pos() == QPoint(60, 40); }));
  DragDivider(document, -30);
  const int paneHeight = document->categoryEntrySplit()->firstPaneHeight();
  ASSERT_LT(paneHeight, 200);
  ClickRow(document->folianCategory(1)->tableView(), 1);  // A
  ClickRow(document->folianCategory(2)->tableView(), 1);  // X
  document->entryListBox()->verticalScrollBar()->setValue(700);
  const int scrolled = document->entryListBox()->verticalScrollBar()->value();
  ASSERT_GT(scrolled, 0);
  const QRect frame = window->geometry();
  closeDocument(document);

  document = reopen();
  ASSERT_NE(document, nullptr);
  EXPECT_EQ(document->mainWindow()->geometry(), frame);
  EXPECT_EQ(document->categoryEntrySplit()->firstPaneHeight(), paneHeight);
  EXPECT_EQ(document->folianCategory(1)->getSelectedCategoryName(), "A");
  EXPECT_EQ(document->folianCategory(2)->getSelectedCategoryName(), "X");
  EXPECT_EQ(document->folianCategory(3)->getSelectedCategoryName(), "＜すべて＞");
  EXPECT_EQ(document->entryListModel()->rowCount(), 201);
  EXPECT_EQ(document->entryListBox()->verticalScrollBar()->value(), scrolled);
  EXPECT_EQ(EnvironmentValue(document, kEnvEntryScrollPosition),
            QStringLiteral("0.000000,%1.000000").arg(scrolled));
}

TEST_F(WindowState, FirstOpeningCascadesAndChoosesEverything) {
  FolianDocument* first = open(WorkedExample(), QStringLiteral("one.fln"));
  FolianDocument* second = open(WorkedExample(), QStringLiteral("two.fln"));
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_FALSE(second->hasStoredWindowPosition());
  // Cascaded down and right from the first, as far as the screen leaves room
  // (a new library's window nearly fills the small offscreen screen).
  const QPoint from = first->mainWindow()->pos();
  const QPoint to = second->mainWindow()->pos();
  EXPECT_TRUE(to.x() >= from.x() && to.y() >= from.y() && to != from) << to.x() << "," << to.y();
  EXPECT_TRUE(QGuiApplication::primaryScreen()->availableGeometry().contains(second->mainWindow()->geometry()));
  for (int level = 1; level <= 3; ++level) EXPECT_EQ(second->folianCategory(level)->getSelectedCategoryName(), "＜すべて＞");
}

TEST_F(WindowState, UnusableValuesAreTakenAsMissing) {
  WriteLibrary(path(), WorkedExample());
  {
    // Values as a damaged or foreign library might hold them.
    FLN_DATA data;
    ASSERT_TRUE(ReadFlnDataFromFlnFile(path().toUtf8().constData(), &data).ok());
    SaveEnvironment(&data, "main_window_position", "10,20,30");
    SaveEnvironment(&data, "categorybox_height", "tall");
    SaveEnvironment(&data, "window_cat1list_selection", "A");  // the other two are missing
    SaveEnvironment(&data, "entry_scroll_position", "5");
    ASSERT_TRUE(SaveAll(path().toUtf8().constData(), &data).ok());
    FreeFlnData(&data);
  }
  FolianDocument* document = reopen();
  ASSERT_NE(document, nullptr);
  EXPECT_FALSE(document->hasStoredWindowPosition());
  EXPECT_EQ(document->categoryEntrySplit()->firstPaneHeight(), 200);
  EXPECT_EQ(document->folianCategory(1)->getSelectedCategoryName(), "＜すべて＞");
  EXPECT_EQ(document->entryListBox()->verticalScrollBar()->value(), 0);
}

TEST_F(WindowState, ResizingSnapsToTheGrid) {
  FolianDocument* document = open(WorkedExample());
  ASSERT_NE(document, nullptr);
  FolianMainWindow* window = document->mainWindow();
  const struct {
    int contentWidth;
    QSize columns;  // first and third column
    int snapped;
  } cases[] = {{400, {130, 130}, 400}, {401, {130, 131}, 401}, {300, {118, 118}, 364}, {520, {170, 170}, 520}};
  for (const auto& c : cases) {
    // The content is the area right of the library outline.
    const int extra = window->width() - (window->centralWidget()->width() - kOutlineWidth);
    window->resize(c.contentWidth + extra, window->height());
    ASSERT_TRUE(WaitUntil([&] { return window->width() == c.snapped + extra; })) << c.contentWidth;
    EXPECT_EQ(ColumnWidths(document), c.columns) << c.contentWidth;
  }
}

TEST_F(WindowState, PanesKeepTheirLeastHeight) {
  FolianDocument* document = open(WorkedExample());
  ASSERT_NE(document, nullptr);
  MainView* split = document->categoryEntrySplit();
  DragDivider(document, -500);
  EXPECT_EQ(split->firstPaneHeight(), 150);
  DragDivider(document, 1000);
  EXPECT_EQ(split->sizes().at(1), 150);
  // A window made too low grows back so that the entry pane keeps 150.
  FolianMainWindow* window = document->mainWindow();
  window->resize(window->width(), 100);
  ASSERT_TRUE(WaitUntil([&] { return split->sizes().at(1) >= 150 && window->height() > 100; }));
  EXPECT_GE(split->sizes().at(0), 150);
}

}  // namespace
}  // namespace apptest
