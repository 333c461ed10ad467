#pragma once
// What a search compares: text folded so that case and character width do not
// matter ("ＡＢＣ", "Abc" and "abc" are one text; half-width katakana is the
// full-width one), and the words a typed query is made of.

#include <QString>
#include <QStringList>

/// `text` in compatibility composition (NFKC), then case-folded. Kana are not
/// folded: hiragana and katakana stay apart.
QString FoldForSearch(const QString& text);

/// The folded words of `typed`, split at any white space (the ideographic
/// space too), empty words dropped. No words means "everything matches".
QStringList SearchWords(const QString& typed);

/// Whether `foldedText` contains every one of `words` (folded with
/// SearchWords); true when there are no words.
bool ContainsEveryWord(const QString& foldedText, const QStringList& words);
