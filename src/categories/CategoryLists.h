#pragma once
// The library side of the three category lists of the main window: which name
// array and which choice belong to a level, rebuilding the name arrays for the
// current choices, the row that shows a level's choice, and remembering the
// selected names in the library. The window selects the rows and reloads its
// views; everything here works on FLN_DATA alone.

#include <array>
#include <cstdint>
#include <string>

#include "library/FlnData.h"
#include "library/FlnResult.h"

/// The names selected in the category lists of levels 1, 2 and 3 (index
/// level - 1), as UTF-8: what each list shows in its selected row, so
/// kCategoryAll for row 0.
using CategoryListNames = std::array<std::string, 3>;

/// Environment keys under which the selected names are remembered, levels 1..3.
constexpr char kEnvCat1ListSelection[] = "window_cat1list_selection";
constexpr char kEnvCat2ListSelection[] = "window_cat2list_selection";
constexpr char kEnvCat3ListSelection[] = "window_cat3list_selection";

/// The environment key of level 1..3 (above); null for another level.
const char* CategoryListSelectionEnvKey(int level);

/// cat1Ary, cat2Ary or cat3Ary for level 1, 2, 3; null for another level.
TESK_ARY CategoryNameAryOf(const FLN_DATA* flnData, int level);

/// lastSelectCat1..3 (a kCategoryNameSize-byte UTF-8 name) for level 1, 2,
/// 3; null for another level.
const char* CategoryChoiceOf(const FLN_DATA* flnData, int level);

/// Sets the choice of level 1..3 to `name` (null counts as empty), cut as
/// CopyCategoryName cuts it. Another level changes nothing.
void SetCategoryChoice(FLN_DATA* flnData, int level, const char* name);

/// Rebuilds the three name arrays from catsAry and the current choices: each
/// level gets the distinct names of the triples that agree with the choices
/// of the other two levels, sorted with CategorySortFunc (a level's own choice
/// never narrows its own list). A missing name array is created. Returns 0;
/// -1 when there is no category table or memory ran out (the arrays then hold
/// what could be built and the caller's lists stay usable).
int RebuildCategoryNameArrays(FLN_DATA* flnData);

/// The row of level 1..3's list that shows its choice: the name's index in the
/// level's name array + 1, or 0 ("＜すべて＞") when the array does not hold it
/// (also for kCategoryAll and for another level).
int32_t GetCategoryListRow_ByChoice(const FLN_DATA* flnData, int level);

/// Remembers the three selected names (levels 1, 2, 3 in that order) as the
/// environment values of the keys above, in memory: the next save writes
/// them, so that a click that also changes the list saves once. Returns 0;
/// -1 when a value could not be stored (the others are stored even so).
int RememberCategoryListSelection(FLN_DATA* flnData, const CategoryListNames& selected);
