#include "gui/category/CategoryChooserViewController.h"

#include <QComboBox>
#include <QLabel>

#include "ui_CategoryChooserView.h"

CategoryChooserViewController::CategoryChooserViewController(QWidget* parent)
    : _ui(std::make_unique<Ui::CategoryChooserView>()), _view(new QWidget(parent)) {
  _ui->setupUi(_view);
}

CategoryChooserViewController::~CategoryChooserViewController() {
  if (_view && _view->parent() == nullptr) delete _view;
}

QComboBox* CategoryChooserViewController::comboBox(int level) const {
  switch (level) {
    case 1: return _ui->cat1Combo;
    case 2: return _ui->cat2Combo;
    case 3: return _ui->cat3Combo;
    default: return nullptr;
  }
}

void CategoryChooserViewController::setupLevel(int level, const QString& label, TESK_ARY names,
                                               const std::string& select) {
  QComboBox* combo = comboBox(level);
  if (combo == nullptr) return;
  QLabel* labels[] = {_ui->cat1Label, _ui->cat2Label, _ui->cat3Label};
  labels[level - 1]->setText(label);
  SetupCategoryComboBox(combo, names, select);
}

std::string CategoryChooserViewController::categoryText(int level) const {
  QComboBox* combo = comboBox(level);
  return combo != nullptr ? combo->currentText().toStdString() : std::string();
}

void SetupCategoryComboBox(QComboBox* comboBox, TESK_ARY names, const std::string& select) {
  comboBox->clear();
  const int32_t count = Tesk_Ary_GetSize(names);
  for (int32_t i = 0; i < count; ++i) {
    char name[kCategoryNameSize];
    Tesk_Ary_GetData(names, i, name);
    name[kCategoryNameSize - 1] = '\0';
    comboBox->addItem(QString::fromUtf8(name));
  }
  const QString wanted = QString::fromStdString(select);
  const int index = comboBox->findText(wanted, Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (index >= 0)
    comboBox->setCurrentIndex(index);
  else
    comboBox->setEditText(wanted);
}
