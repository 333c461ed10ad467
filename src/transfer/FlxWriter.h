#pragma once
// Writing the metadata text file (".flx") of one entry: an empty first line,
// then one line per key of kFlxKeys, "key value", each ended by a line feed.
// A note of several lines continues over several lines. Values are written as
// they are, unless one of them would not read back exactly (FlxEscape.h):
// then the file is of version kFlxVersionEscaped and its text values escaped.

#include <string>

#include "format/FlnRecords.h"

/// Results of WriteFLXFile.
enum : int {
  kFlxWriteOk = 0,
  kFlxWriteCannotCreate = -1,  // the file could not be created or opened; nothing was written
  kFlxWriteFailed = -2,        // writing failed (full disk, I/O error); the file was removed
};

/// The whole text of the metadata text file of `entry` (a stored record,
/// numbers and text little-endian): strings as UTF-8, dates up to their zero
/// byte (at most the field), numbers as signed decimal, the two 8-bit fields
/// as unsigned decimal, rectangles as "top,left,bottom,right".
std::string MakeFLXText_FromEntry(const FLN_ENTRY* entry);

/// Creates or truncates the file at `flxPath` and writes MakeFLXText_FromEntry
/// into it. Returns kFlxWriteOk only when every byte was written; on
/// kFlxWriteFailed no partial file is left under the name, and on either
/// failure errno tells why.
int WriteFLXFile(const FLN_ENTRY* entry, const char* flxPath);
