#pragma once
// Opening the bytes of a PDF for a viewer window, asking for the password
// of an encrypted one.

#include <QByteArray>
#include <QString>

#include "pdfview/PdfDocument.h"

class QWidget;

/// `opened`, the result of opening `bytes` without a password, unless it
/// says NeedsPassword: then a dialog over `parent` naming `title` asks for
/// the password, again after a wrong one (saying so), until the password
/// opens the PDF or the user cancels (then the result says NeedsPassword).
PdfOpenResult AskPasswordWhenNeeded(PdfOpenResult opened, const QByteArray& bytes, const QString& title,
                                    QWidget* parent);

/// What an empty viewer window says instead of the document: the user
/// gave no password, or the bytes are not a PDF that can be read (with the
/// engine's reason).
QString NoPasswordMessage();
QString DamagedPdfMessage(const QString& reason);
