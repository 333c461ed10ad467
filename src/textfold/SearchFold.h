#pragma once
// The folding every search of the system compares texts under: the
// library's filter box, the full-text index and the viewer's find. One rule,
// so that what the index finds on a page the viewer finds there too.

#include <QString>

/// `text` in compatibility composition (NFKC), then case-folded: case and
/// character width do not matter ("ＡＢＣ", "Abc" and "abc" are one text;
/// half-width katakana is the full-width one). Kana are not folded:
/// hiragana and katakana stay apart.
QString FoldForSearch(const QString& text);
