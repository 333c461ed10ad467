#include "gui/shell/ProgressDialog.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressDialog>

QProgressDialog* MakeProgressDialog(QWidget* parent, const QString& title) {
  auto* progress = new QProgressDialog(parent);
  auto* label = new QLabel(progress);
  label->setTextFormat(Qt::PlainText);
  label->setMinimumWidth(360);
  progress->setLabel(label);
  progress->setWindowTitle(title);
  progress->setCancelButtonText(QCoreApplication::translate("ProgressDialog", "キャンセル"));
  progress->setWindowModality(Qt::ApplicationModal);
  progress->setAutoClose(false);
  progress->setAutoReset(false);
  progress->setMinimumDuration(300);
  return progress;
}
