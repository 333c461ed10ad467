#pragma once
// The folding every search of the system compares texts under: the
// library's filter box, the full-text index and the viewer's find. One rule,
// so that what the index finds on a page the viewer finds there too.

#include <QString>

/// `text` in compatibility composition (NFKC), then case-folded: case and
/// character width do not matter ("ＡＢＣ", "Abc" and "abc" are one text;
/// half-width katakana is the full-width one). Kana are not folded:
/// hiragana and katakana stay apart. Always equal to FoldForSearchWhole(text);
/// faster, since runs of characters that fold alone (ASCII, most Latin,
/// Greek, Cyrillic, kana, kanji, Hangul syllables) are folded one by one,
/// and a text that folding leaves alone is returned shared, not copied.
QString FoldForSearch(const QString& text);

/// The rule itself: normalizes and case-folds the whole of `text` with Qt's
/// general routines. The reference FoldForSearch must agree with.
QString FoldForSearchWhole(const QString& text);
