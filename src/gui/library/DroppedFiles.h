#pragma once
// What files dropped on a library window ask for: libraries to open, PDFs
// and folders to import, and what the window cannot take.

#include <QList>
#include <QStringList>
#include <QUrl>

class QObject;
class QWidget;

struct DroppedFiles {
  QStringList libraries;    // ".fln" files, in any case of the extension: opened
  QStringList importPaths;  // ".pdf" files (any case) and folders: imported, folders with every PDF below them
  QStringList refused;      // other files, and URLs that name no local file (as the user would read them)

  bool takesAnything() const { return !libraries.isEmpty() || !importPaths.isEmpty(); }
};

/// Sorts the URLs of a drop, keeping their order within each list. Only what
/// exists on this machine is taken: a local file that is missing is refused.
DroppedFiles SortDroppedUrls(const QList<QUrl>& urls);

/// Whether the library window `window` takes a drag of `urls` that started
/// at `source` (a widget of this program, or null for another program): it
/// must carry something the window takes (a library, a PDF or a folder) and
/// not come from the window itself (its own entries dragged out). Entries
/// of another library's window are taken.
bool WindowTakesDrag(const QWidget* window, const QObject* source, const QList<QUrl>& urls);
