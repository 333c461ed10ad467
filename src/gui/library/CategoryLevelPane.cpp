#include "gui/library/CategoryLevelPane.h"

#include <QHeaderView>
#include <QItemSelectionModel>

#include "gui/library/CategoryListModel.h"
#include "library/FlnCategoryTable.h"
#include "ui_CategoryLevelPane.h"

CategoryLevelPane::CategoryLevelPane(int level, QWidget* area, QObject* parent)
    : QObject(parent), _level(level), _ui(std::make_unique<Ui::CategoryLevelPane>()), _box(new QFrame(area)) {
  _ui->setupUi(_box);
  _box->setObjectName(QStringLiteral("cat%1Box").arg(level));
  _ui->tableView->setObjectName(QStringLiteral("cat%1ListBox").arg(level));
  _ui->txtListTitle->setObjectName(QStringLiteral("cat%1LabelBox").arg(level));
  _model = new CategoryListModel(this);
  _ui->tableView->setModel(_model);
  _ui->tableView->verticalHeader()->setDefaultSectionSize(_ui->tableView->fontMetrics().height() + 4);
  connect(_ui->tableView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &CategoryLevelPane::onSelectionChanged);
}

CategoryLevelPane::~CategoryLevelPane() = default;

QFrame* CategoryLevelPane::box() const { return _box; }
QTableView* CategoryLevelPane::tableView() const { return _ui->tableView; }
QLabel* CategoryLevelPane::titleLabel() const { return _ui->txtListTitle; }

void CategoryLevelPane::setTitle(const QString& title) { _ui->txtListTitle->setText(title); }
QString CategoryLevelPane::title() const { return _ui->txtListTitle->text(); }

void CategoryLevelPane::setTeskAry(TESK_ARY nameAry) {
  _teskAry = nameAry;
  ++_quiet;
  const int row = selectedRow();
  _model->setNameArray(nameAry);
  // A list always has a choice; a new list starts on "＜すべて＞".
  selectQuietly(row < 0 ? 0 : row);
  --_quiet;
}

std::string CategoryLevelPane::getSelectedCategoryName() const {
  if (_teskAry == nullptr) return std::string();
  char name[kCategoryNameSize];
  GetCategoryName_ByIndex(_teskAry, selectedRow(), name);
  return name;
}

int CategoryLevelPane::selectedRow() const {
  const QModelIndexList rows = _ui->tableView->selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.first().row();
}

void CategoryLevelPane::selectRow(int row) {
  if (row == selectedRow()) return;
  QItemSelectionModel* selection = _ui->tableView->selectionModel();
  const QModelIndex index = _model->index(row, 0);
  if (index.isValid())
    selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  else
    selection->clearSelection();
}

void CategoryLevelPane::reload() {
  ++_quiet;
  const int row = selectedRow();
  _model->reload();
  selectQuietly(row);
  --_quiet;
}

void CategoryLevelPane::selectQuietly(int row) {
  ++_quiet;
  const QModelIndex index = _model->index(row, 0);
  if (index.isValid())
    _ui->tableView->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  _lastRow = selectedRow();
  --_quiet;
}

void CategoryLevelPane::onSelectionChanged() {
  const int row = selectedRow();
  if (_quiet > 0) {
    _lastRow = row;
    return;
  }
  // A list always has a choice: a click that would leave it without one
  // (Ctrl+click on the selected row) puts the old row back.
  if (row < 0 && _lastRow >= 0) {
    selectQuietly(_lastRow);
    return;
  }
  if (row == _lastRow) return;
  _lastRow = row;
  emit selectionDidChange(_level);
}
