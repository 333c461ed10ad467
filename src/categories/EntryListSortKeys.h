#pragma once
// How a click on a column header of the entry list changes its three sort
// keys. The library's keys are authoritative: the table only tells which
// column was clicked and which direction it would sort that column in.

#include "format/FlnRecords.h"

/// The keys after a click on the column with key `columnKey` (such as
/// "title", "author"; see EntryFieldKind.h) for which the table asks the
/// direction `ascending`. With K, A the current kinds and directions, k the
/// clicked column's kind:
///  - k = K[0]: only the primary direction changes, to `ascending`;
///  - k = K[1]: the first two keys change places, each with its own direction;
///  - k = K[2]: the third key moves to the front with its own direction,
///    the first two follow it;
///  - any other column becomes the primary key with `ascending`, the old first
///    two follow it and the old third key is dropped.
/// A key that names no sortable column (null, empty, unknown) leaves the keys
/// as they are, so that the list is never left without a primary key.
FLN_ENTRY_LIST_INFO GetEntryListInfo_ByHeaderClick(const FLN_ENTRY_LIST_INFO& current,
                                                   const char* columnKey, bool ascending);
