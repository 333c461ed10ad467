#pragma once
// Which entries the entry list shows for the three category choices.

#include <cstdint>
#include <vector>

#include "format/FlnRecords.h"
#include "storage/TeskAry.h"

/// Empties `outAry`, then fills it with copies of the entries of `entryAry`
/// whose names on levels 1, 2 and 3 agree with the choices (a choice of
/// kCategoryAll agrees with every name), each entry once, in entry-array order.
/// Names compare as in FlnCategoryTable.h. Returns 0; -1 when memory ran out
/// or the arrays are unusable (not FLN_ENTRY records, or one and the same
/// array), leaving `outAry` empty.
int QueryEntry(const char* cat1, const char* cat2, const char* cat3, TESK_ARY entryAry,
               TESK_ARY outAry);

/// Sets `rows` to the indexes in `entryAry` of the entries that QueryEntry
/// would copy, ascending, without copying any record. Returns 0; -1 when
/// memory ran out or the array does not hold FLN_ENTRY records, leaving
/// `rows` empty.
int QueryEntryRows(const char* cat1, const char* cat2, const char* cat3, TESK_ARY entryAry,
                   std::vector<int32_t>& rows);

/// Appends to `outAry` a copy of record rows[i] of `entryAry` for each i in
/// turn (every row an index of a record; both arrays of FLN_ENTRY records).
/// Returns 0; -1 when memory ran out, leaving `outAry` empty.
int CopyEntryRows(TESK_ARY entryAry, const std::vector<int32_t>& rows, TESK_ARY outAry);

/// Removes every record of `ary` but keeps its storage block, so that
/// filling it again with as many records allocates nothing.
void EmptyKeepingStorage(TESK_ARY ary);
