#include "gui/category/CategoryComboBox.h"

#include <QComboBox>
#include <QValidator>

#include "categories/CategoryNameInput.h"

namespace {

// Accepts every name that fits; refuses the keystroke that would make one
// too long.
class CategoryNameValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    return CategoryNameFits(input.toUtf8().constData()) ? Acceptable : Invalid;
  }
};

}  // namespace

void PrepareCategoryComboBox(QComboBox* combo) {
  combo->setEditable(true);
  combo->setInsertPolicy(QComboBox::NoInsert);
  combo->setCompleter(nullptr);
  combo->setValidator(new CategoryNameValidator(combo));
}
