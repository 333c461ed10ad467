#pragma once
// The category commands of the library window and the dialogs they run. The
// decisions are CategoryCommands'; the host answers its questions with the
// real dialogs over the library window and has the document rebuild what a
// command changed.

#include "categories/CategoryCommandUi.h"

class FolianDocument;

class CategoryCommandHost : public CategoryCommandUi {
 public:
  /// Serves `document`, which must outlive it and have its window.
  explicit CategoryCommandHost(FolianDocument& document) : _document(document) {}

  /// The commands of the Categories menu, on the lists' selected names or
  /// the selected entries.
  void addCategory(int level);
  void deleteCategory(int level);
  void renameCategory(int level);
  void changeCategoryName();
  void editCategoryLabel();

  // CategoryCommandUi
  void alert(const QString& message) override;
  bool confirmDestructive(const QString& message) override;
  int runCategoryAddDlg(const FLN_LABEL* catFlnLabel, TESK_ARY flnCatsAry, int32_t categoryKind,
                        char* outCategoryName) override;
  int runChangeCategoryNameDlg(const FLN_LABEL* cat1Label, const FLN_LABEL* cat2Label,
                               const FLN_LABEL* cat3Label, const FLN_DATA* flnData,
                               const FLN_CATS* selectFlnCats, FLN_CATS* outInputFlnCats) override;
  int runCategoryLabelEditDlg(FLN_LABEL* cat1Label, FLN_LABEL* cat2Label, FLN_LABEL* cat3Label) override;
  bool askCategoryNewName(const FLN_LABEL* catFlnLabel, const char* oldName, std::string* newName) override;
  void makeCategoryLists() override;
  void makeEntryList() override;
  void showCategoryLabels() override;
  void reportSaveFailure() override;

 private:
  FolianDocument& _document;
};
