#include "gui/shell/FileManager.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>
#include <memory>

namespace {

constexpr char kService[] = "org.freedesktop.FileManager1";
constexpr char kPath[] = "/org/freedesktop/FileManager1";
// A file manager started by the call itself (D-Bus activation) may take a
// few seconds to answer.
constexpr int kCallTimeoutMs = 10000;

void OpenFolderOf(const QString& path) {
  QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
}

}  // namespace

QString PrivateHandOverFolder() {
  // QTemporaryDir makes the folder with mode 0700 and, as a static, removes
  // it at the program's end.
  static QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/folian-XXXXXX"));
  return folder.isValid() ? folder.path() : QString();
}

QStringList OpenWithDesktopApplications(const QStringList& paths) {
  QStringList failed;
  for (const QString& path : paths)
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path))) failed << path;
  return failed;
}

void ShowInFileManager(const QStringList& paths, const QDBusConnection& bus) {
  if (paths.isEmpty()) return;
  if (!bus.isConnected()) return OpenFolderOf(paths.first());
  QStringList uris;
  for (const QString& path : paths) uris << QUrl::fromLocalFile(path).toString();
  QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                                                     QString::fromLatin1(kService), QStringLiteral("ShowItems"));
  call << uris << QString();
  auto* watcher =
      new QDBusPendingCallWatcher(QDBusConnection(bus).asyncCall(call, kCallTimeoutMs), QCoreApplication::instance());
  const QString first = paths.first();
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher, [first](QDBusPendingCallWatcher* done) {
    if (done->isError()) OpenFolderOf(first);
    done->deleteLater();
  });
}
