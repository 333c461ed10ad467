#include "library/FlnEntryLookup.h"

#include <cstddef>

#include "format/Endian.h"
#include "storage/TeskAryChanges.h"

int GetFLNEntry_ByID(TESK_ARY entryArray, int32_t entryId, FLN_ENTRY* out) {
  if (entryArray == nullptr || entryArray->recordSize != static_cast<int32_t>(sizeof(FLN_ENTRY))) return 0;
  // The array's index of en_id finds the first entry with the id, as a walk
  // would, without reading every entry; the key is compared as stored.
  const int32_t found =
      Tesk_Ary_FindKey(entryArray, offsetof(FLN_ENTRY, en_id), ZEL_EndianLong_NtoL(entryId));
  if (found < 0) return 0;
  Tesk_Ary_GetData(entryArray, found, out);
  return 1;
}
