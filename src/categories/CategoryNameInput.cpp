#include <QCoreApplication>
#include "categories/CategoryNameInput.h"

#include <cstring>
#include <memory>

#include "format/CategoryNameText.h"
#include "format/CategoryNames.h"
#include "library/FlnCategoryTable.h"
#include "storage/OwnedAry.h"

namespace {

// Whether a triple of the table has `name` on `level`, compared whole.
bool LevelHasName(TESK_ARY catsAry, int level, const char* name) {
  const int32_t count = Tesk_Ary_GetSize(catsAry);
  for (int32_t i = 0; i < count; ++i) {
    FLN_CATS cats;
    Tesk_Ary_GetData(catsAry, i, &cats);
    char stored[kCategoryNameSize];
    ReadCategoryNameOf(cats, level, stored);
    if (strcmp(stored, name) == 0) return true;
  }
  return false;
}

}  // namespace

bool CategoryNameFits(const char* name) {
  if (name == nullptr) return true;
  // The stored field keeps the mark U+FEFF and a zero unit besides the text;
  // a name record holds the UTF-8 form of any text that fits it.
  constexpr size_t kFieldUnits = sizeof(FLN_CATS::cat1Name) / sizeof(FlnUniChar) - 2;
  const size_t length = strnlen(name, kCategoryNameSize);
  return length < static_cast<size_t>(kCategoryNameSize) &&
         static_cast<size_t>(QString::fromUtf8(name, static_cast<qsizetype>(length)).size()) <= kFieldUnits;
}

QString CategoryNameTooLongMessage() {
  return QCoreApplication::translate("CategoryNameInput", "分類名が長すぎます。");
}

QString CheckEntryCategoryName(const char* name, bool noChangeIsMarker) {
  if (name == nullptr) return QString();
  if (strcmp(name, kCategoryAll) == 0)
    return QCoreApplication::translate("CategoryNameInput", "”%1”はすべての分類を表すため、分類名にできません。")
        .arg(QString::fromUtf8(kCategoryAll));
  if (!noChangeIsMarker && strcmp(name, kCategoryNoChange) == 0)
    return QCoreApplication::translate("CategoryNameInput", "”%1”は分類名にできません。")
        .arg(QString::fromUtf8(kCategoryNoChange));
  return QString();
}

QString CheckCategoryAddName(TESK_ARY catsAry, int level, const char* name) {
  if (name == nullptr || name[0] == '\0')
    return QCoreApplication::translate("CategoryNameInput", "分類名を入力してください。");
  // Neither the name for every category nor the reassignment dialog's marker
  // could be told apart from what they stand for.
  for (const char* reserved : {kCategoryAll, kCategoryNoChange})
    if (strcmp(name, reserved) == 0)
      return QCoreApplication::translate("CategoryNameInput", "”%1”は追加できません。")
          .arg(QString::fromUtf8(reserved));
  if (!CategoryNameFits(name)) return CategoryNameTooLongMessage();
  if (LevelHasName(catsAry, level, name))
    return QCoreApplication::translate("CategoryNameInput", "「%1」は、すでに登録されています。")
        .arg(QString::fromUtf8(name));
  return QString();
}

int GetCategoryComboChoices(TESK_ARY catsAry, int level, const char* proposal,
                            CategoryComboChoices* choices) {
  choices->items.clear();
  choices->selected.clear();
  OwnedAry names(Tesk_Ary_Init(kCategoryNameSize, 20, 20));
  const int distinct = level == 1   ? GetDistinctCat1Ary_FromCatsAry(catsAry, names.get())
                       : level == 2 ? GetDistinctCat2Ary_FromCatsAry(catsAry, names.get())
                       : level == 3 ? GetDistinctCat3Ary_FromCatsAry(catsAry, names.get())
                                    : 0;
  if (names == nullptr || distinct != 0) return -1;
  Tesk_Ary_QuickSort(names.get(), CategorySortFunc);

  const bool disagree = proposal == nullptr || proposal[0] == '\0';
  if (disagree) choices->items.emplace_back(kCategoryNoChange);
  const int32_t count = Tesk_Ary_GetSize(names.get());
  for (int32_t i = 0; i < count; ++i) {
    char record[kCategoryNameSize];
    Tesk_Ary_GetData(names.get(), i, record);
    choices->items.emplace_back(record, strnlen(record, sizeof record));
  }
  choices->selected = disagree ? kCategoryNoChange : proposal;
  return 0;
}
