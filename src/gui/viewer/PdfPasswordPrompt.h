#pragma once
// Opening the bytes of a PDF for a viewer window, asking for the password
// of an encrypted one.

#include <QByteArray>
#include <QString>

#include "pdfview/PdfDocument.h"

class QWidget;

/// Opens `bytes`. An encrypted PDF asks for its password in a dialog over
/// `parent` naming `title`, again after a wrong one (saying so), until the
/// password opens it or the user cancels: then the result says
/// NeedsPassword.
PdfOpenResult OpenPdfAskingPassword(const QByteArray& bytes, const QString& title, QWidget* parent);

/// What an empty viewer window says instead of the document: the user
/// gave no password, or the bytes are not a PDF that can be read (with the
/// engine's reason).
QString NoPasswordMessage();
QString DamagedPdfMessage(const QString& reason);
