#pragma once
// Where the lock of a library file lives. The Folian application holds it for
// every open library and folian-cli takes it for every command that writes,
// because two programs writing one library file would overwrite each other's
// changes. Both must name the very same file, so the rule lives here once.

#include <QString>

/// The user's runtime folder (else the temporary folder), "folian-" and the
/// SHA-1 of the library's canonical path, ".lock".
QString LibraryLockFilePath(const QString& absolutePath);
