#pragma once
// Sorting a whole entry list at once. The order is exactly the one that
// Tesk_Ary_QuickSort with EntryListSortProc gives for the same keys, but each
// key's field is read once per sort into a column of numbers
// (EntrySortColumns.h) instead of twice per comparison, and the records are
// moved once, after the order is known.

#include <cstdint>
#include <vector>

#include "format/FlnRecords.h"
#include "storage/TeskAry.h"

/// Sorts `entries` (FLN_ENTRY records) by the keys of `info` as
/// EntryListSortProc orders them. Entries that repeat an en_id and agree on
/// every key keep their relative order. Returns 0; -1 when memory ran out or
/// the array does not hold FLN_ENTRY records (the array is then unchanged).
int SortEntryArray(TESK_ARY entries, const FLN_ENTRY_LIST_INFO& info);

/// Sets `rows` to the indexes in `entryAry` of the entries that QueryEntry
/// would choose, in the order SortEntryArray would give their copies (equal
/// entries by ascending index), reading the records in place and copying
/// none. Returns 0; -1 as QueryEntryRows would or when memory ran out,
/// leaving `rows` empty.
int QuerySortedRows(const char* cat1, const char* cat2, const char* cat3, TESK_ARY entryAry,
                    const FLN_ENTRY_LIST_INFO& info, std::vector<int32_t>& rows);
