#include "search/EntryFilter.h"

#include <algorithm>
#include <new>
#include <unordered_map>

#include "categories/EntryQuery.h"
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

int ListedEntryPositions(TESK_ARY entryAry, TESK_ARY listedAry, std::vector<int32_t>* positions) {
  positions->clear();
  const int32_t listed = Tesk_Ary_GetSize(listedAry);
  if (listed == 0) return 0;
  if (!HoldsEntries(entryAry) || !HoldsEntries(listedAry)) return -1;
  int entryLocked = 0, listedLocked = 0;
  Tesk_Ary_Lock(entryAry, &entryLocked);
  Tesk_Ary_Lock(listedAry, &listedLocked);
  int result = 0;
  try {
    const int32_t count = Tesk_Ary_GetSize(entryAry);
    std::unordered_map<int32_t, int32_t> positionOfId;
    positionOfId.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) positionOfId.emplace(IdAt(entryAry, i), i);
    positions->reserve(static_cast<size_t>(listed));
    for (int32_t row = 0; row < listed && result == 0; ++row) {
      const auto found = positionOfId.find(IdAt(listedAry, row));
      if (found == positionOfId.end()) result = -1;
      else positions->push_back(found->second);
    }
  } catch (const std::bad_alloc&) {
    result = -1;
  }
  Tesk_Ary_Unlock(listedAry, listedLocked);
  Tesk_Ary_Unlock(entryAry, entryLocked);
  if (result != 0) positions->clear();
  return result;
}

bool NarrowsFurther(const QStringList& words, const QStringList& earlierWords) {
  for (const QString& earlier : earlierWords) {
    bool inside = false;
    for (const QString& word : words) inside = inside || word.contains(earlier);
    if (!inside) return false;
  }
  return true;
}

int FilterListedEntries(TESK_ARY entryAry, const std::vector<int32_t>& positions, const EntrySearchText& texts,
                        const QStringList& words, TESK_ARY outAry, std::vector<int32_t>* matched) {
  if (matched != nullptr) matched->clear();
  if (outAry == nullptr || outAry == entryAry) return -1;
  EmptyKeepingStorage(outAry);
  if (!HoldsEntries(outAry)) return -1;
  if (positions.empty()) return 0;
  if (!HoldsEntries(entryAry)) return -1;
  const int32_t count = Tesk_Ary_GetSize(entryAry);
  if (texts.size() != count) return -1;

  int wasLocked = 0;
  Tesk_Ary_Lock(entryAry, &wasLocked);
  int result = 0;
  for (const int32_t position : positions) {
    if (position < 0 || position >= count || texts.idAt(position) != IdAt(entryAry, position)) {
      result = -1;
      break;
    }
    if (!texts.matches(position, words)) continue;
    result = Tesk_Ary_Add(outAry, Tesk_Ary_ReadDataPtr(entryAry, position));
    if (result != 0) break;
    if (matched != nullptr) {
      try {
        matched->push_back(position);
      } catch (const std::bad_alloc&) {
        result = -1;
        break;
      }
    }
  }
  Tesk_Ary_Unlock(entryAry, wasLocked);
  // A partial list would look complete: rather show none.
  if (result != 0) {
    EmptyKeepingStorage(outAry);
    if (matched != nullptr) matched->clear();
  }
  return result == 0 ? 0 : -1;
}

int PickEntriesWithHits(TESK_ARY entryAry, const std::vector<int32_t>& positions,
                        const std::unordered_map<int32_t, int>& hitsById, bool bestFirst, TESK_ARY outAry,
                        std::vector<int>* rowHits) {
  rowHits->clear();
  if (outAry == nullptr || outAry == entryAry) return -1;
  EmptyKeepingStorage(outAry);
  if (!HoldsEntries(outAry)) return -1;
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
    for (size_t i = 0; i < picks.size() && result == 0; ++i) {
      result = Tesk_Ary_Add(outAry, Tesk_Ary_GetDataPtr(entryAry, picks[i].position));
      if (result == 0) rowHits->push_back(picks[i].hits);
    }
  } catch (const std::bad_alloc&) {
    result = -1;
  }
  Tesk_Ary_Unlock(entryAry, wasLocked);
  // A partial list would look complete: rather show none.
  if (result != 0) {
    EmptyKeepingStorage(outAry);
    rowHits->clear();
  }
  return result == 0 ? 0 : -1;
}
