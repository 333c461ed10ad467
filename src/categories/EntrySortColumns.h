#pragma once
// Sorting entries through one column of small numbers per sort key. A
// column gives each entry a number that orders as the entry's field does
// under the entry comparison (EntryCompare.h): a number field's own value,
// a text or date field's rank among the values of the column. With the
// columns made, sorting by up to three keys compares numbers alone, and a
// column stays true for as long as its field is unchanged, whatever the keys
// it is combined with.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "format/EntryFieldKind.h"
#include "format/FlnRecords.h"
#include "storage/TeskAry.h"

/// Numbers that order as the entries at `rows` (indexes of locked FLN_ENTRY
/// records of `entries`) do on `field` ascending: column[i] < column[j] exactly
/// when CompareFlnEntryItem orders the entry of rows[i] before that of
/// rows[j], equal exactly when it finds them equal. Throws std::bad_alloc
/// without memory.
std::vector<uint32_t> MakeSortColumn(TESK_ARY entries, const std::vector<int32_t>& rows, const EntryFieldInfo& field);

/// The en_id of the entries at `rows`, as numbers that order as the ids do.
/// Throws std::bad_alloc.
std::vector<uint32_t> MakeIdColumn(TESK_ARY entries, const std::vector<int32_t>& rows);

/// Where a sort finds the column of a key: `kind`'s column for the entries
/// being sorted, made or kept. May throw std::bad_alloc.
using SortColumnSource = std::function<const std::vector<uint32_t>&(int32_t kind, const EntryFieldInfo& field)>;

/// The positions 0 .. count-1 of the columns' values in the order of the
/// keys of `info` (EntryListSortProc's: the used keys, each in its
/// direction, a kind without a field adding nothing), then the greater id
/// first, then the smaller position. Every column, `ids` included, holds
/// `count` values. Throws std::bad_alloc.
std::vector<int32_t> OrderByKeys(const FLN_ENTRY_LIST_INFO& info, size_t count, const SortColumnSource& columnOf,
                                 const std::vector<uint32_t>& ids);
