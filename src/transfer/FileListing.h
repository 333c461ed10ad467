#pragma once
// Finding the files an import takes below a folder.

#include <vector>

#include "storage/TeskAry.h"
#include "transfer/ImportFailure.h"

/// Appends to `list` (records of kFlnPathBufferSize bytes, each a
/// zero-terminated path) "<folder>/<name>" of every file below the folder
/// `path`, at any depth, whose name holds a "." followed by exactly `ext`
/// after its last ".", in any mix of upper and lower case ASCII letters
/// ("pdf" matches "x.PDF" and "x.Pdf"). Folders are read in the order the file
/// system returns their entries, and matches of every case are listed in that
/// one order; nothing is sorted and hidden names are listed like any other. Symbolic links are not
/// followed into folders; a link whose own name matches is listed.
///
/// Nothing is cut to fit: a path that needs more than 511 bytes is left out
/// of the list and reported as PathTooLong. A folder that cannot be opened or
/// read is reported as FolderUnreadable and the listing goes on with the
/// others. Each problem is appended to `problems` when given.
///
/// Returns 0 when every folder was read and every match listed; 1 when
/// anything was reported, when memory ran out (OutOfMemory, the listing stops)
/// or when `list` does not hold kFlnPathBufferSize-byte records.
int ListUpFilesWithExt(const char* path, const char* ext, TESK_ARY list,
                       std::vector<ImportFailure>* problems = nullptr);
