#pragma once
// Names of the files kept beside another file (a temporary copy, a journal):
// the file's own name with a suffix. A name as long as the file system
// allows leaves no room for a suffix, so such a name is cut to make room.

#include <string>

/// `path` with `suffix` added to its name, beside it. When the name and the
/// suffix would pass the folder's limit on one name (NAME_MAX where the
/// file system does not say), the name is cut at a character boundary and
/// "~" and 16 hex digits of a hash of the whole name go before the suffix:
/// the result fits, and two long names alike up to the cut still differ.
/// Always the same result for the same path and suffix.
std::string SideFilePath(const std::string& path, const std::string& suffix);
