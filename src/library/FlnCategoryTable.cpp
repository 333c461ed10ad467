#include "library/FlnCategoryTable.h"

#include <cstring>

#include "format/CategoryNameText.h"
#include "format/CategoryNames.h"
#include "format/Endian.h"

namespace {

bool IsAllCategories(const char* cutName) { return strcmp(cutName, kCategoryAll) == 0; }

// Name records are written zero-terminated, but one read from elsewhere might
// fill the whole record: never compare beyond it.
bool RecordEquals(const char* record, const char* cutName) {
  return strncmp(record, cutName, kCategoryNameSize) == 0;
}

int DistinctNamesOfLevel(int level, TESK_ARY catsAry, TESK_ARY nameAry) {
  if (nameAry == nullptr) return -1;
  Tesk_Ary_RemoveAll(nameAry);
  const int32_t count = Tesk_Ary_GetSize(catsAry);
  for (int32_t i = 0; i < count; ++i) {
    FLN_CATS cats;
    Tesk_Ary_GetData(catsAry, i, &cats);
    char record[kCategoryNameSize] = {};
    ReadCategoryNameOf(cats, level, record);
    if (IsContainsCategory(nameAry, record)) continue;
    if (Tesk_Ary_Add(nameAry, record) != 0) return -1;
  }
  return 0;
}

int QueryCatsOfLevel(int level, const char* name, TESK_ARY source, TESK_ARY output) {
  if (output == nullptr) return -1;
  char wanted[kCategoryNameSize];
  CopyCategoryName(wanted, name);
  const bool all = IsAllCategories(wanted);
  const int32_t count = Tesk_Ary_GetSize(source);
  for (int32_t i = 0; i < count; ++i) {
    FLN_CATS cats;
    Tesk_Ary_GetData(source, i, &cats);
    if (!all) {
      char stored[kCategoryNameSize];
      ReadCategoryNameOf(cats, level, stored);
      if (strcmp(stored, wanted) != 0) continue;
    }
    if (Tesk_Ary_Add(output, &cats) != 0) return -1;
  }
  return 0;
}

// Filters the table by the first choice, that result by the second, and takes
// the distinct names of `level` from what is left.
int QueryNamesOfLevel(int level, TESK_ARY catsAry, int firstLevel, const char* firstChoice,
                      int secondLevel, const char* secondChoice, TESK_ARY nameAry) {
  if (nameAry == nullptr) return -1;
  TESK_ARY first = Tesk_Ary_Init(sizeof(FLN_CATS), 20, 20);
  TESK_ARY second = Tesk_Ary_Init(sizeof(FLN_CATS), 20, 20);
  int result = -1;
  if (first != nullptr && second != nullptr &&
      QueryCatsOfLevel(firstLevel, firstChoice, catsAry, first) == 0 &&
      QueryCatsOfLevel(secondLevel, secondChoice, first, second) == 0) {
    result = DistinctNamesOfLevel(level, second, nameAry);
  }
  // A list that is missing names would look complete: rather show none.
  if (result != 0) Tesk_Ary_RemoveAll(nameAry);
  Tesk_Ary_Free(first);
  Tesk_Ary_Free(second);
  return result;
}

}  // namespace

int IsCatsExists(TESK_ARY catsAry, const char* name1, const char* name2, const char* name3) {
  char wanted[3][kCategoryNameSize];
  CopyCategoryName(wanted[0], name1);
  CopyCategoryName(wanted[1], name2);
  CopyCategoryName(wanted[2], name3);
  const int32_t count = Tesk_Ary_GetSize(catsAry);
  for (int32_t i = 0; i < count; ++i) {
    FLN_CATS cats;
    Tesk_Ary_GetData(catsAry, i, &cats);
    bool same = true;
    for (int level = 1; level <= 3 && same; ++level) {
      char stored[kCategoryNameSize];
      ReadCategoryNameOf(cats, level, stored);
      same = strcmp(stored, wanted[level - 1]) == 0;
    }
    if (same) return 1;
  }
  return 0;
}

int IsContainsCategory(TESK_ARY nameAry, const char* name) {
  return GetCategoryIndex_ByName(nameAry, name) >= 0 ? 1 : 0;
}

int GetDistinctCat1Ary_FromCatsAry(TESK_ARY catsAry, TESK_ARY nameAry) {
  return DistinctNamesOfLevel(1, catsAry, nameAry);
}
int GetDistinctCat2Ary_FromCatsAry(TESK_ARY catsAry, TESK_ARY nameAry) {
  return DistinctNamesOfLevel(2, catsAry, nameAry);
}
int GetDistinctCat3Ary_FromCatsAry(TESK_ARY catsAry, TESK_ARY nameAry) {
  return DistinctNamesOfLevel(3, catsAry, nameAry);
}

