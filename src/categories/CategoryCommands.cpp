#include <QCoreApplication>
#include "categories/CategoryCommands.h"

#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "categories/CategoryNameInput.h"
#include "format/CategoryNameText.h"
#include "format/CategoryNames.h"
#include "categories/CategoryRename.h"
#include "categories/EntrySelection.h"
#include "categories/FlnCategoryEntries.h"
#include "library/FlnCategoryTable.h"
#include "library/FlnCreateCats.h"
#include "library/FlnSave.h"
#include "format/FieldText.h"
#include "storage/TeskUtil.h"
#include "storage/OwnedAry.h"
#include "storage/TeskAryChanges.h"

namespace {

bool IsLevel(int level) { return level >= 1 && level <= 3; }

// The level's label record, or a zero record (an empty name) when the level
// has none; `index` receives its position or -1.
FLN_LABEL LabelOfLevel(const FLN_DATA* flnData, int level, int32_t* index) {
  FLN_LABEL label;
  memset(&label, 0, sizeof label);
  *index = GetFlnLabelIndex_ByItemNumber(flnData->label, level);
  if (*index >= 0) Tesk_Ary_GetData(flnData->label, *index, &label);
  return label;
}

FlnUniChar* NameFieldOf(FLN_CATS& cats, int level) {
  return level == 1 ? cats.cat1Name : level == 2 ? cats.cat2Name : cats.cat3Name;
}

FlnUniChar* NameFieldOf(FLN_ENTRY& entry, int level) {
  return level == 1 ? entry.en_c1_name : level == 2 ? entry.en_c2_name : entry.en_c3_name;
}

// Saves, lets the window rebuild what the change touched, and only then tells
// about a failed save, so that the alert is shown over up-to-date lists.
template <typename Refresh>
CategoryCommandOutcome SaveAndRefresh(FLN_DATA* flnData, CategoryCommandUi& ui, Refresh refresh) {
  const bool saved = SaveAll(flnData->filePath, flnData).ok();
  refresh();
  if (saved) return CategoryCommandOutcome::Saved;
  ui.reportSaveFailure();
  return CategoryCommandOutcome::NotSaved;
}

// The proposal of the reassignment dialog: the selected entries' common name
// on each level, empty where they disagree.
FLN_CATS ProposalFor(TESK_ARY selectedEntries) {
  FLN_CATS proposal;
  memset(&proposal, 0, sizeof proposal);
  if (Tesk_Ary_GetSize(selectedEntries) == 1) {
    // One entry: its fields as they are, also a name too long for a name record.
    FLN_ENTRY entry;
    Tesk_Ary_GetData(selectedEntries, 0, &entry);
    memcpy(proposal.cat1Name, entry.en_c1_name, sizeof proposal.cat1Name);
    memcpy(proposal.cat2Name, entry.en_c2_name, sizeof proposal.cat2Name);
    memcpy(proposal.cat3Name, entry.en_c3_name, sizeof proposal.cat3Name);
    return proposal;
  }
  for (int level = 1; level <= 3; ++level) {
    char common[kCategoryNameSize];
    if (FlnEntriesCatIsSameName(selectedEntries, level, common) == 1)
      FLN_COMM_ConvertCharToUniChar_NtoL(common, NameFieldOf(proposal, level), sizeof proposal.cat1Name);
  }
  return proposal;
}

// Where the first record of each en_id (stored order, as the records hold it)
// lies in `entryAry`. The identifiers are read in place: copying every large
// record out to look at its first four bytes would cost far more.
std::unordered_map<int32_t, int32_t> FirstIndexById(TESK_ARY entryAry) {
  std::unordered_map<int32_t, int32_t> indexes;
  int wasLocked = 0;
  Tesk_Ary_Lock(entryAry, &wasLocked);
  const int32_t count = Tesk_Ary_GetSize(entryAry);
  for (int32_t i = 0; i < count; ++i) {
    int32_t storedId;
    memcpy(&storedId, Tesk_Ary_ReadDataPtr(entryAry, i), sizeof storedId);
    indexes.emplace(storedId, i);  // keeps the first
  }
  Tesk_Ary_Unlock(entryAry, wasLocked);
  return indexes;
}

}  // namespace

QString CannotAddCategoryMessage() {
  return QCoreApplication::translate("CategoryCommands", "分類を追加できませんでした。");
}

QString CategoryDeleteForbiddenMessage() {
  return QCoreApplication::translate("CategoryCommands", "”%1”と”%2”は削除できません。")
      .arg(QString::fromUtf8(kCategoryAll), QString::fromUtf8(kCategoryOther));
}

QString CategoryInUseMessage(const char* name) {
  return QCoreApplication::translate("CategoryCommands", "「%1」は使用中です。削除できません。")
      .arg(QString::fromUtf8(name));
}

