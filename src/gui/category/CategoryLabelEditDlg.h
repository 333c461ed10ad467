#pragma once
// The dialog that renames the three category levels.

#include <QDialog>
#include <memory>

#include "format/FlnRecords.h"

namespace Ui {
class CategoryLabelEditDlg;
}

class CategoryLabelEditDlg : public QDialog {
  Q_OBJECT

 public:
  /// The caller's label records (copies), read and, only on OK, written in
  /// place. A null label shows an empty field and is not written.
  CategoryLabelEditDlg(FLN_LABEL* cat1Label, FLN_LABEL* cat2Label, FLN_LABEL* cat3Label,
                       QWidget* parent = nullptr);
  ~CategoryLabelEditDlg() override;

  /// Shows the names, runs application-modally; 1 after OK, 2 after cancel
  /// (also for closing the window).
  int DoModal();

 public slots:
  /// Writes the three fields into the labels' names (empty names accepted)
  /// and ends with 1.
  void ok();
  /// Ends with 2; writes nothing.
  void cancel();

 private:
  std::unique_ptr<Ui::CategoryLabelEditDlg> _ui;
  FLN_LABEL* _cat1Label;
  FLN_LABEL* _cat2Label;
  FLN_LABEL* _cat3Label;
};
