#pragma once
// What the category commands need from the library window: the alerts, the
// delete confirmation, the three category dialogs, rebuilding the window's
// lists and telling the user that a change could not be saved. The window
// implements it with message boxes and the real dialogs; a test scripts it.

#include <QString>
#include <cstdint>
#include <string>

#include "library/FlnData.h"

class CategoryCommandUi {
 public:
  virtual ~CategoryCommandUi() = default;

  /// A one-button ("OK") alert showing `message` as plain text.
  virtual void alert(const QString& message) = 0;

  /// A critical-style question showing `message` with the buttons "いいえ"
  /// (the default, also for Return and Escape) and "はい". True only when
  /// "はい" was chosen.
  virtual bool confirmDestructive(const QString& message) = 0;

  /// Runs CategoryAddDlg for the level `categoryKind` (1..3) with its label
  /// and the category table. Returns 1 after OK, with the accepted name in
  /// `outCategoryName` (kCategoryNameSize bytes, UTF-8); 2 after cancel, with
  /// the buffer untouched.
  virtual int runCategoryAddDlg(const FLN_LABEL* catFlnLabel, TESK_ARY flnCatsAry,
                                int32_t categoryKind, char* outCategoryName) = 0;

  /// Runs ChangeCategoryNameDlg with the three level labels, the library and
  /// the proposal (an empty name: the selected entries disagree on that level).
  /// Returns 1 after OK, with the chosen names in `outInputFlnCats`
  /// (cat1Name..cat3Name; kCategoryNoChange leaves a level as it is); 2 after
  /// cancel, with the output untouched.
  virtual int runChangeCategoryNameDlg(const FLN_LABEL* cat1Label, const FLN_LABEL* cat2Label,
                                       const FLN_LABEL* cat3Label, const FLN_DATA* flnData,
                                       const FLN_CATS* selectFlnCats,
                                       FLN_CATS* outInputFlnCats) = 0;

  /// Runs CategoryLabelEditDlg on the three label copies. Returns 1 after OK,
  /// with the edited names written into the copies; 2 after cancel, with the
  /// copies untouched.
  virtual int runCategoryLabelEditDlg(FLN_LABEL* cat1Label, FLN_LABEL* cat2Label,
                                      FLN_LABEL* cat3Label) = 0;

  /// Asks for the new name of the category `oldName` (UTF-8) on the level
  /// labelled `catFlnLabel` (null or an empty name: the level has no label),
  /// offering the old name to edit. True after OK, with the typed name in
  /// `newName` (UTF-8, not judged); false after cancel, with it untouched.
  virtual bool askCategoryNewName(const FLN_LABEL* catFlnLabel, const char* oldName, std::string* newName) = 0;

  /// The window's makeCategoryLists: rebuild the name arrays for the current
  /// choices (RebuildCategoryNameArrays), select each level's choice and
  /// reload the lists.
  virtual void makeCategoryLists() = 0;

  /// The window's makeEntryList: filter, sort and show the entries again,
  /// restoring the selection from the entries' selection flags.
  virtual void makeEntryList() = 0;

  /// The level labels changed: show them as the levels' titles, in the label
  /// fields and in the headers of the entry list's category columns.
  virtual void showCategoryLabels() = 0;

  /// The change is made in memory but the library file could not be written.
  virtual void reportSaveFailure() = 0;
};
