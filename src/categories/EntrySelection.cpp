#include "categories/EntrySelection.h"

#include <algorithm>
#include <cstdint>
#include <new>

#include "library/FlnLoad.h"
#include "storage/TeskAryChanges.h"

namespace {

// The selected rows, ascending, each once, without negative numbers.
bool SelectedRowSet(const std::vector<int>& selectedRows, std::vector<int32_t>& rows) {
  try {
    rows.reserve(selectedRows.size());
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (int row : selectedRows)
    if (row >= 0) rows.push_back(row);
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return true;
}

}  // namespace

int GetSelectedEntryIndexAry(const std::vector<int>& selectedRows, TESK_ARY indexAry) {
  std::vector<int32_t> rows;
  if (!SelectedRowSet(selectedRows, rows)) return -1;
  for (int32_t row : rows)
    if (Tesk_Ary_Add(indexAry, &row) != 0) return -1;
  return 0;
}

int GetSelectedEntryAry(const std::vector<int>& selectedRows, const FLN_DATA* flnData,
                        TESK_ARY outAry) {
  if (flnData == nullptr) return -1;
  std::vector<int32_t> rows;
  if (!SelectedRowSet(selectedRows, rows)) return -1;
  for (int32_t row : rows) {
    const FLN_ENTRY* entry = ShownEntry(flnData, row);
    if (entry == nullptr) break;  // rows past the list; the rows are ascending
    if (Tesk_Ary_Add(outAry, entry) != 0) return -1;
  }
  return 0;
}

int SetFlnEntryIsSelected(const std::vector<int>& selectedRows, FLN_DATA* flnData) {
  if (flnData == nullptr) return -1;
  TESK_ARY entries = flnData->entry;
  const int32_t count = Tesk_Ary_GetSize(entries);
  if (count > 0 && entries->recordSize != static_cast<int32_t>(sizeof(FLN_ENTRY))) return -1;
  // The flag is a note of the list's state, not a change of the entry: it
  // is set in place and only where it changes, and no update date is
  // renewed. Selecting every row of a large library would otherwise make
  // every entry count as changed, and the next save rewrite them all.
  // The wanted flags are worked out before the first one changes, so that
  // running out of memory leaves the stored selection as it was. A row
  // names its entry's index directly: no sorting or searching, so selecting
  // all rows of a large list costs one pass over the entries.
  std::vector<uint8_t> wanted;
  try {
    wanted.assign(static_cast<size_t>(count), 0);
  } catch (const std::bad_alloc&) {
    return -1;
  }
  for (int row : selectedRows) {
    const int32_t index = ShownEntryIndex(*flnData, row);
    if (index >= 0 && index < count) wanted[static_cast<size_t>(index)] = 1;
  }
  int wasLocked = 0;
  Tesk_Ary_Lock(entries, &wasLocked);
  for (int32_t i = 0; i < count; ++i) {
    const FLN_ENTRY* stored = static_cast<const FLN_ENTRY*>(Tesk_Ary_ReadDataPtr(entries, i));
    if (stored->en_is_select_entrylist != wanted[static_cast<size_t>(i)])
      static_cast<FLN_ENTRY*>(Tesk_Ary_GetDataPtr(entries, i))->en_is_select_entrylist = wanted[static_cast<size_t>(i)];
  }
  Tesk_Ary_Unlock(entries, wasLocked);
  return 0;
}

int32_t GetSelectedEntryNum(const std::vector<int>& selectedRows) {
  std::vector<int32_t> rows;
  if (!SelectedRowSet(selectedRows, rows))
    return static_cast<int32_t>(
        std::count_if(selectedRows.begin(), selectedRows.end(), [](int row) { return row >= 0; }));
  return static_cast<int32_t>(rows.size());
}
