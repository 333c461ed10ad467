#pragma once
// The grid of the library window: three equal category columns side by side
// in the upper pane, the entry list below, margins of 5 at the sides and 20
// at the bottom (where the entry count is shown). The content width snaps to
// three whole columns and never goes below three columns of 118; the upper
// pane keeps its height and the entry pane takes the rest, never less than
// 150 (the content grows instead).

#include <QRect>
#include <QSize>

constexpr int kMainSideMargin = 5;
constexpr int kMainBottomMargin = 20;
constexpr int kMainTopMargin = 0;
constexpr int kMinPaneHeight = 150;
constexpr int kMinColumnWidth = 118;

struct MainWindowLayout {
  QRect splitFrame;       // of the split view inside the content area
  int categoryPaneHeight; // h0, the upper pane, as it was
  int entryPaneHeight;    // h1, at least kMinPaneHeight
  int columnX[3];         // of each category column inside the upper pane
  int columnWidth[3];
  QSize contentSize;      // the content area this layout needs
};

/// SetupMainWindow's arithmetic for a proposed content area, the current
/// height of the upper pane and the divider's thickness.
MainWindowLayout ComputeMainWindowLayout(QSize proposedContent, int categoryPaneHeight,
                                         int dividerThickness);
