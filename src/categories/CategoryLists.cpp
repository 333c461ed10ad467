#include "categories/CategoryLists.h"

#include "format/CategoryNameText.h"
#include "library/FlnCategoryTable.h"
#include "library/FlnEnvironment.h"

namespace {

TESK_ARY* NameArySlot(FLN_DATA* flnData, int level) {
  switch (level) {
    case 1: return &flnData->cat1Ary;
    case 2: return &flnData->cat2Ary;
    case 3: return &flnData->cat3Ary;
    default: return nullptr;
  }
}

char* ChoiceSlot(FLN_DATA* flnData, int level) {
  switch (level) {
    case 1: return flnData->lastSelectCat1;
    case 2: return flnData->lastSelectCat2;
    case 3: return flnData->lastSelectCat3;
    default: return nullptr;
  }
}

}  // namespace

const char* CategoryListSelectionEnvKey(int level) {
  switch (level) {
    case 1: return kEnvCat1ListSelection;
    case 2: return kEnvCat2ListSelection;
    case 3: return kEnvCat3ListSelection;
    default: return nullptr;
  }
}

TESK_ARY CategoryNameAryOf(const FLN_DATA* flnData, int level) {
  TESK_ARY* slot = NameArySlot(const_cast<FLN_DATA*>(flnData), level);
  return slot != nullptr ? *slot : nullptr;
}

const char* CategoryChoiceOf(const FLN_DATA* flnData, int level) {
  return ChoiceSlot(const_cast<FLN_DATA*>(flnData), level);
}

void SetCategoryChoice(FLN_DATA* flnData, int level, const char* name) {
  char* choice = ChoiceSlot(flnData, level);
  if (choice != nullptr) CopyCategoryName(choice, name);
}

int RebuildCategoryNameArrays(FLN_DATA* flnData) {
  if (flnData->catsAry == nullptr) return -1;
  int result = 0;
  for (int level = 1; level <= 3; ++level) {
    TESK_ARY* slot = NameArySlot(flnData, level);
    if (*slot == nullptr) *slot = Tesk_Ary_Init(kCategoryNameSize, 20, 20);
    if (*slot == nullptr) {
      result = -1;
      continue;
    }
    const char* c1 = flnData->lastSelectCat1;
    const char* c2 = flnData->lastSelectCat2;
    const char* c3 = flnData->lastSelectCat3;
    const int queried = level == 1   ? QueryCategory1_ByCat2NameAndCat3Name(flnData->catsAry, c2, c3, *slot)
                        : level == 2 ? QueryCategory2_ByCat1NameAndCat3Name(flnData->catsAry, c1, c3, *slot)
                                     : QueryCategory3_ByCat1NameAndCat2Name(flnData->catsAry, c1, c2, *slot);
    if (queried != 0) result = -1;
    Tesk_Ary_QuickSort(*slot, CategorySortFunc);
  }
  return result;
}

int32_t GetCategoryListRow_ByChoice(const FLN_DATA* flnData, int level) {
  const char* choice = CategoryChoiceOf(flnData, level);
  if (choice == nullptr) return 0;
  return GetCategoryIndex_ByName(CategoryNameAryOf(flnData, level), choice) + 1;
}

int RememberCategoryListSelection(FLN_DATA* flnData, const CategoryListNames& selected) {
  int result = 0;
  for (int level = 1; level <= 3; ++level) {
    if (SaveEnvironment(flnData, CategoryListSelectionEnvKey(level), selected[level - 1].c_str()) != 0)
      result = -1;
  }
  return result;
}
