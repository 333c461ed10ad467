#pragma once
// The dialog that picks (or takes typed) category names of the three levels
// for the selected entries. A level whose proposal is empty offers
// "＜変更しない＞" first and shows it selected; that text tells the command to
// leave the level as it is.

#include <QDialog>
#include <memory>

#include "library/FlnData.h"

namespace Ui {
class ChangeCategoryNameDlg;
}

class ChangeCategoryNameDlg : public QDialog {
  Q_OBJECT

 public:
  /// The labels name the levels (null shows none); `flnData`'s catsAry
  /// supplies the names offered; `selectFlnCats` is the proposal (an empty
  /// name: the selected entries disagree on that level); `outInputFlnCats`
  /// receives the three texts in cat1Name..cat3Name, only on OK. The
  /// pointers stay the caller's.
  ChangeCategoryNameDlg(const FLN_LABEL* cat1Label, const FLN_LABEL* cat2Label,
                        const FLN_LABEL* cat3Label, const FLN_DATA* flnData,
                        const FLN_CATS* selectFlnCats, FLN_CATS* outInputFlnCats,
                        QWidget* parent = nullptr);
  ~ChangeCategoryNameDlg() override;

  /// Fills the labels and combo boxes, runs application-modally; 1 after OK,
  /// 2 after cancel (also for closing the window).
  int DoModal();

 public slots:
  /// Writes the three combo boxes' texts, picked or typed, and ends with 1; a
  /// text too long for a category record is refused with an alert instead.
  void ok();
  /// Ends with 2; writes nothing.
  void cancel();

 private:
  void fillLevel(int level);

  std::unique_ptr<Ui::ChangeCategoryNameDlg> _ui;
  const FLN_LABEL* _cat1Label;
  const FLN_LABEL* _cat2Label;
  const FLN_LABEL* _cat3Label;
  const FLN_CATS* _selectFlnCats;
  FLN_CATS* _outInputFlnCats;
  const FLN_DATA* _flnData;
};
