#pragma once
// Which entries the entry list shows for the three category choices.

#include "format/FlnRecords.h"

/// Empties `outAry`, then fills it with copies of the entries of `entryAry`
/// whose names on levels 1, 2 and 3 agree with the choices (a choice of
/// kCategoryAll agrees with every name), each entry once, in entry-array order.
/// Names compare as in FlnCategoryTable.h. Returns 0; -1 when memory ran out
/// or the arrays are unusable (not FLN_ENTRY records, or one and the same
/// array), leaving `outAry` empty.
int QueryEntry(const char* cat1, const char* cat2, const char* cat3, TESK_ARY entryAry,
               TESK_ARY outAry);

/// Removes every record of `ary` but keeps its storage block, so that
/// filling it again with as many records allocates nothing.
void EmptyKeepingStorage(TESK_ARY ary);
