#pragma once
// Finding a stored entry again by its identifier. Windows keep an entry's
// en_id, never a pointer into the array, so they look the record up anew.

#include <cstdint>

#include "format/FlnRecords.h"
#include "storage/TeskAry.h"

/// Copies the first entry of `entryArray` whose en_id (host order) is
/// `entryId` into `out` and returns 1; 0 (out untouched) when there is none,
/// the array is null or holds other records. It costs a lookup in the
/// array's index of en_id (Tesk_Ary_FindKey), not a walk.
int GetFLNEntry_ByID(TESK_ARY entryArray, int32_t entryId, FLN_ENTRY* out);
