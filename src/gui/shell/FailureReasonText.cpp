#include "gui/shell/FailureReasonText.h"

#include <QCoreApplication>
#include <cstring>

namespace {

// The sentence for a kind, without the system's text and the full stop, which
// the languages place differently around it.
const char* KindText(FlnStatus status) {
  switch (status) {
    case FlnStatus::Ok:
      break;
    case FlnStatus::PathTooLong:
      return QT_TRANSLATE_NOOP("FailureReasonText", "ファイルの場所を表すパスが長すぎます");
    case FlnStatus::CannotOpen:
      return QT_TRANSLATE_NOOP("FailureReasonText", "ファイルを開けませんでした");
    case FlnStatus::NotLoaded:
      return QT_TRANSLATE_NOOP("FailureReasonText", "ライブラリが読み込まれていません");
    case FlnStatus::NotALibrary:
      return QT_TRANSLATE_NOOP("FailureReasonText", "Folianのライブラリではありません");
    case FlnStatus::WrongVersion:
      return QT_TRANSLATE_NOOP("FailureReasonText", "このバージョンでは扱えない形式のライブラリです");
    case FlnStatus::Truncated:
      return QT_TRANSLATE_NOOP("FailureReasonText", "ファイルが途中で切れています");
    case FlnStatus::Damaged:
      return QT_TRANSLATE_NOOP("FailureReasonText", "ライブラリが壊れています");
    case FlnStatus::WriteFailed:
      return QT_TRANSLATE_NOOP("FailureReasonText", "ファイルの読み書きに失敗しました");
    case FlnStatus::NoSpace:
      return QT_TRANSLATE_NOOP("FailureReasonText", "ディスクの空き容量が足りません");
    case FlnStatus::TooLarge:
      return QT_TRANSLATE_NOOP("FailureReasonText", "ライブラリのファイルが扱える大きさの上限を超えます");
    case FlnStatus::Replaced:
      return QT_TRANSLATE_NOOP("FailureReasonText", "ファイルが、ほかのプログラムによって置き換えられたか変更されています");
    case FlnStatus::SameFile:
      return QT_TRANSLATE_NOOP("FailureReasonText", "コピー先が、ライブラリ自身のファイルです");
    case FlnStatus::Stopped:
      return QT_TRANSLATE_NOOP("FailureReasonText", "中止しました");
  }
  // Not reached for a failure: every kind has its sentence (-Wswitch names a
  // new kind without one).
  return QT_TRANSLATE_NOOP("FailureReasonText", "操作に失敗しました");
}

}  // namespace

QString FailureReasonText(const FlnResult& result) {
  if (result.ok()) return QString();
  const QString text = QCoreApplication::translate("FailureReasonText", KindText(result.status));
  if (result.systemError == 0) return QCoreApplication::translate("FailureReasonText", "%1。").arg(text);
  return QCoreApplication::translate("FailureReasonText", "%1（%2）。")
      .arg(text, QString::fromLocal8Bit(std::strerror(result.systemError)));
}