int CategorySortFunc(const void* a, const void* b) {
  const char* nameA = static_cast<const char*>(a);
  const char* nameB = static_cast<const char*>(b);
  const bool aIsOther = RecordEquals(nameA, kCategoryOther);
  const bool bIsOther = RecordEquals(nameB, kCategoryOther);
  // Two "other" names are equal like any two equal names; answering 1 both
  // ways would give the sort an inconsistent order.
  if (aIsOther && bIsOther) return 0;
  if (aIsOther) return 1;
  if (bIsOther) return -1;
  return strncmp(nameA, nameB, kCategoryNameSize);
}

int QueryFlnCats_ByCat1(const char* name, TESK_ARY source, TESK_ARY output) {
  return QueryCatsOfLevel(1, name, source, output);
}
int QueryFlnCats_ByCat2(const char* name, TESK_ARY source, TESK_ARY output) {
  return QueryCatsOfLevel(2, name, source, output);
}
int QueryFlnCats_ByCat3(const char* name, TESK_ARY source, TESK_ARY output) {
  return QueryCatsOfLevel(3, name, source, output);
}

int QueryCategory1_ByCat2NameAndCat3Name(TESK_ARY catsAry, const char* cat2, const char* cat3,
                                         TESK_ARY nameAry) {
  return QueryNamesOfLevel(1, catsAry, 2, cat2, 3, cat3, nameAry);
}
int QueryCategory2_ByCat1NameAndCat3Name(TESK_ARY catsAry, const char* cat1, const char* cat3,
                                         TESK_ARY nameAry) {
  return QueryNamesOfLevel(2, catsAry, 1, cat1, 3, cat3, nameAry);
}
int QueryCategory3_ByCat1NameAndCat2Name(TESK_ARY catsAry, const char* cat1, const char* cat2,
                                         TESK_ARY nameAry) {
  return QueryNamesOfLevel(3, catsAry, 1, cat1, 2, cat2, nameAry);
}

int DeleteFlnCats_ByCatNameAndCatKind(const char* name, int level, TESK_ARY catsAry) {
  if (level < 1 || level > 3) return 0;
  char wanted[kCategoryNameSize];
  CopyCategoryName(wanted, name);
  // Removing by position (from the back, so that earlier positions stay
  // valid) rather than by ct_id: a damaged table with two triples under one
  // ct_id must not lose the triple that does not carry the name.
  int removed = 0;
  for (int32_t i = Tesk_Ary_GetSize(catsAry) - 1; i >= 0; --i) {
    FLN_CATS cats;
    Tesk_Ary_GetData(catsAry, i, &cats);
    char stored[kCategoryNameSize];
    ReadCategoryNameOf(cats, level, stored);
    if (strcmp(stored, wanted) != 0) continue;
    Tesk_Ary_Remove(catsAry, i);
    ++removed;
  }
  return removed;
}

void GetCategoryName_ByIndex(TESK_ARY nameAry, int32_t row, char* outName) {
  if (nameAry == nullptr || row < 0) {
    outName[0] = '\0';
    return;
  }
  if (row == 0) {
    CopyCategoryName(outName, kCategoryAll);
    return;
  }
  // A row without a record reads as a zero-filled record: the empty name.
  char record[kCategoryNameSize];
  Tesk_Ary_GetData(nameAry, row - 1, record);
  CopyCategoryName(outName, record);
}

int32_t GetCategoryIndex_ByName(TESK_ARY nameAry, const char* name) {
  char wanted[kCategoryNameSize];
  CopyCategoryName(wanted, name);
  const int32_t count = Tesk_Ary_GetSize(nameAry);
  for (int32_t i = 0; i < count; ++i) {
    char record[kCategoryNameSize];
    Tesk_Ary_GetData(nameAry, i, record);
    if (RecordEquals(record, wanted)) return i;
  }
  return -1;
}

int32_t GetFlnLabelIndex_ByItemNumber(TESK_ARY labelAry, int32_t level) {
  const int32_t count = Tesk_Ary_GetSize(labelAry);
  for (int32_t i = 0; i < count; ++i) {
    FLN_LABEL label;
    Tesk_Ary_GetData(labelAry, i, &label);
    if (ZEL_EndianLong_LtoN(label.itemNumber) == level) return i;
  }
  return -1;
}
