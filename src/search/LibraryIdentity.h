#pragma once
// Which library a cache belongs to. A library's identity is taken from
// records that are written once when the library is created and never
// change afterwards (the creation times of its three level labels, to the
// millisecond), so it stays the same when the file is moved, renamed or copied,
// and differs between libraries created apart.

#include <QString>
#include <string>

#include "library/FlnData.h"

/// 16 hexadecimal digits naming the library `flnData` holds.
std::string LibraryIdentity(const FLN_DATA* flnData);

/// Where the full-text index of the library `flnData` holds is kept:
/// $XDG_CACHE_HOME/FOLIAN/<identity>.fulltext (~/.cache when unset).
QString FullTextIndexPath(const FLN_DATA* flnData);
