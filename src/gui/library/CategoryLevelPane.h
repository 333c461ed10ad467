#pragma once
// The controller of one category level in the library window: the box with
// the level's title and its list of names. It tells its owner when another
// row is selected, whether by the user or by the program, like a platform
// table view does; reloading after the names changed is quiet.

#include <QObject>
#include <QString>
#include <memory>
#include <string>

#include "library/FlnData.h"

class CategoryListModel;
class QFrame;
class QItemSelection;
class QLabel;
class QTableView;
class QWidget;

namespace Ui {
class CategoryLevelPane;
}

class CategoryLevelPane : public QObject {
  Q_OBJECT

 public:
  /// Builds the level's box (from the interface "CategoryLevelPane") as a child
  /// of `area`. `level` is 1, 2 or 3.
  CategoryLevelPane(int level, QWidget* area, QObject* parent = nullptr);
  ~CategoryLevelPane() override;

  int level() const { return _level; }
  QFrame* box() const;
  QTableView* tableView() const;
  QLabel* titleLabel() const;

  /// The level's label above its list.
  void setTitle(const QString& title);
  QString title() const;

  /// The level's name array (not owned); reloads the list quietly, keeping
  /// the selected row, or selecting row 0 when none was.
  void setTeskAry(TESK_ARY nameAry);
  TESK_ARY getTeskAry() const { return _teskAry; }
  void setFlnData(FLN_DATA* flnData) { _fln_data = flnData; }

  /// The name in the selected row: "＜すべて＞" for row 0, name row - 1 of
  /// the array otherwise; empty without an array or a selected row.
  std::string getSelectedCategoryName() const;
  /// The selected row, or -1.
  int selectedRow() const;
  /// Selects `row` alone. When that changes the selected row,
  /// selectionDidChange follows before this returns, as for a user's click.
  void selectRow(int row);
  /// Shows the array's current names without telling anyone: the selected
  /// row stays selected when it still exists.
  void reload();
  /// Selects `row` alone without telling anyone, for a row that shows the
  /// level's choice already.
  void selectRowQuietly(int row) { selectQuietly(row); }

 signals:
  /// Another row was selected (by the user or by selectRow).
  void selectionDidChange(int level);

 private:
  void onSelectionChanged();
  void selectQuietly(int row);

  int _level;
  std::unique_ptr<Ui::CategoryLevelPane> _ui;
  QFrame* _box;
  CategoryListModel* _model;
  TESK_ARY _teskAry = nullptr;
  FLN_DATA* _fln_data = nullptr;
  int _quiet = 0;      // > 0 while the program changes rows that nobody is told of
  int _lastRow = -1;   // the row selected after the last change
};
