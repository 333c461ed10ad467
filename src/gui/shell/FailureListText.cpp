#include <QCoreApplication>
#include "gui/shell/FailureListText.h"

#include "library/FlnLoad.h"
#include "format/FieldText.h"

QString ImportFailureReasonJapanese(ImportFailureReason reason) {
  switch (reason) {
    case ImportFailureReason::PathTooLong:
      return QCoreApplication::translate("FailureListText", "パスが長すぎます");
    case ImportFailureReason::FolderUnreadable:
      return QCoreApplication::translate("FailureListText", "フォルダを読み込めません");
    case ImportFailureReason::FileUnreadable:
      return QCoreApplication::translate("FailureListText", "ファイルを読み込めません");
    case ImportFailureReason::NotAFile:
      return QCoreApplication::translate("FailureListText", "ファイルではありません");
    case ImportFailureReason::FlxTooLarge:
      return QCoreApplication::translate("FailureListText", "情報ファイル(.flx)が64KBを超えています");
    case ImportFailureReason::LibraryFull:
      return QCoreApplication::translate("FailureListText", "ライブラリが上限の4GBを超えます");
    case ImportFailureReason::StoreFailed:
      return QCoreApplication::translate("FailureListText", "ライブラリに書き込めません");
    case ImportFailureReason::LibraryUnavailable:
      return QCoreApplication::translate("FailureListText", "ライブラリを開けません");
    case ImportFailureReason::NotSaved:
      return QCoreApplication::translate("FailureListText", "ライブラリを保存できません");
    case ImportFailureReason::NoIdentifier:
      return QCoreApplication::translate("FailureListText", "識別番号を割り当てられません");
    case ImportFailureReason::MetadataNotUtf8:
      return QCoreApplication::translate("FailureListText", "情報ファイル(.flx)がUTF-8のテキストではありません");
    case ImportFailureReason::ReservedCategory:
      return QCoreApplication::translate("FailureListText",
                                         "情報ファイル(.flx)の分類名が「＜すべて＞」か「＜変更しない＞」です");
    case ImportFailureReason::OutOfMemory:
      return QCoreApplication::translate("FailureListText", "メモリが足りません");
    case ImportFailureReason::PdfUnreadable:
      return QCoreApplication::translate("FailureListText", "結合するライブラリからPDFを読み込めません");
  }
  return QString();
}

QString FailureListMessage(const QString& heading, const std::vector<QString>& lines, int maxLines) {
  QString message = heading;
  const int count = static_cast<int>(lines.size());
  const int shown = count > maxLines ? maxLines - 1 : count;
  for (int i = 0; i < shown; ++i) message += QLatin1Char('\n') + lines[static_cast<size_t>(i)];
  if (shown < count)
    message += QLatin1Char('\n') + QCoreApplication::translate("FailureListText", "ほか%1件").arg(count - shown);
  return message;
}

QString ImportFailureMessage(const std::vector<ImportFailure>& failures) {
  std::vector<QString> lines;
  for (const ImportFailure& failure : failures) {
    const QString path = QString::fromStdString(failure.path);
    lines.push_back(path + QStringLiteral(" — ") + ImportFailureReasonJapanese(failure.reason));
  }
  return FailureListMessage(
      QCoreApplication::translate("FailureListText", "次の%1件を読み込めませんでした。").arg(failures.size()), lines);
}

QString NotPdfMessage(const std::vector<std::string>& paths) {
  std::vector<QString> lines;
  for (const std::string& path : paths)
    lines.push_back(QString::fromStdString(path) +
                    QCoreApplication::translate("FailureListText", " — PDFではありません"));
  return FailureListMessage(
      QCoreApplication::translate("FailureListText", "次の%1件はPDFではありませんが、指定どおり読み込みました。")
          .arg(paths.size()),
      lines);
}

QString DuplicateListMessage(const std::vector<std::string>& paths, bool skipped) {
  std::vector<QString> lines;
  for (const std::string& path : paths) lines.push_back(QString::fromStdString(path));
  const QString heading =
      skipped
          ? QCoreApplication::translate("FailureListText",
                                        "次の%1件はライブラリにすでにあるため、読み込みませんでした。")
          : QCoreApplication::translate("FailureListText", "次の%1件はライブラリにすでにありますが、読み込みました。");
  return FailureListMessage(heading.arg(paths.size()), lines);
}

QString ImportDecodedNameMessage(const std::vector<ImportDecodedName>& names) {
  std::vector<QString> lines;
  for (const ImportDecodedName& name : names) lines.push_back(QString::fromStdString(name.stored));
  return FailureListMessage(
      QCoreApplication::translate("FailureListText",
                                  "次の%1件は、ファイル名がUTF-8ではないため、置き換えた名前で読み込みました。")
          .arg(names.size()),
      lines);
}

QString ExportProblemJapanese(ExportProblemKind kind) {
  switch (kind) {
    case ExportProblemKind::NoPdf:
      return QCoreApplication::translate("FailureListText", "ライブラリからPDFを読み出せません");
    case ExportProblemKind::WriteFailed:
      return QCoreApplication::translate("FailureListText", "PDFを書き込めません");
    case ExportProblemKind::NameTooLong:
      return QCoreApplication::translate("FailureListText", "書き出し先のパスが長すぎます");
    case ExportProblemKind::NoFreeName:
      return QCoreApplication::translate("FailureListText", "空いているファイル名がありません");
    case ExportProblemKind::MetadataNotWritten:
      return QCoreApplication::translate("FailureListText",
                                         "PDFは書き出しましたが、情報ファイル(.flx)を書き込めません");
  }
  return QString();
}

QString ExportProblemMessage(const std::vector<ExportProblem>& problems, const FLN_DATA* flnData) {
  std::vector<QString> lines;
  for (const ExportProblem& problem : problems) {
    FLN_ENTRY entry;
    const QString title = GetFLNEntry_ByFLNData(flnData, problem.row, &entry) == 1
                              ? FLN_COMM_CreateNSString_FromUniChar_LtoN(entry.en_title, sizeof entry.en_title)
                              : QString();
    const bool damaged = problem.kind == ExportProblemKind::NoPdf &&
                         (problem.pdf == PdfFault::DigestMismatch || problem.pdf == PdfFault::SizeMismatch);
    lines.push_back(title + QStringLiteral(" — ") +
                    (damaged ? QCoreApplication::translate("FailureListText", "ライブラリ内のPDFが壊れています")
                             : ExportProblemJapanese(problem.kind)));
  }
  return FailureListMessage(
      QCoreApplication::translate("FailureListText", "次の%1件は書き出せませんでした。").arg(problems.size()), lines);
}

QString DropRefusedMessage(const QStringList& refused) {
  return FailureListMessage(
      QCoreApplication::translate("FailureListText",
                                  "次の%1件はPDFでもフォルダでもFolianライブラリでもないため、読み込みませんでした。")
          .arg(refused.size()),
      std::vector<QString>(refused.begin(), refused.end()));
}
