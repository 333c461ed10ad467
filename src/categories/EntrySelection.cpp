#include "categories/EntrySelection.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <unordered_map>

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
  if (flnData == nullptr) return -1;
  TESK_ARY entries = flnData->entry;
  TESK_ARY shown = flnData->showEntryAry;
  if ((Tesk_Ary_GetSize(entries) > 0 && entries->recordSize != static_cast<int32_t>(sizeof(FLN_ENTRY))) ||
      (Tesk_Ary_GetSize(shown) > 0 && shown->recordSize != static_cast<int32_t>(sizeof(FLN_ENTRY))))
    return -1;
  // The flag is a note of the list's state, not a change of the entry: it
  // is set in place and only where it changes, and no update date is
  // renewed. Selecting every row of a large library would otherwise make
  // every entry count as changed, and the next save rewrite them all.
  // The selected en_ids are taken before the first flag changes, so that
  // running out of memory leaves the stored selection as it was; only they
  // are indexed, so that a click with few rows selected costs little.
  std::vector<int32_t> rows;
  std::unordered_map<int32_t, bool> seen;  // selected en_id: its first entry was met
  try {
    if (!SelectedRowSet(selectedRows, rows)) return -1;
    const int32_t shownCount = Tesk_Ary_GetSize(shown);
    seen.reserve(rows.size());
    for (int32_t row : rows) {
      if (row >= shownCount) break;
      seen.emplace(static_cast<const FLN_ENTRY*>(Tesk_Ary_ReadDataPtr(shown, row))->en_id, false);
    }
  } catch (const std::bad_alloc&) {
    return -1;
  }
  int wasLocked = 0;
  Tesk_Ary_Lock(entries, &wasLocked);
  const int32_t count = Tesk_Ary_GetSize(entries);
  for (int32_t i = 0; i < count; ++i) {
    const FLN_ENTRY* stored = static_cast<const FLN_ENTRY*>(Tesk_Ary_ReadDataPtr(entries, i));
    uint8_t wanted = 0;
    if (!seen.empty()) {
      const auto found = seen.find(stored->en_id);
      if (found != seen.end() && !found->second) {  // the first of an en_id, as UpdateEntry finds it
        found->second = true;
        wanted = 1;
      }
    }
    if (stored->en_is_select_entrylist != wanted)
      static_cast<FLN_ENTRY*>(Tesk_Ary_GetDataPtr(entries, i))->en_is_select_entrylist = wanted;
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
