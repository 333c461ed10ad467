#include "library/FlnLibraryLock.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

void IgnoreMessage(QtMsgType, const QMessageLogContext&, const QString&) {}

// Qt warns on stderr when XDG_RUNTIME_DIR is not set (as under cron or a
// plain ssh login) before it falls back to a folder of its own; the fallback
// is what matters here, and the warning would only clutter messages.
QString RuntimeFolder() {
  const QtMessageHandler previous = qInstallMessageHandler(IgnoreMessage);
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  qInstallMessageHandler(previous);
  return folder;
}

}  // namespace

QString LibraryLockFilePath(const QString& absolutePath) {
  QString folder = RuntimeFolder();
  if (folder.isEmpty()) folder = QDir::tempPath();
  const QString canonical = QFileInfo(absolutePath).canonicalFilePath();
  const QByteArray hash = QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha1).toHex();
  return folder + QStringLiteral("/folian-") + QString::fromLatin1(hash) + QStringLiteral(".lock");
}
