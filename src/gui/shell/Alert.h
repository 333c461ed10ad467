#pragma once
// Every message box of the application goes through these functions, so that
// a test can answer them in advance and read what was asked. Texts are always
// shown as plain text: messages carry names that come from a library.

#include <QString>
#include <functional>

class QWidget;

/// What a message box asked, as a test's responder receives it.
struct AlertRequest {
  enum Kind {
    Notice,        // one button, "OK"
    Confirmation,  // critical style, default "いいえ", alternate "はい"
  };
  Kind kind;
  QString text;
};

/// Shows `text` in a modal alert with the one button "OK" and returns when it
/// is closed.
void FLN_COMM_Alert_OK(QWidget* parent, const QString& text);

/// Asks `question` in a modal alert of critical style whose default button
/// (Return, Escape, closing the box) is "いいえ" and whose other button is
/// "はい". True only when the user chose "はい".
bool FLN_COMM_Alert_Confirm(QWidget* parent, const QString& question);

/// While a responder is set, no box is shown: each request goes to the
/// responder instead, which answers true for "はい" (its answer to a notice is
/// ignored). An empty function shows real boxes again.
using AlertResponder = std::function<bool(const AlertRequest&)>;
void SetAlertResponder(AlertResponder responder);
