#pragma once
// Giving back the space that removed items leave in a library file (a
// deleted entry's PDF, records of a shrunk array): the library is rewritten
// without it into a new file beside it, which then takes its name
// (FlnFileReplacement.h). The new file holds the records a copy writes
// (WriteLibraryRecords, so every entry, id, category, environment value and
// stored PDF of an entry), followed by every other tag of the old file
// member by member (the entry list's sort keys, the remembered folders, the
// per-level category tags and any tag this program does not know).

#include <cstdint>
#include <functional>
#include <string>

#include "library/FlnLibraryLock.h"
#include "library/FlnResult.h"

/// What a compaction did.
struct FlnCompaction {
  int64_t sizeBefore = 0;  // bytes of the library file before
  int64_t sizeAfter = 0;   // bytes of the file that took its place
};

/// Called before each stored PDF is copied, with the number copied so far
/// and the number to copy; returning false stops the compaction, which then
/// leaves the library as it was (FlnStatus::Stopped).
using CompactProgress = std::function<bool(int32_t done, int32_t total)>;

/// Rewrites the library file at `path`, whose lock the caller holds
/// exclusively in `lock` (as `holder`), in a container of its version and
/// with its permissions. The new file is locked as `holder` before it takes
/// the library's name, so that no other process finds the library unlocked;
/// on success `lock` holds the new file and the old one's lock is given up.
///
/// Refused, with the file untouched, nothing left beside it and `lock` still
/// on it: a file that does not load, an entry's PDF that cannot be read whole
/// (a copy would leave it out: FlnStatus::Damaged naming how many), a stop
/// asked by `progress`, a failure to write, flush, lock or rename. A process
/// that dies at any point leaves the old file or the whole new one at `path`
/// (perhaps with an unfinished "<path>.new-..." file beside it, which is
/// never the library). `done`, when given, receives the sizes on success.
FlnResult CompactLibraryFile(const std::string& path, LibraryLock* lock, LibraryLockHolder holder,
                             FlnCompaction* done, const CompactProgress& progress = nullptr);
