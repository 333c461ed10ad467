#pragma once
// The per-user preference file "Preference.zel" in the folder "FOLIAN" of the
// user's preferences folder (~/.config), and one-record tags in a container
// file: 'PM01' (folder of the last folder import), 'PM02' (folder of the last
// single-file import), 'PM03' (folder of the library opened last), each one
// 256-byte record holding a zero-terminated path. 'PM01' and 'PM02' are also
// kept in the library file itself.

#include <cstddef>
#include <cstdint>

#include "format/LibrarySchema.h"  // kPreferenceRecordSize
#include "library/FlnResult.h"

/// Writes the preference file's path into `out` (`outSize` bytes, normally at
/// least 256) and returns 1, creating the folder "FOLIAN" (and the folders
/// above it) when missing; a folder that cannot be created is not reported,
/// the file's writers fail then. Returns 0 with `out` empty when there is no
/// preferences folder or the path does not fit: there is no preference file.
int GetPreferenceFilePath(char* out, size_t outSize);

/// Stores `record` (`recordSize` bytes) as the single member of `tag` in the
/// container at `path`, creating the container when no file is there. A
/// member of the same size is replaced in place. Fails, saying why, when the
/// file is not a container (it is left untouched; the reason is why it could
/// not be opened), cannot be opened or created, the tag holds members of
/// another size, or a write fails (the system's errno and text).
FlnResult WritePreference_ToZelFile(const char* path, int32_t tag, int32_t recordSize, const void* record);

/// Copies the first member of `tag` of the container at `path` into `out`:
/// at most `outSize` bytes, and zeros after a shorter member. Returns 1; 0 with
/// `out` unchanged when the file cannot be opened as a container, or the tag
/// is missing or holds members of different sizes.
int ReadPreference_FromZelFile(const char* path, int32_t tag, void* out, int32_t outSize);
