#include "gui/category/CategoryAddDlg.h"

#include "gui/shell/Alert.h"
#include "format/FieldText.h"
#include "categories/CategoryNameInput.h"
#include "format/CategoryNameText.h"
#include "ui_CategoryAddDlg.h"

CategoryAddDlg::CategoryAddDlg(const FLN_LABEL* catFlnLabel, TESK_ARY flnCatsAry,
                               int32_t categoryKind, char* outCategoryName, QWidget* parent)
    : QDialog(parent),
      _ui(std::make_unique<Ui::CategoryAddDlg>()),
      _catFlnLabel(catFlnLabel),
      _flnCatsAry(flnCatsAry),
      _categoryKind(categoryKind),
      _outCategoryName(outCategoryName) {
  _ui->setupUi(this);
  connect(_ui->okButton, &QPushButton::clicked, this, &CategoryAddDlg::ok);
  connect(_ui->cancelButton, &QPushButton::clicked, this, &CategoryAddDlg::cancel);
}

CategoryAddDlg::~CategoryAddDlg() = default;

int CategoryAddDlg::DoModal() {
  _ui->txtCategoryLabel->setText(FlnLabelText(_catFlnLabel));
  setWindowModality(Qt::ApplicationModal);
  return exec() == QDialog::Accepted ? 1 : 2;
}

void CategoryAddDlg::ok() {
  const QByteArray name = _ui->editCategoryName->text().toUtf8();
  const QString refusal = CheckCategoryAddName(_flnCatsAry, _categoryKind, name.constData());
  if (!refusal.isEmpty()) {
    FLN_COMM_Alert_OK(this, refusal);
    _ui->editCategoryName->setFocus();
    return;
  }
  CopyCategoryName(_outCategoryName, name.constData());
  done(QDialog::Accepted);
}

void CategoryAddDlg::cancel() { reject(); }
