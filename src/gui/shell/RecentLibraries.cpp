#include "gui/shell/RecentLibraries.h"

#include <QFileInfo>
#include <QSettings>

namespace {

constexpr char kKey[] = "libraries";

QSettings Store() { return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("FOLIAN"), QStringLiteral("recent")); }

}  // namespace

QStringList RecentLibraries::load() {
  QStringList existing;
  for (const QString& path : Store().value(kKey).toStringList())
    if (QFileInfo(path).isFile()) existing << path;
  return existing;
}

void RecentLibraries::add(const QString& path) {
  QSettings store = Store();
  QStringList paths = store.value(kKey).toStringList();
  paths.removeAll(path);
  paths.prepend(path);
  while (paths.size() > kMaxCount) paths.removeLast();
  store.setValue(kKey, paths);
}

void RecentLibraries::remove(const QString& path) {
  QSettings store = Store();
  QStringList paths = store.value(kKey).toStringList();
  paths.removeAll(path);
  store.setValue(kKey, paths);
}
