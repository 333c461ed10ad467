#include "textfold/SearchFold.h"

QString FoldForSearch(const QString& text) {
  return text.normalized(QString::NormalizationForm_KC).toCaseFolded();
}
