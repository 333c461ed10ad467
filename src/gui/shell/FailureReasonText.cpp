#include "gui/shell/FailureReasonText.h"

#include <QCoreApplication>
#include <cstring>

namespace {

QString tr(const char* text) { return QCoreApplication::translate("FailureReasonText", text); }

}  // namespace

QString FailureReasonText(const FlnResult& result) {
  const QString system =
      result.systemError != 0 ? QString::fromLocal8Bit(std::strerror(result.systemError)) : QString();
  switch (result.status) {
    case FlnStatus::Ok:
      return QString();
    case FlnStatus::NoSpace:
      return tr("ディスクの空き容量が足りません（%1）。").arg(system);
    case FlnStatus::Replaced:
      return tr("ファイルが、ほかのプログラムによって置き換えられたか変更されています。");
    case FlnStatus::Damaged:
      return tr("ライブラリが壊れています。");
    default:
      break;
  }
  if (result.systemError == 0) return QString::fromStdString(result.reason);
  if (result.status == FlnStatus::CannotOpen) return tr("ファイルを開けませんでした（%1）。").arg(system);
  return tr("ファイルの読み書きに失敗しました（%1）。").arg(system);
}
