#pragma once
// Converting a library file to 64-bit offsets (container version 3), for a
// library that has to grow past 4 GiB. Nothing else converts a library: a
// new library, and every library that never needs it, stays version 2.

#include <cstdint>
#include <functional>
#include <string>

#include "library/FlnData.h"
#include "library/FlnLibraryLock.h"
#include "library/FlnResult.h"

/// Told the bytes of stored data copied so far and in all; returning false stops the conversion.
using LibraryUpgradeProgress = std::function<bool(uint64_t done, uint64_t total)>;

/// Whether the library file at `path` is a container of version 3 already.
bool LibraryIsWide(const std::string& path);

/// Writes a version-3 copy of the library file at `path` beside it (every
/// tag and member in its order, so that every record and PDF index means what
/// it meant, with the old file's permissions), flushes it, locks it as
/// `holder` and renames it over `path`. The caller holds `lock` exclusively on
/// `path`; on success `lock` holds the new file and the old one's lock is
/// given up, so that no one gets in between. On any failure (a damaged
/// library, a full disk, a stop asked by `progress`) the old file is left as
/// it was, nothing is left beside it, and `lock` still holds it. A library
/// that is version 3 already is left alone (success).
FlnResult UpgradeLibraryFile(const std::string& path, LibraryLock* lock, LibraryLockHolder holder,
                             const LibraryUpgradeProgress& progress);

/// UpgradeLibraryFile for the library loaded into `flnData`, which goes on
/// with the converted file. Refused (nothing written) when the file is not as
/// this program loaded or last wrote it (LibraryFileIsAsLeft): its records
/// would not be the ones held. Afterwards the next save writes every record
/// of the new file once.
FlnResult UpgradeLoadedLibrary(FLN_DATA* flnData, LibraryLock* lock, LibraryLockHolder holder,
                               const LibraryUpgradeProgress& progress);
