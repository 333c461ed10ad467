#include "categories/EntrySelection.h"

#include <algorithm>
#include <new>
#include <unordered_map>

#include "library/FlnSave.h"
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
  const int32_t shown = Tesk_Ary_GetSize(flnData->showEntryAry);
  for (int32_t row : rows) {
    if (row >= shown) break;
    FLN_ENTRY entry;
    Tesk_Ary_GetData(flnData->showEntryAry, row, &entry);
    if (Tesk_Ary_Add(outAry, &entry) != 0) return -1;
  }
  return 0;
}

int SetFlnEntryIsSelected(const std::vector<int>& selectedRows, FLN_DATA* flnData) {
  // Take the selected entries first: when that fails, the stored selection
  // stays as it was instead of being cleared.
  TESK_ARY selected = Tesk_Ary_Init(sizeof(FLN_ENTRY), 20, 20);
  if (selected == nullptr) return -1;
  if (GetSelectedEntryAry(selectedRows, flnData, selected) != 0) {
    Tesk_Ary_Free(selected);
    return -1;
  }

  TESK_ARY entries = flnData->entry;
  if (Tesk_Ary_GetSize(entries) > 0 &&
      entries->recordSize != static_cast<int32_t>(sizeof(FLN_ENTRY))) {
    Tesk_Ary_Free(selected);
    return -1;
  }
  // Clear the flag in place: copying every large record out and back would
  // cost far more than the one byte that changes. Only records whose flag
  // is set are written to, so that the next save has only those to rewrite.
  // The same pass notes where each selected en_id first stands (as
  // UpdateEntry finds it), so that selecting all of a large library does not
  // search the array once per entry, and a click with few rows selected
  // does not index every entry.
  const int32_t selectedCount = Tesk_Ary_GetSize(selected);
  std::unordered_map<int32_t, int32_t> indexOfId;
  int wasLocked = 0;
  Tesk_Ary_Lock(selected, &wasLocked);
  try {
    indexOfId.reserve(static_cast<size_t>(selectedCount));
    for (int32_t i = 0; i < selectedCount; ++i)
      indexOfId.emplace(static_cast<const FLN_ENTRY*>(Tesk_Ary_ReadDataPtr(selected, i))->en_id, -1);
  } catch (const std::bad_alloc&) {
    Tesk_Ary_Free(selected);  // frees the block whether locked or not
    return -1;
  }
  Tesk_Ary_Unlock(selected, wasLocked);
  Tesk_Ary_Lock(entries, &wasLocked);
  const int32_t count = Tesk_Ary_GetSize(entries);
  for (int32_t i = 0; i < count; ++i) {
    const FLN_ENTRY* stored = static_cast<const FLN_ENTRY*>(Tesk_Ary_ReadDataPtr(entries, i));
    if (stored->en_is_select_entrylist != 0)
      static_cast<FLN_ENTRY*>(Tesk_Ary_GetDataPtr(entries, i))->en_is_select_entrylist = 0;
    if (indexOfId.empty()) continue;
    const auto found = indexOfId.find(stored->en_id);
    if (found != indexOfId.end() && found->second < 0) found->second = i;
  }
  Tesk_Ary_Unlock(entries, wasLocked);

  for (int32_t i = 0; i < selectedCount; ++i) {
    FLN_ENTRY entry;
    Tesk_Ary_GetData(selected, i, &entry);
    entry.en_is_select_entrylist = 1;
    const auto found = indexOfId.find(entry.en_id);
    if (found->second >= 0) UpdateEntryAt(entries, found->second, &entry);
  }
  Tesk_Ary_Free(selected);
  return 0;
}

int32_t GetSelectedEntryNum(const std::vector<int>& selectedRows) {
  std::vector<int32_t> rows;
  if (!SelectedRowSet(selectedRows, rows))
    return static_cast<int32_t>(
        std::count_if(selectedRows.begin(), selectedRows.end(), [](int row) { return row >= 0; }));
  return static_cast<int32_t>(rows.size());
}
