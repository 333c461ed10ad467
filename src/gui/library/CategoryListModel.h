#pragma once
// The rows of one category list: row 0 is "＜すべて＞", row k is name k - 1 of
// the level's name array (kCategoryNameSize-byte UTF-8 records, not owned).

#include <QAbstractTableModel>

#include "storage/TeskAry.h"

class CategoryListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit CategoryListModel(QObject* parent = nullptr);

  /// Shows `nameAry` (may be null: then only "＜すべて＞") and resets the model.
  void setNameArray(TESK_ARY nameAry);
  TESK_ARY nameArray() const { return _nameAry; }
  /// Resets the model after the array's contents changed.
  void reload();

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

 private:
  TESK_ARY _nameAry = nullptr;
};
