// The category commands of the library window and the dialogs they run. The
// decisions are CategoryCommands'; the window asks, shows and rebuilds.

#include <QCoreApplication>
#include <QInputDialog>

#include "gui/category/CategoryAddDlg.h"
#include "gui/category/CategoryLabelEditDlg.h"
#include "gui/category/ChangeCategoryNameDlg.h"
#include "gui/library/FlnLabelText.h"
#include "gui/library/FolianDocument.h"
#include "gui/library/FolianMainWindow.h"
#include "categories/CategoryCommands.h"

void FolianDocument::addCategory(int level) { AddCategory(&_fln_data, level, selectedCategoryNames(), *this); }

void FolianDocument::deleteCategory(int level) {
  DeleteCategory(&_fln_data, level, selectedCategoryNames(), *this);
}

void FolianDocument::renameCategory(int level) {
  RenameCategory(&_fln_data, level, selectedCategoryNames(), *this);
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

bool FolianDocument::askCategoryNewName(const FLN_LABEL* catFlnLabel, const char* oldName, std::string* newName) {
  const QString level = FlnLabelText(catFlnLabel);
  const QString old = QString::fromUtf8(oldName);
  QInputDialog dialog(_mainWindow.get());
  dialog.setObjectName(QStringLiteral("renameCategoryDialog"));
  dialog.setWindowTitle(QCoreApplication::translate("FolianDocumentCategories", "分類名の変更"));
  dialog.setLabelText(
      level.isEmpty()
          ? QCoreApplication::translate("FolianDocumentCategories", "「%1」の新しい名前：").arg(old)
          : QCoreApplication::translate("FolianDocumentCategories", "%1の「%2」の新しい名前：").arg(level, old));
  dialog.setTextValue(old);
  dialog.setOkButtonText(QCoreApplication::translate("FolianDocumentCategories", "変更"));
  dialog.setCancelButtonText(QCoreApplication::translate("FolianDocumentCategories", "キャンセル"));
  dialog.setWindowModality(Qt::ApplicationModal);
  if (dialog.exec() != QDialog::Accepted) return false;
  *newName = dialog.textValue().toStdString();
  return true;
}

void FolianDocument::showCategoryLabels() {
  SetCategoryLabel_ToCategoryLabelBox();
  SetupEntryListHeader();
  _mainWindow->update();
  updateChildWindows();  // the information windows show the labels too
}
