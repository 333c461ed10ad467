#pragma once
// Gathering and folding the searchable text of entries (EntrySearchText.h
// says what it holds) without a string object per field, and of many
// entries on two processor cores at once: the first keystroke in a large
// library may find every entry still to fold.

#include <cstdint>
#include <vector>

#include "format/FlnRecords.h"

/// Appends the folded searchable text of `entry` to `out`. `scratch` holds
/// the unfolded text meanwhile and is reused from call to call. Throws
/// std::bad_alloc.
void AppendSearchText(const FLN_ENTRY& entry, std::vector<char16_t>& scratch, std::vector<char16_t>& out);

/// Appends to `units` the folded searchable texts of `records`, one after
/// another, and to `lengths` the length of each; on failure neither
/// changes. Many records are shared between the calling thread and one
/// more, and it returns only after both are done: the records are read
/// while the caller waits, so they need to stay unchanged only for the
/// call. Throws std::bad_alloc.
void AppendSearchTexts(const std::vector<const FLN_ENTRY*>& records, std::vector<char16_t>& units,
                       std::vector<uint32_t>& lengths);
