#pragma once
// Adding a category triple (one combination of a level-1, -2 and -3 name) to
// the library's category table. What the triples mean, and the queries over
// them, are in categories/FlnCategoryTable.h.

#include "format/FlnRecords.h"
#include "storage/TeskAry.h"

/// Appends one FLN_CATS record: ct_id from the counter ('CATS', "ct_id") of
/// `idCounter`, the three UTF-8 names (null counts as empty) as [128S]
/// fields, both dates now. Does not look for an equal triple. Returns 0, or
/// -1 with nothing appended when `catsAry` is null or holds other records, a
/// name does not fit its field (more than 126 UTF-16 units), no identifier can
/// be had or memory runs out. A name that does not fit is refused rather than
/// stored empty, and is refused before an identifier is used up.
int CreateFlnCats(const char* cat1, const char* cat2, const char* cat3, TESK_ARY idCounter, TESK_ARY catsAry);
