#include "search/SearchWords.h"

#include <QRegularExpression>

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
