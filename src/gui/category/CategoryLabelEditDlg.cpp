#include "gui/category/CategoryLabelEditDlg.h"

#include "format/FieldText.h"
#include "ui_CategoryLabelEditDlg.h"

CategoryLabelEditDlg::CategoryLabelEditDlg(FLN_LABEL* cat1Label, FLN_LABEL* cat2Label,
                                           FLN_LABEL* cat3Label, QWidget* parent)
    : QDialog(parent),
      _ui(std::make_unique<Ui::CategoryLabelEditDlg>()),
      _cat1Label(cat1Label),
      _cat2Label(cat2Label),
      _cat3Label(cat3Label) {
  _ui->setupUi(this);
  connect(_ui->okButton, &QPushButton::clicked, this, &CategoryLabelEditDlg::ok);
  connect(_ui->cancelButton, &QPushButton::clicked, this, &CategoryLabelEditDlg::cancel);
}

CategoryLabelEditDlg::~CategoryLabelEditDlg() = default;

int CategoryLabelEditDlg::DoModal() {
  _ui->editCategory1->setText(FlnLabelText(_cat1Label));
  _ui->editCategory2->setText(FlnLabelText(_cat2Label));
  _ui->editCategory3->setText(FlnLabelText(_cat3Label));
  setWindowModality(Qt::ApplicationModal);
  return exec() == QDialog::Accepted ? 1 : 2;
}

void CategoryLabelEditDlg::ok() {
  // The fields take no more units than a label's name field holds besides its
  // mark and zero unit, so every text fits.
  const struct {
    QLineEdit* edit;
    FLN_LABEL* label;
  } fields[] = {{_ui->editCategory1, _cat1Label},
                {_ui->editCategory2, _cat2Label},
                {_ui->editCategory3, _cat3Label}};
  for (const auto& field : fields) {
    if (field.label != nullptr)
      FLN_COMM_CopyUniStr_FromNSString_NtoL(field.edit->text(), field.label->name, sizeof field.label->name);
  }
  done(QDialog::Accepted);
}

void CategoryLabelEditDlg::cancel() { reject(); }
