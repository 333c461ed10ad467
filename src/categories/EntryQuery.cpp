#include "categories/EntryQuery.h"

#include <cstring>
#include <new>

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

int QueryEntryRows(const char* cat1, const char* cat2, const char* cat3, TESK_ARY entryAry,
                   std::vector<int32_t>& rows) {
  rows.clear();
  const int32_t count = Tesk_Ary_GetSize(entryAry);
  if (count == 0) return 0;
  if (entryAry->recordSize != static_cast<int32_t>(sizeof(FLN_ENTRY))) return -1;

  LevelChoice choices[3];
  const char* names[3] = {cat1, cat2, cat3};
  for (int i = 0; i < 3; ++i) {
    CopyCategoryName(choices[i].name, names[i]);
    choices[i].matchesAll = strcmp(choices[i].name, kCategoryAll) == 0;
  }

  // One pass over the entries in place that reads only their names: a
  // library's entries are large records, and copying them is what would
  // make listing slow.
  int wasLocked = 0;
  Tesk_Ary_Lock(entryAry, &wasLocked);
  int result = 0;
  try {
    rows.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i)
      if (Passes(*static_cast<const FLN_ENTRY*>(Tesk_Ary_ReadDataPtr(entryAry, i)), choices))
        rows.push_back(i);
  } catch (const std::bad_alloc&) {
    rows.clear();
    result = -1;
  }
  Tesk_Ary_Unlock(entryAry, wasLocked);
  return result;
}

int QueryEntry(const char* cat1, const char* cat2, const char* cat3, TESK_ARY entryAry,
               TESK_ARY outAry) {
  if (outAry == nullptr || outAry == entryAry) return -1;
  EmptyKeepingStorage(outAry);
  if (outAry->recordSize != static_cast<int32_t>(sizeof(FLN_ENTRY))) return -1;
  std::vector<int32_t> rows;
  if (QueryEntryRows(cat1, cat2, cat3, entryAry, rows) != 0) return -1;
  return CopyEntryRows(entryAry, rows, outAry);
}

int CopyEntryRows(TESK_ARY entryAry, const std::vector<int32_t>& rows, TESK_ARY outAry) {
  // Room for every record is made at once rather than twenty records at a
  // time; without it the list still grows as it goes.
  Tesk_Ary_Reserve(outAry, static_cast<int32_t>(rows.size()));
  int wasLocked = 0;
  Tesk_Ary_Lock(entryAry, &wasLocked);
  int result = 0;
  for (size_t i = 0; i < rows.size() && result == 0; ++i)
    result = Tesk_Ary_Add(outAry, Tesk_Ary_ReadDataPtr(entryAry, rows[i]));
  Tesk_Ary_Unlock(entryAry, wasLocked);
  // A partial list would look complete: rather show none.
  if (result != 0) Tesk_Ary_RemoveAll(outAry);
  return result == 0 ? 0 : -1;
}
