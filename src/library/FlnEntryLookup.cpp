#include "library/FlnEntryLookup.h"

#include "format/Endian.h"

int GetFLNEntry_ByID(TESK_ARY entryArray, int32_t entryId, FLN_ENTRY* out) {
  const int32_t count = entryArray != nullptr ? Tesk_Ary_GetSize(entryArray) : 0;
  for (int32_t i = 0; i < count; ++i) {
    FLN_ENTRY entry;
    Tesk_Ary_GetData(entryArray, i, &entry);
    if (ZEL_EndianLong_LtoN(entry.en_id) == entryId) {
      *out = entry;
      return 1;
    }
  }
  return 0;
}
