#pragma once
// What a search compares: text folded so that case and character width do not
// matter (FoldForSearch, textfold/SearchFold.h), and the words a typed query
// is made of.

#include <QString>
#include <QStringList>

#include "textfold/SearchFold.h"

/// The folded words of `typed`, split at any white space (the ideographic
/// space too), empty words dropped. No words means "everything matches".
QStringList SearchWords(const QString& typed);

/// Whether `foldedText` contains every one of `words` (folded with
/// SearchWords); true when there are no words.
bool ContainsEveryWord(const QString& foldedText, const QStringList& words);
