#include "categories/EntryQuery.h"

#include <cstring>
#include <new>
#include <vector>

#include "categories/CategoryNameText.h"
#include "categories/CategoryNames.h"

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

int QueryEntry(const char* cat1, const char* cat2, const char* cat3, TESK_ARY entryAry,
               TESK_ARY outAry) {
  if (outAry == nullptr || outAry == entryAry) return -1;
  Tesk_Ary_RemoveAll(outAry);
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

  // One pass over the entries in place, then one copy of each passing record
  // into an output sized once: a library's entries are large records, and
  // copying them through intermediate lists is what would make this slow.
  std::vector<int32_t> passing;
  try {
    passing.reserve(static_cast<size_t>(count));
  } catch (const std::bad_alloc&) {
    return -1;
  }
  int wasLocked = 0;
  Tesk_Ary_Lock(entryAry, &wasLocked);
  for (int32_t i = 0; i < count; ++i) {
    const auto* entry = static_cast<const FLN_ENTRY*>(Tesk_Ary_GetDataPtr(entryAry, i));
    if (Passes(*entry, choices)) passing.push_back(i);
  }
  int result = 0;
  if (!passing.empty()) {
    if (Tesk_Ary_SetSize(outAry, static_cast<int32_t>(passing.size())) != 0) {
      result = -1;
    } else {
      for (size_t row = 0; row < passing.size(); ++row)
        Tesk_Ary_Update(outAry, static_cast<int32_t>(row),
                        Tesk_Ary_GetDataPtr(entryAry, passing[row]));
    }
  }
  Tesk_Ary_Unlock(entryAry, wasLocked);
  return result;
}
