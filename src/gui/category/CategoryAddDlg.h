#pragma once
// The dialog that asks for a new category name on one level. It refuses an
// empty name, "＜すべて＞", a name too long for a category record and a name
// the level already has, each with an alert, and stays open for a correction.

#include <QDialog>
#include <cstdint>
#include <memory>

#include "format/FlnRecords.h"
#include "storage/TeskAry.h"

namespace Ui {
class CategoryAddDlg;
}

class CategoryAddDlg : public QDialog {
  Q_OBJECT

 public:
  /// `catFlnLabel` names the level in the caption (null shows none);
  /// `flnCatsAry` is read for the duplicate test; `categoryKind` is the level
  /// (1..3); `outCategoryName` (kCategoryNameSize bytes) receives the accepted
  /// name as UTF-8, only on OK. The pointers stay the caller's.
  CategoryAddDlg(const FLN_LABEL* catFlnLabel, TESK_ARY flnCatsAry, int32_t categoryKind,
                 char* outCategoryName, QWidget* parent = nullptr);
  ~CategoryAddDlg() override;

  /// Shows the label, runs the dialog application-modally; 1 after OK, 2
  /// after cancel (also for closing the window).
  int DoModal();

 public slots:
  /// Validates the typed name; refused with an alert, or written and ended with 1.
  void ok();
  /// Ends with 2; writes nothing.
  void cancel();

 private:
  std::unique_ptr<Ui::CategoryAddDlg> _ui;
  const FLN_LABEL* _catFlnLabel;
  TESK_ARY _flnCatsAry;
  int32_t _categoryKind;
  char* _outCategoryName;
};
