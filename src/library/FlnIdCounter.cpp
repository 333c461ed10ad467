#include "library/FlnIdCounter.h"

#include <climits>
#include <cstring>

#include "format/Endian.h"
#include "storage/TeskUtil.h"
#include "storage/TeskAryChanges.h"

namespace {

bool SameKey(const FLN_ID_COUNTER& counter, const char* key, size_t keyLength) {
  return strnlen(counter.key, sizeof counter.key) == keyLength && std::memcmp(counter.key, key, keyLength) == 0;
}

bool HoldsCounters(TESK_ARY idCounter) {
  return idCounter != nullptr && idCounter->recordSize == static_cast<int32_t>(sizeof(FLN_ID_COUNTER));
}

// Index of the counter (tag, key) in `idCounter`, or -1.
int32_t FindCounter(TESK_ARY idCounter, int32_t tag, const char* key, size_t keyLength) {
  const int32_t count = Tesk_Ary_GetSize(idCounter);
  for (int32_t i = 0; i < count; ++i) {
    FLN_ID_COUNTER counter;
    Tesk_Ary_GetData(idCounter, i, &counter);
    if (ZEL_EndianLong_LtoN(counter.tag) == tag && SameKey(counter, key, keyLength)) return i;
  }
  return -1;
}

// The identifier after `highest`; INT32_MAX, which no counter hands out,
// when there is none.
int32_t After(int32_t highest) { return highest == INT32_MAX ? INT32_MAX : highest + 1; }

// Appends the counter (tag, key) with its own identifier `icId`, to hand out `nextId` next.
bool AddCounter(TESK_ARY idCounter, int32_t icId, int32_t tag, const char* key, size_t keyLength, int32_t nextId) {
  FLN_ID_COUNTER counter;
  std::memset(&counter, 0, sizeof counter);
  counter.ic_id = ZEL_EndianLong_NtoL(icId);
  counter.tag = ZEL_EndianLong_NtoL(tag);
  std::memcpy(counter.key, key, keyLength);
  counter.nextId = ZEL_EndianLong_NtoL(nextId);
  Tesk_GetCurrentTimeAsString(counter.createDate, sizeof counter.createDate);
  Tesk_GetCurrentTimeAsString(counter.updateDate, sizeof counter.updateDate);
  return Tesk_Ary_Add(idCounter, &counter) == 0;
}

// Makes a missing counter (tag, key) that hands out `nextId` next. A counter
// of 'IDCO' itself counts the counters' own identifiers: it takes the first
// one above those stored for itself, as no counter can hand it one.
bool MakeCounter(TESK_ARY idCounter, int32_t tag, const char* key, size_t keyLength, int32_t nextId) {
  if (tag != kTagIdCounter) {
    const int32_t icId = GetIdFromIdCounter(idCounter, kTagIdCounter, "ic_id");
    return icId >= 0 && AddCounter(idCounter, icId, tag, key, keyLength, nextId);
  }
  const int32_t own = After(HighestStoredId(idCounter, offsetof(FLN_ID_COUNTER, ic_id)));
  if (own == INT32_MAX) return false;
  return AddCounter(idCounter, own, tag, key, keyLength, nextId > own ? nextId : After(own));
}

}  // namespace

int32_t HighestStoredId(TESK_ARY records, size_t idOffset) {
  int32_t highest = -1;
  if (records == nullptr || idOffset + sizeof(int32_t) > static_cast<size_t>(records->recordSize)) return highest;
  const int32_t count = Tesk_Ary_GetSize(records);
  int wasLocked;
  Tesk_Ary_Lock(records, &wasLocked);
  for (int32_t i = 0; i < count; ++i) {
    int32_t stored;
    std::memcpy(&stored, static_cast<const char*>(Tesk_Ary_ReadDataPtr(records, i)) + idOffset, sizeof stored);
    const int32_t id = ZEL_EndianLong_LtoN(stored);
    if (id > highest) highest = id;
  }
  Tesk_Ary_Unlock(records, wasLocked);
  return highest;
}

int32_t GetIdFromIdCounter(TESK_ARY idCounter, int32_t tag, const char* key) {
  if (!HoldsCounters(idCounter) || key == nullptr) return -1;
  const size_t keyLength = strnlen(key, kIdCounterKeyMax);

  int32_t i = FindCounter(idCounter, tag, key, keyLength);
  if (i < 0) {
    if (!MakeCounter(idCounter, tag, key, keyLength, 0)) return -1;
    i = FindCounter(idCounter, tag, key, keyLength);
  }
  FLN_ID_COUNTER counter;
  Tesk_Ary_GetData(idCounter, i, &counter);
  const int32_t id = ZEL_EndianLong_LtoN(counter.nextId);
  if (id < 0 || id == INT32_MAX) return -1;  // a damaged or exhausted counter must not repeat ids
  counter.nextId = ZEL_EndianLong_NtoL(id + 1);
  Tesk_GetCurrentTimeAsString(counter.updateDate, sizeof counter.updateDate);
  Tesk_Ary_Update(idCounter, i, &counter);
  return id;
}

int RaiseIdCounter(TESK_ARY idCounter, int32_t tag, const char* key, int32_t highestStored) {
  if (!HoldsCounters(idCounter) || key == nullptr) return -1;
  if (highestStored < 0) return 0;
  const size_t keyLength = strnlen(key, kIdCounterKeyMax);
  const int32_t above = After(highestStored);
  const int32_t i = FindCounter(idCounter, tag, key, keyLength);
  if (i < 0) return MakeCounter(idCounter, tag, key, keyLength, above) ? 0 : -1;

  FLN_ID_COUNTER counter;
  Tesk_Ary_GetData(idCounter, i, &counter);
  if (ZEL_EndianLong_LtoN(counter.nextId) >= above) return 0;
  counter.nextId = ZEL_EndianLong_NtoL(above);
  Tesk_GetCurrentTimeAsString(counter.updateDate, sizeof counter.updateDate);
  Tesk_Ary_Update(idCounter, i, &counter);
  return 0;
}
