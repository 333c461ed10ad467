#include "gui/viewer/PdfPasswordPrompt.h"

#include <QCoreApplication>
#include <QInputDialog>
#include <QLineEdit>

PdfOpenResult AskPasswordWhenNeeded(PdfOpenResult opened, const QByteArray& bytes, const QString& title,
                                    QWidget* parent) {
  bool wrongBefore = false;
  while (opened.status == PdfOpenStatus::NeedsPassword) {
    const QString name = title.isEmpty() ? QCoreApplication::translate("PdfPasswordPrompt", "このPDF")
                                         : QStringLiteral("「%1」").arg(title);
    const QString label =
        wrongBefore
            ? QCoreApplication::translate("PdfPasswordPrompt",
                                          "パスワードが違います。%1のパスワードをもう一度入力してください：")
                  .arg(name)
            : QCoreApplication::translate("PdfPasswordPrompt", "%1は暗号化されています。パスワードを入力してください：")
                  .arg(name);
    bool entered = false;
    const QString password =
        QInputDialog::getText(parent, QCoreApplication::translate("PdfPasswordPrompt", "パスワード"), label,
                              QLineEdit::Password, QString(), &entered);
    if (!entered) break;
    opened = PdfDocument::Open(bytes, password);
    wrongBefore = true;
  }
  return opened;
}

QString NoPasswordMessage() {
  return QCoreApplication::translate("PdfPasswordPrompt",
                                     "このPDFは暗号化されています。パスワードが入力されなかったため、表示できません。");
}

QString DamagedPdfMessage(const QString& reason) {
  QString message =
      QCoreApplication::translate("PdfPasswordPrompt", "このPDFは壊れているか、PDFではないため、表示できません。");
  if (!reason.isEmpty()) message += QCoreApplication::translate("PdfPasswordPrompt", "\n（%1）").arg(reason);
  return message;
}
