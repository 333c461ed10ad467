#include "cli/CliLibraryLock.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

#include "cli/CliOutput.h"
#include "library/FlnLibraryLock.h"

LibraryWriteLock::LibraryWriteLock() = default;
LibraryWriteLock::~LibraryWriteLock() = default;

bool LibraryWriteLock::acquire(const std::string& path) {
  const QString absolute = QFileInfo(QString::fromLocal8Bit(path.c_str())).absoluteFilePath();
  lock_ = std::make_unique<QLockFile>(LibraryLockFilePath(absolute));
  lock_->setStaleLockTime(0);  // only a lock whose process is gone is stale
  if (lock_->tryLock(0)) return true;
  if (lock_->error() == QLockFile::LockFailedError)
    PrintError(path + ": the library is open in Folian or in use by another folian-cli; close it and try again");
  else
    PrintError(path + ": cannot take the library's lock " + LibraryLockFilePath(absolute).toStdString());
  lock_.reset();
  return false;
}
