// The category commands of the library window and the dialogs they run. The
// decisions are CategoryCommands'; the window asks, shows and rebuilds.

#include "app/CategoryAddDlg.h"
#include "app/CategoryLabelEditDlg.h"
#include "app/ChangeCategoryNameDlg.h"
#include "app/FolianDocument.h"
#include "app/FolianMainWindow.h"
#include "categories/CategoryCommands.h"

void FolianDocument::addCategory(int level) { AddCategory(&_fln_data, level, selectedCategoryNames(), *this); }

void FolianDocument::deleteCategory(int level) {
  DeleteCategory(&_fln_data, level, selectedCategoryNames(), *this);
}

void FolianDocument::changeCategoryName() { ChangeCategoryName(&_fln_data, selectedEntryRows(), *this); }

void FolianDocument::editCategoryLabel() { EditCategoryLabel(&_fln_data, *this); }

int FolianDocument::runCategoryAddDlg(const FLN_LABEL* catFlnLabel, TESK_ARY flnCatsAry, int32_t categoryKind,
                                      char* outCategoryName) {
  CategoryAddDlg dialog(catFlnLabel, flnCatsAry, categoryKind, outCategoryName, _mainWindow.get());
  return dialog.DoModal();
}

int FolianDocument::runChangeCategoryNameDlg(const FLN_LABEL* cat1Label, const FLN_LABEL* cat2Label,
                                             const FLN_LABEL* cat3Label, const FLN_DATA* flnData,
                                             const FLN_CATS* selectFlnCats, FLN_CATS* outInputFlnCats) {
  ChangeCategoryNameDlg dialog(cat1Label, cat2Label, cat3Label, flnData, selectFlnCats, outInputFlnCats,
                               _mainWindow.get());
  return dialog.DoModal();
}

int FolianDocument::runCategoryLabelEditDlg(FLN_LABEL* cat1Label, FLN_LABEL* cat2Label, FLN_LABEL* cat3Label) {
  CategoryLabelEditDlg dialog(cat1Label, cat2Label, cat3Label, _mainWindow.get());
  return dialog.DoModal();
}

void FolianDocument::showCategoryLabels() {
  SetCategoryLabel_ToCategoryLabelBox();
  SetupEntryListHeader();
  _mainWindow->update();
  updateChildWindows();  // the information windows show the labels too
}
