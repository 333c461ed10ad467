#include <QCoreApplication>
#include "categories/CategoryRename.h"

#include <cstring>

#include "categories/CategoryLists.h"
#include "categories/CategoryNameInput.h"
#include "format/CategoryNameText.h"
#include "format/CategoryNames.h"
#include "categories/FlnCategoryEntries.h"
#include "library/FlnCategoryTable.h"
#include "library/FlnEnvironment.h"
#include "format/FieldText.h"
#include "storage/OwnedAry.h"
#include "storage/TeskUtil.h"

namespace {

bool IsLevel(int level) { return level >= 1 && level <= 3; }

// Whether a triple of the table has `name` on `level`.
bool TableHasName(TESK_ARY catsAry, int level, const char* name) {
  OwnedAry found(Tesk_Ary_Init(sizeof(FLN_CATS), 4, 4));
  if (found == nullptr) return true;  // unknown: a rename must not merge by accident
  if (level == 1) QueryFlnCats_ByCat1(name, catsAry, found.get());
  if (level == 2) QueryFlnCats_ByCat2(name, catsAry, found.get());
  if (level == 3) QueryFlnCats_ByCat3(name, catsAry, found.get());
  return Tesk_Ary_GetSize(found.get()) > 0;
}

// Whether the library keeps `name` on `level` anywhere a rename would change.
bool LevelHasName(const FLN_DATA* flnData, int level, const char* name) {
  return TableHasName(flnData->catsAry, level, name) ||
         IsExistEntryUsedDeleteCategory(flnData->entry, name, level) == 1;
}

FlnUniChar* NameFieldOf(FLN_CATS& cats, int level) {
  return level == 1 ? cats.cat1Name : level == 2 ? cats.cat2Name : cats.cat3Name;
}

FlnUniChar* NameFieldOf(FLN_ENTRY& entry, int level) {
  return level == 1 ? entry.en_c1_name : level == 2 ? entry.en_c2_name : entry.en_c3_name;
}

// Renames `oldName` on `level` in every record of `entries`, stamping each
// renamed one with `now`; returns how many were renamed.
int32_t RenameInEntries(TESK_ARY entries, int level, const char* oldName, const char* newName, const char* now) {
  int32_t renamed = 0;
  const int32_t count = Tesk_Ary_GetSize(entries);
  for (int32_t i = 0; i < count; ++i) {
    FLN_ENTRY entry;
    Tesk_Ary_GetData(entries, i, &entry);
    char stored[kCategoryNameSize];
    ReadCategoryNameOf(entry, level, stored);
    if (strcmp(stored, oldName) != 0) continue;
    FLN_COMM_ConvertCharToUniChar_NtoL(newName, NameFieldOf(entry, level), sizeof entry.en_c1_name);
    memcpy(entry.en_update_date, now, sizeof entry.en_update_date);
    Tesk_Ary_Update(entries, i, &entry);
    ++renamed;
  }
  return renamed;
}

}  // namespace

CategoryRenameRefusal CheckCategoryRenameSource(const FLN_DATA* flnData, int level, const char* oldName) {
  if (!IsLevel(level)) return CategoryRenameRefusal::BadLevel;
  if (strcmp(oldName, kCategoryAll) == 0 || strcmp(oldName, kCategoryOther) == 0)
    return CategoryRenameRefusal::FixedName;
  // A name longer than a record could not be kept whole: it is not a stored one.
  if (!CategoryNameFits(oldName) || !LevelHasName(flnData, level, oldName))
    return CategoryRenameRefusal::UnknownName;
  return CategoryRenameRefusal::None;
}

CategoryRenameRefusal CheckCategoryRename(const FLN_DATA* flnData, int level, const char* oldName,
                                          const char* newName) {
  const CategoryRenameRefusal source = CheckCategoryRenameSource(flnData, level, oldName);
  if (source != CategoryRenameRefusal::None) return source;
  if (newName[0] == '\0') return CategoryRenameRefusal::EmptyName;
  for (const char* reserved : {kCategoryAll, kCategoryOther, kCategoryNoChange})
    if (strcmp(newName, reserved) == 0) return CategoryRenameRefusal::ReservedName;
  if (!CategoryNameFits(newName)) return CategoryRenameRefusal::TooLong;
  if (LevelHasName(flnData, level, newName)) return CategoryRenameRefusal::NameExists;
  return CategoryRenameRefusal::None;
}

QString CategoryRenameRefusalMessage(CategoryRenameRefusal refusal, const char* oldName, const char* newName) {
  switch (refusal) {
    case CategoryRenameRefusal::None:
      return QString();
    case CategoryRenameRefusal::BadLevel:
      return QCoreApplication::translate("CategoryRename", "分類の段は1から3です。");
    case CategoryRenameRefusal::FixedName:
      return QCoreApplication::translate("CategoryRename", "”%1”と”%2”の名前は変更できません。")
          .arg(QString::fromUtf8(kCategoryAll), QString::fromUtf8(kCategoryOther));
    case CategoryRenameRefusal::UnknownName:
      return QCoreApplication::translate("CategoryRename", "「%1」という分類はありません。")
          .arg(QString::fromUtf8(oldName));
    case CategoryRenameRefusal::EmptyName:
      return QCoreApplication::translate("CategoryRename", "分類名を入力してください。");
    case CategoryRenameRefusal::ReservedName:
      return QCoreApplication::translate("CategoryRename", "”%1”には変更できません。").arg(QString::fromUtf8(newName));
    case CategoryRenameRefusal::TooLong:
      return CategoryNameTooLongMessage();
    case CategoryRenameRefusal::NameExists:
      return QCoreApplication::translate("CategoryRename", "「%1」は、すでに登録されています。")
          .arg(QString::fromUtf8(newName));
  }
  return QString();
}

CategoryRenameCount RenameCategoryInLibrary(FLN_DATA* flnData, int level, const char* oldName,
                                            const char* newName) {
  CategoryRenameCount count;
  if (!IsLevel(level)) return count;
  char stored[kCategoryNameSize];

  // The triples: the new name is on no triple of the level, so none merge.
  const int32_t triples = Tesk_Ary_GetSize(flnData->catsAry);
  for (int32_t i = 0; i < triples; ++i) {
    FLN_CATS cats;
    Tesk_Ary_GetData(flnData->catsAry, i, &cats);
    ReadCategoryNameOf(cats, level, stored);
    if (strcmp(stored, oldName) != 0) continue;
    FLN_COMM_ConvertCharToUniChar_NtoL(newName, NameFieldOf(cats, level), sizeof cats.cat1Name);
    Tesk_Ary_Update(flnData->catsAry, i, &cats);
    ++count.triples;
  }

  // The entries: each one's name changed, so each one was updated now.
  char now[sizeof(FLN_ENTRY::en_update_date)];
  Tesk_GetCurrentTimeAsString(now, sizeof now);
  count.entries = RenameInEntries(flnData->entry, level, oldName, newName, now);

  // The window shows the renamed name where it showed the old one, now and
  // when the library is opened next.
  if (strcmp(CategoryChoiceOf(flnData, level), oldName) == 0) SetCategoryChoice(flnData, level, newName);
  const char* key = CategoryListSelectionEnvKey(level);
  char remembered[kCategoryNameSize] = {};
  if (GetEnvironmentValue(flnData->envAry, key, remembered) == 1 && strcmp(remembered, oldName) == 0 &&
      SaveEnvironment(flnData, key, newName) != 0)
    count.selectionStored = false;
  return count;
}
