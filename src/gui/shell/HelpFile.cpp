#include "gui/shell/HelpFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QStringList HelpFileCandidates(const QString& programFolder) {
  const QDir folder(programFolder);
  // FOLIAN_HELP_FROM_PROGRAM: the README's install path relative to the
  // program's install folder, as the install rules lay them out.
  return {QDir::cleanPath(folder.absoluteFilePath(QStringLiteral(FOLIAN_HELP_FROM_PROGRAM))),
          QDir::cleanPath(folder.absoluteFilePath(QStringLiteral("README.md")))};
}

QString FindHelpFile(const QStringList& candidates) {
  for (const QString& candidate : candidates) {
    const QFileInfo info(candidate);
    if (info.isFile() && info.isReadable()) return candidate;
  }
  return QString();
}

QString HelpNotFoundMessage(const QStringList& candidates) {
  return QCoreApplication::translate("HelpFile", "ヘルプが見つかりません。次の場所を探しました:\n") +
         candidates.join(QLatin1Char('\n'));
}

QString HelpNotOpenedMessage(const QString& helpFile) {
  return QCoreApplication::translate("HelpFile", "ヘルプ「%1」を開けるプログラムがありません。").arg(helpFile);
}
