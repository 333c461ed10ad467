#include "gui/shell/StartWindowPlace.h"

#include <QSettings>

namespace {

constexpr char kKey[] = "position";

QSettings Store() {
  return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("FOLIAN"), QStringLiteral("start"));
}

}  // namespace

std::optional<QPoint> RememberedStartWindowCorner() {
  const QVariant stored = Store().value(kKey);
  if (!stored.canConvert<QPoint>()) return std::nullopt;
  return stored.toPoint();
}

void RememberStartWindowCorner(const QPoint& corner) { Store().setValue(kKey, corner); }
