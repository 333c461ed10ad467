#pragma once
// Reading a PDF that is to be imported.

#include <QByteArray>
#include <string>

#include "transfer/ImportFailure.h"

/// Reads the whole regular file at `path` (following a symbolic link) into
/// `bytes` and returns true. Otherwise false with `failure` saying why:
/// FileUnreadable (with errno; also for a file cut while being read),
/// NotAFile for a folder, pipe or device (never waited on), LibraryFull for a
/// file too large ever to be stored in a library, OutOfMemory.
bool ReadImportFile(const std::string& path, QByteArray* bytes, ImportFailure* failure);

/// Whether `bytes` begin as a PDF does: the header "%PDF-" within the first
/// 1024 bytes (readers accept a little junk before it). An empty file, a text
/// file or an image named ".pdf" does not.
bool LooksLikePdf(const QByteArray& bytes);
