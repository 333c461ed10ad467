#include "categories/EntrySort.h"

#include <cstring>
#include <new>
#include <vector>

#include "categories/EntryQuery.h"
#include "categories/EntrySortColumns.h"
#include "storage/TeskAryChanges.h"

namespace {

// Moves the records so that position p receives the record that was at
// order[p], following each cycle of the permutation with one spare record.
void ApplyOrder(TESK_ARY entries, const std::vector<int32_t>& order, std::vector<bool>& placed,
                std::vector<char>& spare) {
  const size_t recordSize = sizeof(FLN_ENTRY);
  for (size_t start = 0; start < order.size(); ++start) {
    if (placed[start] || order[start] == static_cast<int32_t>(start)) continue;
    memcpy(spare.data(), Tesk_Ary_GetDataPtr(entries, static_cast<int32_t>(start)), recordSize);
    size_t at = start;
    for (;;) {
      placed[at] = true;
      const size_t from = static_cast<size_t>(order[at]);
      void* dest = Tesk_Ary_GetDataPtr(entries, static_cast<int32_t>(at));
      if (from == start) {
        memcpy(dest, spare.data(), recordSize);
        break;
      }
      memcpy(dest, Tesk_Ary_GetDataPtr(entries, static_cast<int32_t>(from)), recordSize);
      at = from;
    }
  }
}

// Puts `rows` (indexes of locked records of `entries`, ascending) in the
// order of the keys of `info`, through a column of each used key made for
// this sort. May throw std::bad_alloc, leaving `rows` as it was.
void SortRows(TESK_ARY entries, const FLN_ENTRY_LIST_INFO& info, std::vector<int32_t>& rows) {
  std::vector<uint32_t> columns[3];  // one per key at most
  int made = 0;
  const auto makeColumn = [&](int32_t, const EntryFieldInfo& field) -> const std::vector<uint32_t>& {
    return columns[made++] = MakeSortColumn(entries, rows, field);
  };
  std::vector<int32_t> order = OrderByKeys(info, rows.size(), makeColumn, MakeIdColumn(entries, rows));
  for (int32_t& position : order) position = rows[static_cast<size_t>(position)];
  rows.swap(order);
}

}  // namespace

int SortEntryArray(TESK_ARY entries, const FLN_ENTRY_LIST_INFO& info) {
  const int32_t count = Tesk_Ary_GetSize(entries);
  if (count < 2) return 0;
  if (entries->recordSize != static_cast<int32_t>(sizeof(FLN_ENTRY))) return -1;

  int wasLocked = 0;
  Tesk_Ary_Lock(entries, &wasLocked);
  int result = 0;
  try {
    std::vector<int32_t> order(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) order[static_cast<size_t>(i)] = i;
    SortRows(entries, info, order);
    std::vector<bool> placed(order.size(), false);
    std::vector<char> spare(sizeof(FLN_ENTRY));
    ApplyOrder(entries, order, placed, spare);
  } catch (const std::bad_alloc&) {
    result = -1;  // nothing has moved yet: ApplyOrder allocates nothing
  }
  Tesk_Ary_Unlock(entries, wasLocked);
  return result;
}

int QuerySortedRows(const char* cat1, const char* cat2, const char* cat3, TESK_ARY entryAry,
                    const FLN_ENTRY_LIST_INFO& info, std::vector<int32_t>& rows) {
  if (QueryEntryRows(cat1, cat2, cat3, entryAry, rows) != 0) return -1;
  int wasLocked = 0;
  Tesk_Ary_Lock(entryAry, &wasLocked);
  int result = 0;
  try {
    SortRows(entryAry, info, rows);
  } catch (const std::bad_alloc&) {
    rows.clear();
    result = -1;
  }
  Tesk_Ary_Unlock(entryAry, wasLocked);
  return result;
}
