#pragma once
// The category commands of the library window: adding, deleting and renaming
// a category name on a level, reassigning the categories of the selected entries and
// renaming the level labels. Each asks through CategoryCommandUi, changes the
// library, saves it at once (SaveAll), has the window rebuild its lists and,
// when the file could not be written, says so (reportSaveFailure) after the
// lists are rebuilt.

#include <vector>

#include "categories/CategoryCommandUi.h"
#include "categories/CategoryLists.h"
#include "library/FlnData.h"

/// How a command ended.
enum class CategoryCommandOutcome {
  Unchanged,  // cancelled, refused (the alert was shown) or nothing to do
  Saved,      // the library changed and was written
  NotSaved,   // the library changed in memory but the file was not written
};

/// The alert texts of the delete command, filled in.
QString CategoryDeleteForbiddenMessage();                 // "”＜すべて＞”と”その他”は…"
QString CategoryInUseMessage(const char* name);           // "「name」は使用中です。…"
QString CategoryDeleteConfirmMessage(const char* name);   // "「name」を削除してもよろしいですか？"
/// The alert shown when a category triple cannot be added (no memory or identifier left).
QString CannotAddCategoryMessage();

/// Adds a name on `level` (1..3): runs the add dialog with the level's label
/// (an empty caption when the level has none); on OK adds the triple of the
/// new name and the names selected in the other two lists (`selected`;
/// kCategoryAll there becomes kCategoryOther), saves and rebuilds the category
/// lists. The new name is not selected and the entry list does not change.
/// Unchanged for another level, after cancel, or when the triple cannot be
/// added (no memory or identifier left; then an alert says so).
CategoryCommandOutcome AddCategory(FLN_DATA* flnData, int level, const CategoryListNames& selected,
                                   CategoryCommandUi& ui);

/// Deletes the name selected in level `level`'s list (`selected[level - 1]`):
/// refuses kCategoryAll and kCategoryOther, and a name that any entry of the
/// library carries on that level (listed or not), each with its alert; asks
/// for confirmation; then removes every triple with that name on the level,
/// sets the level's choice to kCategoryAll, saves and rebuilds the category
/// lists.
CategoryCommandOutcome DeleteCategory(FLN_DATA* flnData, int level,
                                      const CategoryListNames& selected, CategoryCommandUi& ui);

/// Renames the name selected in level `level`'s list (`selected[level - 1]`)
/// everywhere (CategoryRename.h): refuses kCategoryAll, kCategoryOther and a
/// name the library does not keep with an alert before asking; asks for the
/// new name; refuses a name CheckCategoryRename refuses with its alert; then
/// renames, keeps the renamed name chosen where it was, saves and rebuilds the
/// category lists and the entry list.
CategoryCommandOutcome RenameCategory(FLN_DATA* flnData, int level, const CategoryListNames& selected,
                                      CategoryCommandUi& ui);

/// Reassigns the categories of the entries in the selected rows of the entry
/// list: proposes their common name per level (empty where they disagree),
/// runs the reassignment dialog and on OK gives every selected entry the
/// chosen name on each level whose choice is not kCategoryNoChange. Only the
/// category names (and the update date) of the stored entries change; each
/// new combination of names gets one triple (an alert says when one could
/// not be added). Then saves and rebuilds the entry list and the category
/// lists. Unchanged without selected entries, after cancel, or when a chosen
/// name is kCategoryAll (CheckEntryCategoryName) or does not fit a category
/// record (CategoryNameFits); either is alerted before any entry changes.
CategoryCommandOutcome ChangeCategoryName(FLN_DATA* flnData, const std::vector<int>& selectedRows,
                                          CategoryCommandUi& ui);

/// Edits the three level labels: on OK writes the edited labels back (a level
/// without a label record keeps none), saves and has the window show them.
CategoryCommandOutcome EditCategoryLabel(FLN_DATA* flnData, CategoryCommandUi& ui);
