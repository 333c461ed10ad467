#include "categories/EntryQuery.h"

#include <cstring>

#include "format/CategoryNameText.h"
#include "format/CategoryNames.h"
#include "storage/TeskAryChanges.h"

namespace {

struct LevelChoice {
  char name[kCategoryNameSize];
  bool matchesAll;
};

bool Passes(const FLN_ENTRY& entry, const LevelChoice (&choices)[3]) {
  for (int level = 1; level <= 3; ++level) {
    const LevelChoice& choice = choices[level - 1];
    if (choice.matchesAll) continue;
    char stored[kCategoryNameSize];
    ReadCategoryNameOf(entry, level, stored);
    if (strcmp(stored, choice.name) != 0) return false;
  }
  return true;
}

}  // namespace

// Empties the array but keeps its block: the shown entries are rebuilt after
// every change, and a block that is already as large as the next result saves
// allocating (and touching fresh pages of) megabytes of records each time.
void EmptyKeepingStorage(TESK_ARY ary) {
  for (int32_t i = Tesk_Ary_GetSize(ary) - 1; i >= 0; --i) Tesk_Ary_Remove(ary, i);
}

int QueryEntry(const char* cat1, const char* cat2, const char* cat3, TESK_ARY entryAry,
               TESK_ARY outAry) {
  if (outAry == nullptr || outAry == entryAry) return -1;
  EmptyKeepingStorage(outAry);
  if (outAry->recordSize != static_cast<int32_t>(sizeof(FLN_ENTRY))) return -1;
  const int32_t count = Tesk_Ary_GetSize(entryAry);
  if (count == 0) return 0;
  if (entryAry->recordSize != static_cast<int32_t>(sizeof(FLN_ENTRY))) return -1;

  LevelChoice choices[3];
  const char* names[3] = {cat1, cat2, cat3};
  for (int i = 0; i < 3; ++i) {
    CopyCategoryName(choices[i].name, names[i]);
    choices[i].matchesAll = strcmp(choices[i].name, kCategoryAll) == 0;
  }

  // One pass over the entries in place, copying each passing record once:
  // a library's entries are large records, and copying them through
  // intermediate lists is what would make this slow. Room for every entry
  // is made at once rather than twenty records at a time; without it the
  // list still grows as it goes.
  Tesk_Ary_Reserve(outAry, count);
  int wasLocked = 0;
  Tesk_Ary_Lock(entryAry, &wasLocked);
  int result = 0;
  for (int32_t i = 0; i < count && result == 0; ++i) {
    const void* record = Tesk_Ary_ReadDataPtr(entryAry, i);
    if (Passes(*static_cast<const FLN_ENTRY*>(record), choices))
      result = Tesk_Ary_Add(outAry, record);
  }
  Tesk_Ary_Unlock(entryAry, wasLocked);
  // A partial list would look complete: rather show none.
  if (result != 0) Tesk_Ary_RemoveAll(outAry);
  return result == 0 ? 0 : -1;
}
