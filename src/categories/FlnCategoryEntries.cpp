#include "categories/FlnCategoryEntries.h"

#include <cstring>

#include "format/CategoryNameText.h"

int IsExistEntryUsedDeleteCategory(TESK_ARY entryAry, const char* name, int level) {
  if (level < 1 || level > 3) return 0;
  char wanted[kCategoryNameSize];
  CopyCategoryName(wanted, name);
  const int32_t count = Tesk_Ary_GetSize(entryAry);
  for (int32_t i = 0; i < count; ++i) {
    FLN_ENTRY entry;
    Tesk_Ary_GetData(entryAry, i, &entry);
    char stored[kCategoryNameSize];
    ReadCategoryNameOf(entry, level, stored);
    if (strcmp(stored, wanted) == 0) return 1;
  }
  return 0;
}

int FlnEntriesCatIsSameName(TESK_ARY entryAry, int level, char* outName) {
  outName[0] = '\0';
  if (level < 1 || level > 3) return 0;
  const int32_t count = Tesk_Ary_GetSize(entryAry);
  if (count == 0) return 1;
  FLN_ENTRY entry;
  Tesk_Ary_GetData(entryAry, 0, &entry);
  char first[kCategoryNameSize];
  ReadCategoryNameOf(entry, level, first);
  for (int32_t i = 1; i < count; ++i) {
    Tesk_Ary_GetData(entryAry, i, &entry);
    char other[kCategoryNameSize];
    ReadCategoryNameOf(entry, level, other);
    if (strcmp(other, first) != 0) return 0;
  }
  memcpy(outName, first, strlen(first) + 1);
  return 1;
}
