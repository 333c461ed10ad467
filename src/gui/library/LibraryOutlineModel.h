#pragma once
// The library outline beside the category lists: one row, "ライブラリ",
// that cannot be expanded.

#include <QAbstractItemModel>

class LibraryOutlineModel : public QAbstractItemModel {
  Q_OBJECT

 public:
  explicit LibraryOutlineModel(QObject* parent = nullptr);

  QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
};
