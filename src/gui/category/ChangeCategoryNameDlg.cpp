#include "gui/category/ChangeCategoryNameDlg.h"

#include "gui/shell/Alert.h"
#include "categories/CategoryNameInput.h"
#include "format/CategoryNameText.h"
#include "format/FieldText.h"
#include "ui_ChangeCategoryNameDlg.h"

namespace {

// Puts `choices` into the combo box and shows their selected name: picked when
// it is an item, otherwise as typed text.
void SetupCategoryComboBox(QComboBox* combo, const CategoryComboChoices& choices) {
  combo->clear();
  for (const std::string& name : choices.items) combo->addItem(QString::fromStdString(name));
  const QString selected = QString::fromStdString(choices.selected);
  const int index = combo->findText(selected, Qt::MatchExactly | Qt::MatchCaseSensitive);
  combo->setCurrentIndex(index);
  if (index < 0) combo->setEditText(selected);
}

}  // namespace

ChangeCategoryNameDlg::ChangeCategoryNameDlg(const FLN_LABEL* cat1Label, const FLN_LABEL* cat2Label,
                                             const FLN_LABEL* cat3Label, const FLN_DATA* flnData,
                                             const FLN_CATS* selectFlnCats,
                                             FLN_CATS* outInputFlnCats, QWidget* parent)
    : QDialog(parent),
      _ui(std::make_unique<Ui::ChangeCategoryNameDlg>()),
      _cat1Label(cat1Label),
      _cat2Label(cat2Label),
      _cat3Label(cat3Label),
      _selectFlnCats(selectFlnCats),
      _outInputFlnCats(outInputFlnCats),
      _flnData(flnData) {
  _ui->setupUi(this);
  // Names compare exactly: completing a typed name from a listed one (which
  // ignores case) could turn it into another name.
  for (QComboBox* combo : {_ui->comboCat1, _ui->comboCat2, _ui->comboCat3}) combo->setCompleter(nullptr);
  connect(_ui->okButton, &QPushButton::clicked, this, &ChangeCategoryNameDlg::ok);
  connect(_ui->cancelButton, &QPushButton::clicked, this, &ChangeCategoryNameDlg::cancel);
}

ChangeCategoryNameDlg::~ChangeCategoryNameDlg() = default;

int ChangeCategoryNameDlg::DoModal() {
  _ui->txtCat1Label->setText(FlnLabelText(_cat1Label));
  _ui->txtCat2Label->setText(FlnLabelText(_cat2Label));
  _ui->txtCat3Label->setText(FlnLabelText(_cat3Label));
  for (int level = 1; level <= 3; ++level) fillLevel(level);
  setWindowModality(Qt::ApplicationModal);
  return exec() == QDialog::Accepted ? 1 : 2;
}

void ChangeCategoryNameDlg::fillLevel(int level) {
  char proposal[kCategoryNameSize] = {};
  if (_selectFlnCats != nullptr) ReadCategoryNameOf(*_selectFlnCats, level, proposal);
  CategoryComboChoices choices;
  GetCategoryComboChoices(_flnData != nullptr ? _flnData->catsAry : nullptr, level, proposal, &choices);
  QComboBox* combo = level == 1 ? _ui->comboCat1 : level == 2 ? _ui->comboCat2 : _ui->comboCat3;
  SetupCategoryComboBox(combo, choices);
}

void ChangeCategoryNameDlg::ok() {
  QComboBox* combos[] = {_ui->comboCat1, _ui->comboCat2, _ui->comboCat3};
  for (QComboBox* combo : combos) {
    // A name that does not fit would be stored cut or not at all.
    if (!CategoryNameFits(combo->currentText().toUtf8().constData())) {
      FLN_COMM_Alert_OK(this, CategoryNameTooLongMessage());
      combo->setFocus();
      return;
    }
  }
  FlnUniChar* fields[] = {_outInputFlnCats->cat1Name, _outInputFlnCats->cat2Name,
                          _outInputFlnCats->cat3Name};
  for (int i = 0; i < 3; ++i)
    FLN_COMM_CopyUniStr_FromNSString_NtoL(combos[i]->currentText(), fields[i], sizeof _outInputFlnCats->cat1Name);
  done(QDialog::Accepted);
}

void ChangeCategoryNameDlg::cancel() { reject(); }
