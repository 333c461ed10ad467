#pragma once
// The entry list's selection, given as the selected row numbers of the list
// (row r shows record shownRows[r] of FLN_DATA::entry). The rows are taken as a
// set: in any order, repeats counted once, negative numbers ignored.

#include <vector>

#include "library/FlnData.h"

/// Appends the selected rows to `indexAry` (host-order int32_t records) in
/// ascending order. 0, or -1 when memory ran out.
int GetSelectedEntryIndexAry(const std::vector<int>& selectedRows, TESK_ARY indexAry);

/// Appends to `outAry` a copy of the entry shown in each selected row
/// that has one, in row order. 0, or -1 when memory ran out or there is no
/// library.
int GetSelectedEntryAry(const std::vector<int>& selectedRows, const FLN_DATA* flnData,
                        TESK_ARY outAry);

/// Makes en_is_select_entrylist of every entry in flnData->entry 1 for the
/// entries shown in a selected row and 0 for all others. Only the entries
/// whose flag changes are written to (and so count as changed for the next
/// save); no update date is renewed, as the entries themselves stay as they
/// were. 0, or -1 when memory ran out or there is no library (nothing is
/// changed then).
int SetFlnEntryIsSelected(const std::vector<int>& selectedRows, FLN_DATA* flnData);

/// Number of selected rows.
int32_t GetSelectedEntryNum(const std::vector<int>& selectedRows);
