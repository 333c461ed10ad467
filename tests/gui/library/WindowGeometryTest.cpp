// The grid of the library window and the texts its state is remembered in.

#include <gtest/gtest.h>

#include <QSplitterHandle>
#include <QTableView>
#include <QTest>

#include "gui/library/MainView.h"
#include "gui/library/MainWindowLayout.h"
#include "gui/shell/ScreenFit.h"
#include "gui/library/WindowStateText.h"

namespace {

TEST(MainWindowLayout, ColumnsSnapToTheGrid) {
  const struct {
    int contentWidth;
    int columns[3];
    int snappedWidth;
  } cases[] = {
      {400, {130, 130, 130}, 400},
      {401, {130, 130, 131}, 401},
      {402, {130, 130, 131}, 401},  // two points over: the third column takes one of them
      {300, {118, 118, 118}, 364},  // never below three columns of 118
      {364, {118, 118, 118}, 364},
      {366, {118, 118, 119}, 365},
  };
  for (const auto& c : cases) {
    const MainWindowLayout layout = ComputeMainWindowLayout(QSize(c.contentWidth, 500), 200, 6);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(layout.columnWidth[i], c.columns[i]) << c.contentWidth << " column " << i;
    EXPECT_EQ(layout.columnX[1], c.columns[0]);
    EXPECT_EQ(layout.columnX[2], c.columns[0] + c.columns[1]);
    EXPECT_EQ(layout.contentSize.width(), c.snappedWidth) << c.contentWidth;
    EXPECT_EQ(layout.splitFrame, QRect(5, 0, c.snappedWidth - 10, layout.splitFrame.height()));
  }
}

TEST(MainWindowLayout, EntryPaneKeepsItsLeastHeight) {
  const struct {
    int contentHeight, upperPane, entryPane, snappedHeight;
  } cases[] = {
      {500, 200, 274, 500},  // 500 - 20 - 200 - 6
      {376, 200, 150, 376},
      {300, 200, 150, 376},  // the content grows instead of the entry pane shrinking
  };
  for (const auto& c : cases) {
    const MainWindowLayout layout = ComputeMainWindowLayout(QSize(400, c.contentHeight), c.upperPane, 6);
    EXPECT_EQ(layout.categoryPaneHeight, c.upperPane);
    EXPECT_EQ(layout.entryPaneHeight, c.entryPane) << c.contentHeight;
    EXPECT_EQ(layout.contentSize.height(), c.snappedHeight) << c.contentHeight;
    EXPECT_EQ(layout.splitFrame.height(), c.upperPane + 6 + c.entryPane);
  }
}

TEST(MainView, DividerLimits) {
  EXPECT_EQ(MainView::constrainMinCoordinate(), 150.0);
  EXPECT_EQ(MainView::constrainMaxCoordinate(500.0, 6.0), 344.0f);
}

TEST(MainView, DividerIsThinAndOnlyThePanesKeepTheLeastHeight) {
  MainView split;
  // As the interface file makes them: children named with the split view as
  // parent, then one more added.
  auto* upper = new QWidget(&split);
  auto* lower = new QTableView(&split);
  split.resize(400, 600);
  split.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&split));
  split.setSizes({200, 394});
  ASSERT_EQ(split.count(), 2);
  EXPECT_EQ(upper->minimumHeight(), kMinPaneHeight);
  EXPECT_EQ(lower->minimumHeight(), kMinPaneHeight);
  QSplitterHandle* divider = split.handle(1);
  EXPECT_LT(divider->minimumHeight(), kMinPaneHeight);
  EXPECT_EQ(divider->height(), split.handleWidth());
  // The divider lies between the panes and covers neither, so the lower
  // pane's top rows (a table's header) take the clicks.
  EXPECT_EQ(divider->geometry().top(), upper->geometry().bottom() + 1);
  EXPECT_EQ(lower->geometry().top(), divider->geometry().bottom() + 1);
  QWidget* top = split.childAt(lower->geometry().topLeft() + QPoint(10, 2));
  EXPECT_TRUE(top == lower || lower->isAncestorOf(top)) << (top ? top->metaObject()->className() : "nothing");
  EXPECT_EQ(split.childAt(divider->geometry().center()), divider);
}

