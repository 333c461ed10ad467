#pragma once
// Handing files to the desktop: opening them in the applications the user
// chose for them, and showing them in the file manager.

#include <QDBusConnection>
#include <QStringList>

/// The folder that holds copies of PDFs handed to other programs while
/// Folian runs: made on first use, readable by the user alone, and removed
/// with everything in it when the program ends. Empty when it cannot be made.
QString PrivateHandOverFolder();

/// Opens each of `paths` with the desktop's application for its type
/// (QDesktopServices::openUrl); the paths that could not be handed over.
QStringList OpenWithDesktopApplications(const QStringList& paths);

/// Shows `paths` (files of one folder) selected in the file manager: asks
/// the desktop's file manager over D-Bus (org.freedesktop.FileManager1,
/// ShowItems) on `bus`, and where no file manager answers there, opens the
/// folder of the first path with the desktop's application for folders.
/// Returns at once; the answer is waited for in the event loop.
void ShowInFileManager(const QStringList& paths, const QDBusConnection& bus = QDBusConnection::sessionBus());
