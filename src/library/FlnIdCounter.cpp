#include "library/FlnIdCounter.h"

#include <climits>
#include <cstring>

#include "storage/Endian.h"
#include "storage/TeskUtil.h"

namespace {

bool SameKey(const FLN_ID_COUNTER& counter, const char* key, size_t keyLength) {
  return strnlen(counter.key, sizeof counter.key) == keyLength && std::memcmp(counter.key, key, keyLength) == 0;
}

}  // namespace

int32_t GetIdFromIdCounter(TESK_ARY idCounter, int32_t tag, const char* key) {
  if (idCounter == nullptr || key == nullptr || idCounter->recordSize != static_cast<int32_t>(sizeof(FLN_ID_COUNTER)))
    return -1;
  const size_t keyLength = strnlen(key, kIdCounterKeyMax);

  const int32_t count = Tesk_Ary_GetSize(idCounter);
  for (int32_t i = 0; i < count; ++i) {
    FLN_ID_COUNTER counter;
    Tesk_Ary_GetData(idCounter, i, &counter);
    if (ZEL_EndianLong_LtoN(counter.tag) != tag || !SameKey(counter, key, keyLength)) continue;
    const int32_t id = ZEL_EndianLong_LtoN(counter.nextId);
    if (id < 0 || id == INT32_MAX) return -1;  // a damaged or exhausted counter must not repeat ids
    counter.nextId = ZEL_EndianLong_NtoL(id + 1);
    Tesk_GetCurrentTimeAsString(counter.updateDate, sizeof counter.updateDate);
    Tesk_Ary_Update(idCounter, i, &counter);
    return id;
  }

  if (tag == kTagIdCounter) return 0;

  FLN_ID_COUNTER counter;
  std::memset(&counter, 0, sizeof counter);
  const int32_t icId = GetIdFromIdCounter(idCounter, kTagIdCounter, "ic_id");
  if (icId < 0) return -1;
  counter.ic_id = ZEL_EndianLong_NtoL(icId);
  counter.tag = ZEL_EndianLong_NtoL(tag);
  std::memcpy(counter.key, key, keyLength);
  counter.nextId = ZEL_EndianLong_NtoL(1);
  Tesk_GetCurrentTimeAsString(counter.createDate, sizeof counter.createDate);
  Tesk_GetCurrentTimeAsString(counter.updateDate, sizeof counter.updateDate);
  return Tesk_Ary_Add(idCounter, &counter) == 0 ? 0 : -1;
}
