#pragma once
// The value of list's "--sort": up to three column keys of the entry list,
// separated by commas, primary first, each ascending or, with a leading "-",
// descending ("title", "-fileSize,title").

#include <string>

#include "format/FlnRecords.h"

/// Fills `info` from `text`. Keys left out get kind 0 (not used) and the
/// ascending flag. False, with `info` untouched and `error` set, for an empty
/// key, a key that names no sortable column, or more than three keys.
bool ParseSortOption(const std::string& text, FLN_ENTRY_LIST_INFO* info, std::string* error);

/// The sortable column keys, comma-separated, for messages and the help.
std::string SortableColumnKeys();
