#include "gui/library/MainWindowLayout.h"

#include <algorithm>

MainWindowLayout ComputeMainWindowLayout(QSize proposedContent, int categoryPaneHeight,
                                         int dividerThickness) {
  MainWindowLayout layout{};
  const int availW = proposedContent.width() - 2 * kMainSideMargin;
  const int availH = proposedContent.height() - kMainBottomMargin - kMainTopMargin;
  const int h0 = categoryPaneHeight;
  const int h1 = std::max(kMinPaneHeight, availH - h0 - dividerThickness);

  // floor, also for a (nonsensical) negative width
  int colW = availW >= 0 ? availW / 3 : -((-availW + 2) / 3);
  int lastW;
  if (colW >= kMinColumnWidth) {
    lastW = availW - 3 * colW != 0 ? colW + 1 : colW;
  } else {
    colW = kMinColumnWidth;
    lastW = kMinColumnWidth;
  }
  const int totalW = 2 * colW + lastW;
  const int splitH = h1 + h0 + dividerThickness;

  layout.splitFrame = QRect(kMainSideMargin, kMainTopMargin, totalW, splitH);
  layout.categoryPaneHeight = h0;
  layout.entryPaneHeight = h1;
  layout.columnX[0] = 0;
  layout.columnX[1] = colW;
  layout.columnX[2] = 2 * colW;
  layout.columnWidth[0] = colW;
  layout.columnWidth[1] = colW;
  layout.columnWidth[2] = lastW;
  layout.contentSize = QSize(totalW + 2 * kMainSideMargin, splitH + kMainBottomMargin + kMainTopMargin);
  return layout;
}
