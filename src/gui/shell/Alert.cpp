#include "gui/shell/Alert.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {

AlertResponder& Responder() {
  static AlertResponder responder;
  return responder;
}

}  // namespace

void SetAlertResponder(AlertResponder responder) { Responder() = std::move(responder); }

void FLN_COMM_Alert_OK(QWidget* parent, const QString& text) {
  if (Responder()) {
    Responder()(AlertRequest{AlertRequest::Notice, text});
    return;
  }
  QMessageBox box(parent);
  box.setTextFormat(Qt::PlainText);
  box.setIcon(QMessageBox::Information);
  box.setWindowTitle(QStringLiteral("Folian"));
  box.setText(text);
  // A report may list paths the user wants to copy.
  box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  box.setStandardButtons(QMessageBox::Ok);
  box.exec();
}

bool FLN_COMM_Alert_Confirm(QWidget* parent, const QString& question) {
  if (Responder()) return Responder()(AlertRequest{AlertRequest::Confirmation, question});
  QMessageBox box(parent);
  box.setTextFormat(Qt::PlainText);
  box.setIcon(QMessageBox::Critical);
  box.setWindowTitle(QStringLiteral("Folian"));
  box.setText(question);
  QPushButton* yes = box.addButton(QCoreApplication::translate("Alert", "はい"), QMessageBox::YesRole);
  QPushButton* no = box.addButton(QCoreApplication::translate("Alert", "いいえ"), QMessageBox::NoRole);
  box.setDefaultButton(no);
  box.setEscapeButton(no);
  box.exec();
  return box.clickedButton() == yes;
}
