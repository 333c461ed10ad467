#include "search/SearchWords.h"

#include <QRegularExpression>

QString FoldForSearch(const QString& text) {
  return text.normalized(QString::NormalizationForm_KC).toCaseFolded();
}

QStringList SearchWords(const QString& typed) {
  // Folding first turns the ideographic space into a plain one.
  static const QRegularExpression kSpaces(QStringLiteral("\\s+"));
  return FoldForSearch(typed).split(kSpaces, Qt::SkipEmptyParts);
}

bool ContainsEveryWord(const QString& foldedText, const QStringList& words) {
  for (const QString& word : words)
    if (!foldedText.contains(word)) return false;
  return true;
}
