#pragma once
// Reading a library file into FLN_DATA, releasing it, and reading a listed entry.

#include <cstdint>
#include <vector>

#include "library/FlnData.h"
#include "library/FlnResult.h"

/// Reads the library file at `path` into `flnData`.
///
/// Refused, with `flnData` left exactly as it was: a path of 256 bytes or
/// more (it would not fit filePath), a file that cannot be opened or is not a
/// regular file, one that is not a ZEL container or has another version, one
/// shorter than the container header, one whose tag chain or any member chain
/// other than that of the PDFs ('ATTD') is broken, and one with a tag of
/// records whose members differ in length. The result says which, with a
/// reason text naming what was wrong. Damage confined to the PDFs' member
/// chain does not stop loading: the PDFs behind it fail when they are read
/// (ReadPDFData_ByFLNFile).
///
/// On success every stored array is set and none is null: 'LABE', 'ENTR',
/// 'ATTA', 'IDCO', 'ENVI', 'CATS' load into label, entry, attachment,
/// idCounter, envAry, catsAry; a missing tag, or one whose members all have
/// one length that is not its record's, gives an empty array of the right
/// record size. The counters of 'IDCO', 'LABE', 'ENTR', 'ATTA', 'ENVI' and
/// 'CATS' are raised above the identifiers their records hold, made where
/// missing (RaiseIdCounter), in memory only: the next save stores them. shownRows is empty; cat1Ary..cat3Ary hold the
/// distinct names of catsAry per level, sorted with CategorySortFunc;
/// filePath is `path`. entryListInfo takes the first three 'ENSO' records in
/// stored order, or without them sort field kinds 2, 0, 0 with the first
/// direction ascending (the other two directions are kept). Arrays that
/// flnData held in those fields are released. colorLabel and
/// lastSelectCat1..3 are not touched.
FlnResult ReadFlnDataFromFlnFile(const char* path, FLN_DATA* flnData);

/// Releases entry, label, idCounter, attachment, catsAry, cat1Ary..cat3Ary,
/// envAry and the disk image, setting each to null, and empties shownRows and
/// filePath.
void FreeFlnData(FLN_DATA* flnData);

/// Copies the entry shown in row `index` of the list (ShownEntry) into `out`
/// and returns 1; returns 0 and leaves `out` untouched when ShownEntry gives
/// none.
int GetFLNEntry_ByFLNData(const FLN_DATA* flnData, int32_t index, FLN_ENTRY* out);

/// The entry shown in row `row` of the list: record shownRows[row] of entry,
/// read in place (valid until entry changes); null for a row outside the
/// list, a row number that names no record of entry, or no library.
const FLN_ENTRY* ShownEntry(const FLN_DATA* flnData, int32_t row);

/// The index in entry of the record shown in row `row` (shownRows[row]); -1
/// for a row outside the list.
int32_t ShownEntryIndex(const FLN_DATA& flnData, int32_t row);

/// Keeps shownRows in step after the records `indexes` (ascending, distinct)
/// of entry were removed: rows showing them leave the list and rows of
/// later records move down by the number removed before them. One pass.
void ForgetEntryRows(FLN_DATA* flnData, const std::vector<int32_t>& indexes);
