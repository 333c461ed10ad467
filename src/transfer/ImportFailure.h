#pragma once
// Why a file or folder of an import was not imported, and which files were
// imported under a name changed on the way. An import goes on with the next
// file after each of these and hands the whole lists back, so that the window
// (or the command-line tool) can show them.

#include <string>

#include "library/FlnResult.h"

enum class ImportFailureReason {
  PathTooLong,       // the path needs more than 511 bytes (or does not fit an entry's path field)
  FolderUnreadable,  // a folder of the chosen tree could not be opened or read
  FileUnreadable,    // the file could not be opened or read
  NotAFile,          // not a regular file: a folder, device, pipe or socket
  FlxTooLarge,       // its metadata text file is larger than kFlxMaxSize
  LibraryFull,       // storing it would take the library file past 4 GiB
  StoreFailed,       // its bytes could not be written into the library file (disk full, I/O error)
  LibraryUnavailable,  // the library file could not be opened for writing again
  NotSaved,          // stored, but the library file could not be saved with its entry
  NoIdentifier,      // no identifier could be handed out for its entry
  MetadataNotUtf8,   // the metadata text file (.flx) beside it is not UTF-8 text
  ReservedCategory,  // its metadata text file names "＜すべて＞" or "＜変更しない＞" as a category
  OutOfMemory,
  PdfUnreadable,     // a merged entry's PDF cannot be read whole from the other library
};

struct ImportFailure {
  std::string path;            // the file or folder (or metadata text file), as the file system names it
  ImportFailureReason reason;
  int error = 0;               // the errno of the failing call, where there was one
};

/// A file imported under a name that is not UTF-8: its entry holds the name
/// as the system decodes file names (QFile::decodeName), which replaces what
/// is not UTF-8, so the user is told rather than left to find it changed.
struct ImportDecodedName {
  std::string path;    // as the file system names it
  std::string stored;  // the path as the entry holds it, UTF-8
};

/// The failure of the file at `path` whose bytes could not be stored into
/// the library file (`stored`, a failure): LibraryFull when the file would
/// pass its largest size, else StoreFailed with the system's error.
ImportFailure StoreFailureOf(const std::string& path, const FlnResult& stored);

/// A short English description of `reason`, for logs and the command line.
const char* ImportFailureReasonText(ImportFailureReason reason);

/// "<path>: <reason>[: <strerror(error)>]", one line.
std::string ImportFailureLine(const ImportFailure& failure);

/// "<path>: the name is not UTF-8; imported as <stored>", one line.
std::string ImportDecodedNameLine(const ImportDecodedName& name);
