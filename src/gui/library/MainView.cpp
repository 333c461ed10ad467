#include "gui/library/MainView.h"

#include <QChildEvent>

#include "gui/library/MainWindowLayout.h"

MainView::MainView(QWidget* parent) : QSplitter(Qt::Vertical, parent) {
  setChildrenCollapsible(false);
  setHandleWidth(6);
}

double MainView::constrainMinCoordinate() { return kMinPaneHeight; }

float MainView::constrainMaxCoordinate(double height, double dividerThickness) {
  return static_cast<float>(height - kMinPaneHeight - dividerThickness);
}

int MainView::firstPaneHeight() const {
  const QList<int> heights = sizes();
  return heights.isEmpty() ? 0 : heights.first();
}

void MainView::setPaneHeights(int first, int second) { setSizes({first, second}); }

void MainView::childEvent(QChildEvent* event) {
  QSplitter::childEvent(event);
  // Every pane keeps its least height; the splitter stops the divider there.
  // A child is told of while it is still being made, when a divider handle
  // cannot yet be told from a pane by its type: a pane is what the splitter
  // took into its list as one, and the handles are never.
  if (!event->added() || !event->child()->isWidgetType()) return;
  auto* child = static_cast<QWidget*>(event->child());
  const int index = indexOf(child);
  if (index >= 0 && widget(index) == child) child->setMinimumHeight(kMinPaneHeight);
}
