#pragma once
// Questions about the category names that entries (arrays of FLN_ENTRY) carry
// on one level (1, 2 or 3). Names compare as in FlnCategoryTable.h.

#include "format/FlnRecords.h"
#include "storage/TeskAry.h"

/// 1 when some entry's name on `level` equals `name`, else 0 (also for a
/// level other than 1, 2 or 3).
int IsExistEntryUsedDeleteCategory(TESK_ARY entryAry, const char* name, int level);

/// 1 and the common name in `outName` (kCategoryNameSize bytes) when every
/// entry has the first entry's name on `level`; an empty array counts as
/// agreeing and yields the empty name. Otherwise 0 and the empty name (also
/// for a level other than 1, 2 or 3).
int FlnEntriesCatIsSameName(TESK_ARY entryAry, int level, char* outName);
