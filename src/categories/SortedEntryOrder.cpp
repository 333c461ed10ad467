#include "categories/SortedEntryOrder.h"

#include <cstddef>
#include <new>

#include "categories/EntryCompare.h"
#include "categories/EntryQuery.h"
#include "categories/EntrySortColumns.h"
#include "format/CategoryNames.h"
#include "storage/TeskAryChanges.h"

namespace {

uint64_t StampOf(TESK_ARY entryAry, size_t offset, size_t size) {
  return Tesk_Ary_ChangeStamp(entryAry, static_cast<int32_t>(offset), static_cast<int32_t>(size));
}

// The newest stamp of the bytes an entry-list sort by `info` reads.
uint64_t SortedBytesStamp(TESK_ARY entryAry, const FLN_ENTRY_LIST_INFO& info) {
  uint64_t stamp = StampOf(entryAry, offsetof(FLN_ENTRY, en_id), sizeof(FLN_ENTRY::en_id));
  const int used = UsedSortKeyCount(info);
  for (int key = 0; key < used; ++key) {
    const EntryFieldInfo* field = GetEntryFieldInfo(info.sortFieldKind[key]);
    if (field == nullptr) continue;
    const uint64_t fieldStamp = StampOf(entryAry, field->offset, field->size);
    if (fieldStamp > stamp) stamp = fieldStamp;
  }
  return stamp;
}

bool SameKeys(const FLN_ENTRY_LIST_INFO& a, const FLN_ENTRY_LIST_INFO& b) {
  for (int key = 0; key < 3; ++key)
    if (a.sortFieldKind[key] != b.sortFieldKind[key] || a.sortFieldAscend[key] != b.sortFieldAscend[key]) return false;
  return true;
}

}  // namespace

bool SortedEntryOrder::holds(TESK_ARY entryAry, const FLN_ENTRY_LIST_INFO& info, uint64_t stamp) const {
  return _valid && _ary == entryAry && _count == Tesk_Ary_GetSize(entryAry) && _stamp == stamp &&
         SameKeys(_info, info);
}

template <typename Make>
const std::vector<uint32_t>& SortedEntryOrder::keptOrMade(KeptColumn& kept, TESK_ARY entryAry, size_t offset,
                                                          size_t size, Make make) {
  const int32_t count = Tesk_Ary_GetSize(entryAry);
  const uint64_t stamp = StampOf(entryAry, offset, size);
  if (kept.ary == entryAry && kept.count == count && kept.stamp == stamp) return kept.values;
  kept.ary = nullptr;  // until it is whole again
  kept.values = make();
  kept.ary = entryAry;
  kept.count = count;
  kept.stamp = stamp;
  return kept.values;
}

int SortedEntryOrder::sortAll(TESK_ARY entryAry, const FLN_ENTRY_LIST_INFO& info) {
  // Every entry, as the columns hold them: rows 0, 1, 2, ...
  std::vector<int32_t> all;
  if (QueryEntryRows(kCategoryAll, kCategoryAll, kCategoryAll, entryAry, all) != 0) return -1;
  int wasLocked = 0;
  Tesk_Ary_Lock(entryAry, &wasLocked);
  int result = 0;
  try {
    const auto columnOf = [&](int32_t kind, const EntryFieldInfo& field) -> const std::vector<uint32_t>& {
      return keptOrMade(_columns[kind], entryAry, field.offset, field.size, [&] {
        ++_columnCount;
        return MakeSortColumn(entryAry, all, field);
      });
    };
    const std::vector<uint32_t>& ids = keptOrMade(_ids, entryAry, offsetof(FLN_ENTRY, en_id), sizeof(FLN_ENTRY::en_id),
                                                  [&] { return MakeIdColumn(entryAry, all); });
    _order = OrderByKeys(info, all.size(), columnOf, ids);  // positions in `all` are its rows
  } catch (const std::bad_alloc&) {
    _order.clear();
    result = -1;
  }
  Tesk_Ary_Unlock(entryAry, wasLocked);
  return result;
}

int SortedEntryOrder::query(const char* cat1, const char* cat2, const char* cat3, TESK_ARY entryAry,
                            const FLN_ENTRY_LIST_INFO& info, std::vector<int32_t>& rows) {
  const uint64_t stamp = SortedBytesStamp(entryAry, info);
  if (!holds(entryAry, info, stamp)) {
    _valid = false;
    if (sortAll(entryAry, info) != 0) {
      rows.clear();
      return -1;
    }
    ++_sortCount;
    _ary = entryAry;
    _count = Tesk_Ary_GetSize(entryAry);
    _stamp = stamp;
    _info = info;
    _valid = true;
  }
  // The chosen entries, found in one pass in stored order, then taken in
  // sorted order. The sort's order is a total one (its last tie-break is the
  // row), so picking from the whole order gives what sorting the chosen
  // entries alone would.
  if (QueryEntryRows(cat1, cat2, cat3, entryAry, rows) != 0) return -1;
  try {
    if (rows.size() == _order.size()) {
      rows = _order;
      return 0;
    }
    std::vector<bool> chosen(_order.size(), false);
    for (const int32_t row : rows) chosen[static_cast<size_t>(row)] = true;
    rows.clear();
    for (const int32_t row : _order)
      if (chosen[static_cast<size_t>(row)]) rows.push_back(row);
  } catch (const std::bad_alloc&) {
    rows.clear();
    return -1;
  }
  return 0;
}
