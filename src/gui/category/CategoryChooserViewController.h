#pragma once
// The accessory of the import panel: one editable combo box per category
// level, stacked in level order, each offering every name of its level and
// preset to a name; the three texts, picked or typed, are the categories the
// imported entries get.

#include <QPointer>
#include <QString>
#include <QWidget>
#include <memory>
#include <string>

#include "format/FlnRecords.h"
#include "storage/TeskAry.h"

class QComboBox;

namespace Ui {
class CategoryChooserView;
}

class CategoryChooserViewController {
 public:
  /// Loads the view from the interface "CategoryChooserView". Once the view
  /// has a parent widget (`parent`, or the panel it is placed in) the parent
  /// owns it; until then this controller does.
  explicit CategoryChooserViewController(QWidget* parent = nullptr);
  ~CategoryChooserViewController();
  CategoryChooserViewController(const CategoryChooserViewController&) = delete;
  CategoryChooserViewController& operator=(const CategoryChooserViewController&) = delete;

  QWidget* view() const { return _view; }
  /// The combo box of `level` (1..3).
  QComboBox* comboBox(int level) const;

  /// Labels the row of `level` with the level's label and fills its combo
  /// box with `names` (kCategoryNameSize-byte UTF-8 records, in array order), then selects
  /// `select` (SetupCategoryComboBox); a name not among them is shown as
  /// typed text.
  void setupLevel(int level, const QString& label, TESK_ARY names, const std::string& select);

  /// The current text of `level`'s combo box as UTF-8 (GetCategory_byComboBox).
  std::string categoryText(int level) const;

 private:
  std::unique_ptr<Ui::CategoryChooserView> _ui;
  QPointer<QWidget> _view;
};

/// Empties `comboBox`, adds every name of `names` in order, then selects the
/// item equal to `select` (or shows `select` as its text when no item is).
void SetupCategoryComboBox(QComboBox* comboBox, TESK_ARY names, const std::string& select);
