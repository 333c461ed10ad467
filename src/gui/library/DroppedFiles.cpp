#include "gui/library/DroppedFiles.h"

#include <QFileInfo>
#include <QWidget>

DroppedFiles SortDroppedUrls(const QList<QUrl>& urls) {
  DroppedFiles sorted;
  for (const QUrl& url : urls) {
    if (!url.isLocalFile()) {
      sorted.refused << url.toDisplayString();
      continue;
    }
    const QString path = url.toLocalFile();
    const QFileInfo info(path);
    if (info.isDir())
      sorted.importPaths << path;
    else if (!info.exists())
      sorted.refused << path;
    else if (info.suffix().compare(QLatin1String("fln"), Qt::CaseInsensitive) == 0)
      sorted.libraries << path;
    else if (info.suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0)
      sorted.importPaths << path;
    else
      sorted.refused << path;
  }
  return sorted;
}

bool WindowTakesDrag(const QWidget* window, const QObject* source, const QList<QUrl>& urls) {
  const auto* sourceWidget = qobject_cast<const QWidget*>(source);
  if (sourceWidget != nullptr && sourceWidget->window() == window) return false;
  return SortDroppedUrls(urls).takesAnything();
}