QString CategoryDeleteConfirmMessage(const char* name) {
  return QCoreApplication::translate("CategoryCommands", "「%1」を削除してもよろしいですか？")
      .arg(QString::fromUtf8(name));
}

CategoryCommandOutcome AddCategory(FLN_DATA* flnData, int level, const CategoryListNames& selected,
                                   CategoryCommandUi& ui) {
  if (!IsLevel(level)) return CategoryCommandOutcome::Unchanged;
  char names[3][kCategoryNameSize] = {};
  int32_t labelIndex;
  const FLN_LABEL label = LabelOfLevel(flnData, level, &labelIndex);
  if (ui.runCategoryAddDlg(&label, flnData->catsAry, level, names[level - 1]) != 1)
    return CategoryCommandOutcome::Unchanged;

  for (int other = 1; other <= 3; ++other) {
    if (other == level) continue;
    char* name = names[other - 1];
    CopyCategoryName(name, selected[other - 1].c_str());
    if (strcmp(name, kCategoryAll) == 0) CopyCategoryName(name, kCategoryOther);
  }
  if (CreateFlnCats(names[0], names[1], names[2], flnData->idCounter, flnData->catsAry) != 0) {
    ui.alert(CannotAddCategoryMessage());
    return CategoryCommandOutcome::Unchanged;
  }
  return SaveAndRefresh(flnData, ui, [&] { ui.makeCategoryLists(); });
}

CategoryCommandOutcome DeleteCategory(FLN_DATA* flnData, int level,
                                      const CategoryListNames& selected, CategoryCommandUi& ui) {
  if (!IsLevel(level)) return CategoryCommandOutcome::Unchanged;
  char name[kCategoryNameSize];
  CopyCategoryName(name, selected[level - 1].c_str());
  if (strcmp(name, kCategoryAll) == 0 || strcmp(name, kCategoryOther) == 0) {
    ui.alert(CategoryDeleteForbiddenMessage());
    return CategoryCommandOutcome::Unchanged;
  }
  if (IsExistEntryUsedDeleteCategory(flnData->entry, name, level) == 1) {
    ui.alert(CategoryInUseMessage(name));
    return CategoryCommandOutcome::Unchanged;
  }
  if (!ui.confirmDestructive(CategoryDeleteConfirmMessage(name)))
    return CategoryCommandOutcome::Unchanged;

  DeleteFlnCats_ByCatNameAndCatKind(name, level, flnData->catsAry);
  return SaveAndRefresh(flnData, ui, [&] {
    ui.makeCategoryLists();
    SetCategoryChoice(flnData, level, kCategoryAll);
    ui.makeCategoryLists();
  });
}

CategoryCommandOutcome RenameCategory(FLN_DATA* flnData, int level, const CategoryListNames& selected,
                                      CategoryCommandUi& ui) {
  if (!IsLevel(level)) return CategoryCommandOutcome::Unchanged;
  char oldName[kCategoryNameSize];
  CopyCategoryName(oldName, selected[level - 1].c_str());
  const CategoryRenameRefusal cannot = CheckCategoryRenameSource(flnData, level, oldName);
  if (cannot != CategoryRenameRefusal::None) {
    ui.alert(CategoryRenameRefusalMessage(cannot, oldName, ""));
    return CategoryCommandOutcome::Unchanged;
  }
  int32_t labelIndex;
  const FLN_LABEL label = LabelOfLevel(flnData, level, &labelIndex);
  std::string newName;
  if (!ui.askCategoryNewName(&label, oldName, &newName)) return CategoryCommandOutcome::Unchanged;
  const CategoryRenameRefusal refusal = CheckCategoryRename(flnData, level, oldName, newName.c_str());
  if (refusal != CategoryRenameRefusal::None) {
    ui.alert(CategoryRenameRefusalMessage(refusal, oldName, newName.c_str()));
    return CategoryCommandOutcome::Unchanged;
  }
  RenameCategoryInLibrary(flnData, level, oldName, newName.c_str());
  // The lists first: the entry list filters by the names they show.
  return SaveAndRefresh(flnData, ui, [&] {
    ui.makeCategoryLists();
    ui.makeEntryList();
  });
}

