#pragma once
// What the category dialogs decide about the names the user types or picks,
// kept apart from the widgets: whether a new name may be added on a level,
// whether a name fits a category name record, and which names the
// reassignment dialog offers on a level.

#include <QString>
#include <cstdint>
#include <string>
#include <vector>

#include "format/FlnRecords.h"
#include "storage/TeskAry.h"

/// True when `name` (UTF-8, null counts as empty) fits a stored name field:
/// at most 126 UTF-16 units besides the field's mark and zero unit. A name
/// record (kCategoryNameSize bytes) holds any such name. A longer name could
/// not be stored whole.
bool CategoryNameFits(const char* name);

/// The alert shown for a name that does not fit (CategoryNameFits).
QString CategoryNameTooLongMessage();

/// Why `name` (UTF-8, null counts as empty) cannot be an entry's category
/// name, as the alert text; the empty string when it can. kCategoryAll stands
/// for every name of its level and is refused; so is kCategoryNoChange, except
/// where it is read as the reassignment dialog's marker (`noChangeIsMarker`).
/// Other names, also the empty one, are not judged here.
QString CheckEntryCategoryName(const char* name, bool noChangeIsMarker);

/// Why the add dialog refuses `name` (UTF-8) as a new name on `level` (1..3),
/// as the alert text; the empty string when the name is accepted. Tested in
/// this order: the empty name; kCategoryAll or kCategoryNoChange; a name
/// that does not fit; a name that some triple of `catsAry` already has on
/// `level` (the same name on another level does not count). kCategoryOther
/// is subject only to the last test.
QString CheckCategoryAddName(TESK_ARY catsAry, int level, const char* name);

/// The names one level's combo box of the reassignment dialog offers, and the
/// one it shows selected.
struct CategoryComboChoices {
  std::vector<std::string> items;  // UTF-8, in list order
  std::string selected;            // the name to show selected
};

/// The choices of `level` (1..3): the distinct names of that level over the
/// whole table (not narrowed by other levels), sorted with CategorySortFunc.
/// An empty proposal (the selected entries disagree on the level) puts
/// kCategoryNoChange first and selects it; otherwise `proposal` is selected,
/// even when it is not among the items. Returns -1 when memory ran out (the
/// choices are then empty), else 0.
int GetCategoryComboChoices(TESK_ARY catsAry, int level, const char* proposal,
                            CategoryComboChoices* choices);
