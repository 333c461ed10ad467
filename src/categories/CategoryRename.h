#pragma once
// Renaming a category name of one level everywhere the library keeps it: in
// every triple of the category table, in every entry that carries it, in the
// level's current choice and in the remembered list selection. Renaming never
// merges two names: a new name that the level has already is refused.

#include <QString>
#include <cstdint>

#include "library/FlnData.h"

/// Why a rename is refused, in the order the checks run.
enum class CategoryRenameRefusal {
  None,
  BadLevel,     // the level is not 1..3
  FixedName,    // the old name is kCategoryAll or kCategoryOther
  UnknownName,  // neither a triple nor an entry has the old name on the level
  EmptyName,    // the new name is empty
  ReservedName, // the new name is kCategoryAll, kCategoryOther or kCategoryNoChange
  TooLong,      // the new name does not fit (CategoryNameFits)
  NameExists,   // a triple or an entry has the new name on the level (the old name included)
};

/// The checks on the old name alone (BadLevel, FixedName, UnknownName).
CategoryRenameRefusal CheckCategoryRenameSource(const FLN_DATA* flnData, int level, const char* oldName);

/// Every check, for renaming `oldName` on `level` to `newName` (UTF-8).
CategoryRenameRefusal CheckCategoryRename(const FLN_DATA* flnData, int level, const char* oldName,
                                          const char* newName);

/// The window's alert for a refusal (empty for None).
QString CategoryRenameRefusalMessage(CategoryRenameRefusal refusal, const char* oldName, const char* newName);

/// What a rename changed.
struct CategoryRenameCount {
  int32_t triples = 0;  // category triples renamed
  int32_t entries = 0;  // entries renamed (their update date is now)
  bool selectionStored = true;  // false: a remembered selection keeps the old name (memory ran out)
};

/// Renames in memory only (the caller saves), after CheckCategoryRename gave
/// None for the same arguments: every triple and every entry with `oldName`
/// on `level` gets `newName` there, each in place and in its order; a level
/// choice or a remembered list selection of `oldName` becomes `newName`.
CategoryRenameCount RenameCategoryInLibrary(FLN_DATA* flnData, int level, const char* oldName,
                                            const char* newName);
