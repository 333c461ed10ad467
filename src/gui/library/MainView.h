#pragma once
// The split view of the library window: the category area above, the entry
// list below, a horizontal divider between them. Neither pane can be made
// lower than 150 points by dragging the divider.

#include <QSplitter>

class MainView : public QSplitter {
  Q_OBJECT

 public:
  explicit MainView(QWidget* parent = nullptr);

  /// The lowest divider position (the upper pane's least height).
  static double constrainMinCoordinate();
  /// The highest divider position for a split view of `height` with a divider
  /// of `dividerThickness`: the lower pane keeps its least height.
  static float constrainMaxCoordinate(double height, double dividerThickness);

  /// Height of the upper pane.
  int firstPaneHeight() const;
  /// Sets the two panes' heights (clamped so that each keeps its least height).
  void setPaneHeights(int first, int second);

 protected:
  void childEvent(QChildEvent* event) override;
};
