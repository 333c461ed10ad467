#include "app/MainView.h"

#include <QChildEvent>

#include "app/MainWindowLayout.h"

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
  // Every pane keeps its least height; the splitter stops the divider there.
  if (event->added() && event->child()->isWidgetType() &&
      qobject_cast<QSplitterHandle*>(event->child()) == nullptr)
    static_cast<QWidget*>(event->child())->setMinimumHeight(kMinPaneHeight);
  QSplitter::childEvent(event);
}
