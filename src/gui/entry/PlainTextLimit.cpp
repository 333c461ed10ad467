#include "gui/entry/PlainTextLimit.h"

#include <QPlainTextEdit>
#include <QTextCursor>

void LimitPlainTextLength(QPlainTextEdit* edit, int maxUnits) {
  QObject::connect(edit, &QPlainTextEdit::textChanged, edit, [edit, maxUnits] {
    const QString text = edit->toPlainText();
    const int size = static_cast<int>(text.size());
    const int excess = size - maxUnits;
    if (excess <= 0) return;
    // What was just typed or pasted ends at the cursor: drop its last part.
    // Text set by the program (the cursor before it) loses its end.
    QTextCursor cursor = edit->textCursor();
    int stop = cursor.position();
    if (stop < excess) stop = size;
    int start = stop - excess;
    if (start > 0 && text.at(start).isLowSurrogate()) --start;
    cursor.setPosition(start);
    cursor.setPosition(stop, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    edit->setTextCursor(cursor);
  });
}
