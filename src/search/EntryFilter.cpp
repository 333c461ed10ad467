#include "search/EntryFilter.h"

#include <algorithm>
#include <new>
#include <unordered_map>

#include "format/Endian.h"
#include "storage/TeskAryChanges.h"

namespace {

bool HoldsEntries(TESK_ARY ary) {
  return ary != nullptr && ary->recordSize == static_cast<int32_t>(sizeof(FLN_ENTRY));
}

int32_t IdAt(TESK_ARY ary, int32_t index) {
  return ZEL_EndianLong_LtoN(static_cast<const FLN_ENTRY*>(Tesk_Ary_ReadDataPtr(ary, index))->en_id);
}

}  // namespace

bool NarrowsFurther(const QStringList& words, const QStringList& earlierWords) {
  for (const QString& earlier : earlierWords) {
    bool inside = false;
    for (const QString& word : words) inside = inside || word.contains(earlier);
    if (!inside) return false;
  }
  return true;
}

int FilterListedEntries(TESK_ARY entryAry, const std::vector<int32_t>& positions, const EntrySearchText& texts,
                        const QStringList& words, std::vector<int32_t>& rows) {
  rows.clear();
  if (positions.empty()) return 0;
  if (!HoldsEntries(entryAry) || !texts.inStepWith(entryAry)) return -1;
  const int32_t count = Tesk_Ary_GetSize(entryAry);
  for (const int32_t position : positions)
    if (position < 0 || position >= count) return -1;
  try {
    texts.pickMatching(positions, words, rows);
  } catch (const std::bad_alloc&) {
    rows.clear();  // a partial list would look complete: rather show none
    return -1;
  }
  return 0;
}

int PickEntriesWithHits(TESK_ARY entryAry, const std::vector<int32_t>& positions,
                        const std::unordered_map<int32_t, int>& hitsById, bool bestFirst, std::vector<int32_t>& rows,
                        std::vector<int>* rowHits) {
  rows.clear();
  rowHits->clear();
  if (positions.empty() || hitsById.empty()) return 0;
  if (!HoldsEntries(entryAry)) return -1;
  const int32_t count = Tesk_Ary_GetSize(entryAry);

  int wasLocked = 0;
  Tesk_Ary_Lock(entryAry, &wasLocked);
  int result = 0;
  try {
    struct Pick {
      int32_t position;
      int hits;
    };
    std::vector<Pick> picks;
    for (const int32_t position : positions) {
      if (position < 0 || position >= count) {
        result = -1;
        break;
      }
      const auto found = hitsById.find(IdAt(entryAry, position));
      if (found != hitsById.end()) picks.push_back({position, found->second});
    }
    if (bestFirst)
      std::stable_sort(picks.begin(), picks.end(), [](const Pick& a, const Pick& b) { return a.hits > b.hits; });
    if (result == 0) {
      rows.reserve(picks.size());
      rowHits->reserve(picks.size());
      for (const Pick& pick : picks) {
        rows.push_back(pick.position);
        rowHits->push_back(pick.hits);
      }
    }
  } catch (const std::bad_alloc&) {
    result = -1;
  }
  Tesk_Ary_Unlock(entryAry, wasLocked);
  // A partial list would look complete: rather show none.
  if (result != 0) {
    rows.clear();
    rowHits->clear();
  }
  return result;
}
