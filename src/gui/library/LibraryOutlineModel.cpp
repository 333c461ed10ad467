#include <QCoreApplication>
#include "gui/library/LibraryOutlineModel.h"

LibraryOutlineModel::LibraryOutlineModel(QObject* parent) : QAbstractItemModel(parent) {}

QModelIndex LibraryOutlineModel::index(int row, int column, const QModelIndex& parent) const {
  if (parent.isValid() || row != 0 || column != 0) return QModelIndex();
  return createIndex(0, 0);
}

QModelIndex LibraryOutlineModel::parent(const QModelIndex&) const { return QModelIndex(); }

int LibraryOutlineModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 1; }

int LibraryOutlineModel::columnCount(const QModelIndex&) const { return 1; }

bool LibraryOutlineModel::hasChildren(const QModelIndex& parent) const { return !parent.isValid(); }

QVariant LibraryOutlineModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || role != Qt::DisplayRole) return QVariant();
  return QCoreApplication::translate("LibraryOutlineModel", "ライブラリ");
}
