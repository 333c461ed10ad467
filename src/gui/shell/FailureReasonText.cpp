#include "gui/shell/FailureReasonText.h"

#include <QCoreApplication>
#include <cstring>

QString FailureReasonText(const FlnResult& result) {
  const QString system =
      result.systemError != 0 ? QString::fromLocal8Bit(std::strerror(result.systemError)) : QString();
  switch (result.status) {
    case FlnStatus::Ok:
      return QString();
    case FlnStatus::NoSpace:
      return QCoreApplication::translate("FailureReasonText", "ディスクの空き容量が足りません（%1）。").arg(system);
    case FlnStatus::Replaced:
      return QCoreApplication::translate("FailureReasonText",
                                         "ファイルが、ほかのプログラムによって置き換えられたか変更されています。");
    case FlnStatus::Damaged:
      return QCoreApplication::translate("FailureReasonText", "ライブラリが壊れています。");
    default:
      break;
  }
  // Our own reasons without a system call behind them are told as the
  // library wrote them.
  if (result.systemError == 0) return QString::fromStdString(result.reason);
  if (result.status == FlnStatus::CannotOpen)
    return QCoreApplication::translate("FailureReasonText", "ファイルを開けませんでした（%1）。").arg(system);
  return QCoreApplication::translate("FailureReasonText", "ファイルの読み書きに失敗しました（%1）。").arg(system);
}
