#include "gui/library/CategoryCommandHost.h"

#include <QCoreApplication>
#include <QInputDialog>

#include "categories/CategoryCommands.h"
#include "gui/category/CategoryAddDlg.h"
#include "gui/category/CategoryLabelEditDlg.h"
#include "gui/category/ChangeCategoryNameDlg.h"
#include "format/FieldText.h"
#include "gui/library/FolianDocument.h"
#include "gui/library/FolianMainWindow.h"

void CategoryCommandHost::addCategory(int level) {
  AddCategory(_document.flnData(), level, _document.selectedCategoryNames(), *this);
}

void CategoryCommandHost::deleteCategory(int level) {
  DeleteCategory(_document.flnData(), level, _document.selectedCategoryNames(), *this);
}

void CategoryCommandHost::renameCategory(int level) {
  RenameCategory(_document.flnData(), level, _document.selectedCategoryNames(), *this);
}

void CategoryCommandHost::changeCategoryName() {
  ChangeCategoryName(_document.flnData(), _document.selectedEntryRows(), *this);
}

void CategoryCommandHost::editCategoryLabel() { EditCategoryLabel(_document.flnData(), *this); }

void CategoryCommandHost::alert(const QString& message) { _document.alert(message); }

bool CategoryCommandHost::confirmDestructive(const QString& message) { return _document.confirmDestructive(message); }

int CategoryCommandHost::runCategoryAddDlg(const FLN_LABEL* catFlnLabel, TESK_ARY flnCatsAry, int32_t categoryKind,
                                           char* outCategoryName) {
  CategoryAddDlg dialog(catFlnLabel, flnCatsAry, categoryKind, outCategoryName, _document.mainWindow());
  return dialog.DoModal();
}

int CategoryCommandHost::runChangeCategoryNameDlg(const FLN_LABEL* cat1Label, const FLN_LABEL* cat2Label,
                                                  const FLN_LABEL* cat3Label, const FLN_DATA* flnData,
                                                  const FLN_CATS* selectFlnCats, FLN_CATS* outInputFlnCats) {
  ChangeCategoryNameDlg dialog(cat1Label, cat2Label, cat3Label, flnData, selectFlnCats, outInputFlnCats,
                               _document.mainWindow());
  return dialog.DoModal();
}

int CategoryCommandHost::runCategoryLabelEditDlg(FLN_LABEL* cat1Label, FLN_LABEL* cat2Label, FLN_LABEL* cat3Label) {
  CategoryLabelEditDlg dialog(cat1Label, cat2Label, cat3Label, _document.mainWindow());
  return dialog.DoModal();
}

bool CategoryCommandHost::askCategoryNewName(const FLN_LABEL* catFlnLabel, const char* oldName,
                                             std::string* newName) {
  const QString level = FlnLabelText(catFlnLabel);
  const QString old = QString::fromUtf8(oldName);
  QInputDialog dialog(_document.mainWindow());
  dialog.setObjectName(QStringLiteral("renameCategoryDialog"));
  dialog.setWindowTitle(QCoreApplication::translate("CategoryCommandHost", "分類名の変更"));
  dialog.setLabelText(
      level.isEmpty()
          ? QCoreApplication::translate("CategoryCommandHost", "「%1」の新しい名前：").arg(old)
          : QCoreApplication::translate("CategoryCommandHost", "%1の「%2」の新しい名前：").arg(level, old));
  dialog.setTextValue(old);
  dialog.setOkButtonText(QCoreApplication::translate("CategoryCommandHost", "変更"));
  dialog.setCancelButtonText(QCoreApplication::translate("CategoryCommandHost", "キャンセル"));
  dialog.setWindowModality(Qt::ApplicationModal);
  if (dialog.exec() != QDialog::Accepted) return false;
  *newName = dialog.textValue().toStdString();
  return true;
}

void CategoryCommandHost::makeCategoryLists() { _document.makeCategoryLists(); }

void CategoryCommandHost::makeEntryList() { _document.makeEntryList(); }

void CategoryCommandHost::showCategoryLabels() { _document.showCategoryLabels(); }

void CategoryCommandHost::reportSaveFailure() { _document.reportSaveFailure(); }