TEST(ScreenFit, WindowsAreKeptInsideTheAvailableAreaWithTheirFrame) {
  const QRect area(0, 0, 1280, 800);
  const QMargins frame(4, 28, 4, 4);
  const struct {
    const char* name;
    QRect client;
    QRect expected;
  } cases[] = {
      {"inside stays", QRect(100, 100, 400, 300), QRect(100, 100, 400, 300)},
      {"title bar above the top", QRect(100, 0, 400, 300), QRect(100, 28, 400, 300)},
      {"far above", QRect(100, -500, 400, 300), QRect(100, 28, 400, 300)},
      {"off the left", QRect(-50, 100, 400, 300), QRect(4, 100, 400, 300)},
      {"off the right", QRect(1000, 100, 400, 300), QRect(876, 100, 400, 300)},
      {"below the bottom", QRect(100, 700, 400, 300), QRect(100, 496, 400, 300)},
      {"taller than the area", QRect(100, 50, 400, 900), QRect(100, 28, 400, 768)},
      {"wider than the area", QRect(-10, 100, 2000, 300), QRect(4, 100, 1272, 300)},
  };
  for (const auto& c : cases) {
    const QRect fitted = FitClientInArea(c.client, frame, area);
    EXPECT_EQ(fitted, c.expected) << c.name;
    EXPECT_TRUE(area.contains(fitted.marginsAdded(frame))) << c.name;
  }
  // A panel at the top: the available area starts below it.
  EXPECT_EQ(FitClientInArea(QRect(0, 0, 400, 300), frame, QRect(0, 30, 1280, 770)), QRect(4, 58, 400, 300));
}

TEST(WindowStateText, WindowPositionRoundTrip) {
  const QRect frame(120, 80, 510, 460);
  EXPECT_EQ(FormatWindowPosition(frame), QByteArray("80,120,540,630"));
  QRect back;
  ASSERT_TRUE(ParseWindowPosition("80,120,540,630", &back));
  EXPECT_EQ(back, frame);
}

TEST(WindowStateText, ValuesThatAreMissingParts) {
  const struct {
    const char* text;
    bool position, height, scroll;
  } cases[] = {
      {"1,2,3,4", true, true, true},
      {"1,2,3", false, true, true},
      {"", false, false, false},
      {"x", false, false, false},
      {"12.5", false, true, false},
      {"1.5,2", false, true, true},   // a position takes whole numbers only
      {"nan,1,2,3", false, false, false},
  };
  for (const auto& c : cases) {
    QRect frame(1, 1, 1, 1);
    double height = -1;
    QPointF origin(-1, -1);
    EXPECT_EQ(ParseWindowPosition(c.text, &frame), c.position) << c.text;
    EXPECT_EQ(ParsePaneHeight(c.text, &height), c.height) << c.text;
    EXPECT_EQ(ParseScrollPosition(c.text, &origin), c.scroll) << c.text;
    if (!c.position) {
      EXPECT_EQ(frame, QRect(1, 1, 1, 1)) << "left as it was: " << c.text;
    }
  }
}

TEST(WindowStateText, PositionsReduceToSixteenBits) {
  // 40000 wraps to -25536 as a signed 16-bit value, as the stored format has it.
  EXPECT_EQ(FormatWindowPosition(QRect(40000, 0, 10, 10)), QByteArray("0,-25536,10,-25526"));
}

TEST(WindowStateText, NumbersIgnoreTheUserLocale) {
  EXPECT_EQ(FormatPaneHeight(212), QByteArray("212.000000"));
  EXPECT_EQ(FormatScrollPosition(QPointF(0, 340)), QByteArray("0.000000,340.000000"));
  QPointF origin;
  ASSERT_TRUE(ParseScrollPosition("3.000000,340.500000", &origin));
  EXPECT_EQ(origin, QPointF(3, 340.5));
}

}  // namespace
