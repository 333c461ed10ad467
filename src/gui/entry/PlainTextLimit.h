#pragma once
// Multi-line text fields whose text must fit a stored field.

class QPlainTextEdit;

/// Keeps the text of `edit` at most `maxUnits` UTF-16 units long: what is
/// typed or pasted beyond that is dropped at once, where the user sees it,
/// instead of the whole edit being refused when the text is stored. A
/// surrogate pair is never split.
void LimitPlainTextLength(QPlainTextEdit* edit, int maxUnits);
