#include "gui/library/CategoryListModel.h"

#include "format/CategoryNames.h"
#include "library/FlnCategoryTable.h"
#include "format/FlnRecords.h"
#include "storage/TeskAry.h"

CategoryListModel::CategoryListModel(QObject* parent) : QAbstractTableModel(parent) {}

void CategoryListModel::setNameArray(TESK_ARY nameAry) {
  beginResetModel();
  _nameAry = nameAry;
  endResetModel();
}

void CategoryListModel::reload() {
  beginResetModel();
  endResetModel();
}

int CategoryListModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  return Tesk_Ary_GetSize(_nameAry) + 1;
}

int CategoryListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 1; }

QVariant CategoryListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || role != Qt::DisplayRole) return QVariant();
  // Row 0 shows the all-categories marker also before an array is given.
  if (index.row() == 0) return QString::fromUtf8(kCategoryAll);
  char name[kCategoryNameSize];
  GetCategoryName_ByIndex(_nameAry, index.row(), name);
  return QString::fromUtf8(name);
}