CategoryCommandOutcome ChangeCategoryName(FLN_DATA* flnData, const std::vector<int>& selectedRows,
                                          CategoryCommandUi& ui) {
  OwnedAry selectedEntries(Tesk_Ary_Init(sizeof(FLN_ENTRY), 20, 20));
  if (selectedEntries == nullptr ||
      GetSelectedEntryAry(selectedRows, flnData, selectedEntries.get()) != 0 ||
      Tesk_Ary_GetSize(selectedEntries.get()) == 0)
    return CategoryCommandOutcome::Unchanged;

  const FLN_CATS proposal = ProposalFor(selectedEntries.get());
  int32_t labelIndex[3];
  const FLN_LABEL labels[3] = {LabelOfLevel(flnData, 1, &labelIndex[0]),
                               LabelOfLevel(flnData, 2, &labelIndex[1]),
                               LabelOfLevel(flnData, 3, &labelIndex[2])};
  FLN_CATS chosen;
  memset(&chosen, 0, sizeof chosen);
  if (ui.runChangeCategoryNameDlg(&labels[0], &labels[1], &labels[2], flnData, &proposal, &chosen) != 1)
    return CategoryCommandOutcome::Unchanged;

  // A name that stands for every category, or one that does not fit (it
  // would be stored cut, or not at all and leave the old one in place), is
  // refused before any entry changes.
  char names[3][kCategoryNameSize];
  const FlnUniChar* chosenFields[] = {chosen.cat1Name, chosen.cat2Name, chosen.cat3Name};
  for (int level = 1; level <= 3; ++level) {
    const QByteArray name =
        FLN_COMM_CreateNSString_FromUniChar_LtoN(chosenFields[level - 1], sizeof chosen.cat1Name).toUtf8();
    const QString refusal = CheckEntryCategoryName(name.constData(), true);
    if (!refusal.isEmpty()) {
      ui.alert(refusal);
      return CategoryCommandOutcome::Unchanged;
    }
    if (!CategoryNameFits(name.constData())) {
      ui.alert(CategoryNameTooLongMessage());
      return CategoryCommandOutcome::Unchanged;
    }
    CopyCategoryName(names[level - 1], name.constData());
  }

  bool allTriplesAdded = true;
  const std::unordered_map<int32_t, int32_t> storedIndex = FirstIndexById(flnData->entry);
  std::unordered_set<std::string> checked;  // combinations known to have a triple
  const int32_t count = Tesk_Ary_GetSize(selectedEntries.get());
  for (int32_t row = 0; row < count; ++row) {
    FLN_ENTRY listed;
    Tesk_Ary_GetData(selectedEntries.get(), row, &listed);
    // The list holds copies made when it was last rebuilt; change the stored
    // entry itself, so that nothing written to it since is put back.
    const auto found = storedIndex.find(listed.en_id);
    if (found == storedIndex.end()) continue;
    FLN_ENTRY entry;
    Tesk_Ary_GetData(flnData->entry, found->second, &entry);
    for (int level = 1; level <= 3; ++level) {
      const char* name = names[level - 1];
      if (strcmp(name, kCategoryNoChange) == 0) continue;
      FLN_COMM_ConvertCharToUniChar_NtoL(name, NameFieldOf(entry, level), sizeof entry.en_c1_name);
    }
    // What UpdateEntry does, at the position already known: its search by
    // en_id for every selected entry would make a large selection slow.
    Tesk_GetCurrentTimeAsString(entry.en_update_date, sizeof entry.en_update_date);
    Tesk_Ary_Update(flnData->entry, found->second, &entry);

    char now[3][kCategoryNameSize];
    for (int level = 1; level <= 3; ++level) ReadCategoryNameOf(entry, level, now[level - 1]);
    // Most selected entries share a few combinations: look each up once.
    const std::string combination = std::string(now[0]) + '\0' + now[1] + '\0' + now[2];
    if (!checked.insert(combination).second) continue;
    if (IsCatsExists(flnData->catsAry, now[0], now[1], now[2]) == 0 &&
        CreateFlnCats(now[0], now[1], now[2], flnData->idCounter, flnData->catsAry) != 0)
      allTriplesAdded = false;
  }
  const CategoryCommandOutcome outcome = SaveAndRefresh(flnData, ui, [&] {
    ui.makeEntryList();
    ui.makeCategoryLists();
  });
  // The entries carry their new names all the same; only the lists lack them.
  if (!allTriplesAdded) ui.alert(CannotAddCategoryMessage());
  return outcome;
}

CategoryCommandOutcome EditCategoryLabel(FLN_DATA* flnData, CategoryCommandUi& ui) {
  int32_t index[3];
  FLN_LABEL labels[3] = {LabelOfLevel(flnData, 1, &index[0]), LabelOfLevel(flnData, 2, &index[1]),
                         LabelOfLevel(flnData, 3, &index[2])};
  if (ui.runCategoryLabelEditDlg(&labels[0], &labels[1], &labels[2]) != 1)
    return CategoryCommandOutcome::Unchanged;
  for (int level = 1; level <= 3; ++level) {
    if (index[level - 1] >= 0) Tesk_Ary_Update(flnData->label, index[level - 1], &labels[level - 1]);
  }
  return SaveAndRefresh(flnData, ui, [&] { ui.showCategoryLabels(); });
}
