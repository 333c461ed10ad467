#pragma once
// The category table (the triples of level-1, -2 and -3 names that exist, an
// array of FLN_CATS) and the sorted name arrays (kCategoryNameSize-byte UTF-8
// records) that the three category lists of the main window show. A choice
// of kCategoryAll on a level matches every name of that level; a level's own
// choice never narrows its own list, only the other two.
//
// Names are zero-terminated UTF-8 and compare byte for byte, whole: a name
// record holds any stored name (CategoryNameText.h).
// Functions that append return 0, or -1 when memory ran out (the output then
// holds what was appended before, or is empty where the function empties it).

#include "format/FlnRecords.h"
#include "storage/TeskAry.h"

/// 1 when some triple of `catsAry` has exactly these three names, else 0.
int IsCatsExists(TESK_ARY catsAry, const char* name1, const char* name2, const char* name3);

/// 1 when a record of the name array equals `name`, else 0 (also for a null array).
int IsContainsCategory(TESK_ARY nameAry, const char* name);

/// Empties `nameAry`, then appends each level-1 (-2, -3) name of the triples
/// in table order unless it is there already: the distinct names in order of
/// first occurrence, unsorted.
int GetDistinctCat1Ary_FromCatsAry(TESK_ARY catsAry, TESK_ARY nameAry);
int GetDistinctCat2Ary_FromCatsAry(TESK_ARY catsAry, TESK_ARY nameAry);
int GetDistinctCat3Ary_FromCatsAry(TESK_ARY catsAry, TESK_ARY nameAry);

/// Comparison of two name records for Tesk_Ary_QuickSort: kCategoryOther after
/// every other name, all other names in strcmp order (the empty name first);
/// equal names give 0.
int CategorySortFunc(const void* a, const void* b);

/// Appends to `output` (not emptied first) each triple of `source`, in source
/// order, whose level-1 (-2, -3) name equals `name`; every triple when `name`
/// is kCategoryAll. Each passing triple is appended once.
int QueryFlnCats_ByCat1(const char* name, TESK_ARY source, TESK_ARY output);
int QueryFlnCats_ByCat2(const char* name, TESK_ARY source, TESK_ARY output);
int QueryFlnCats_ByCat3(const char* name, TESK_ARY source, TESK_ARY output);

/// The distinct names of one level (unsorted, as GetDistinctCatNAry_FromCatsAry
/// gives them) among the triples that agree with the choices on the other two
/// levels. `nameAry` is emptied first.
int QueryCategory1_ByCat2NameAndCat3Name(TESK_ARY catsAry, const char* cat2, const char* cat3,
                                         TESK_ARY nameAry);
int QueryCategory2_ByCat1NameAndCat3Name(TESK_ARY catsAry, const char* cat1, const char* cat3,
                                         TESK_ARY nameAry);
int QueryCategory3_ByCat1NameAndCat2Name(TESK_ARY catsAry, const char* cat1, const char* cat2,
                                         TESK_ARY nameAry);

/// Removes every triple whose name on `level` (1, 2 or 3) equals `name`; the
/// others keep their order. Returns how many were removed (0 for another level).
int DeleteFlnCats_ByCatNameAndCatKind(const char* name, int level, TESK_ARY catsAry);

/// The name shown in `row` of a category list into `outName` (kCategoryNameSize
/// bytes): kCategoryAll for row 0, record row - 1 of the array otherwise, and
/// the empty name without an array or for a row that has no record (such as
/// -1, a list without a selected row).
void GetCategoryName_ByIndex(TESK_ARY nameAry, int32_t row, char* outName);

/// Index of the first record equal to `name`, or -1 (also for kCategoryAll,
/// which no name array holds, and for a null array). A list selects row index + 1.
int32_t GetCategoryIndex_ByName(TESK_ARY nameAry, const char* name);

/// Index of the first FLN_LABEL whose itemNumber is `level`, or -1.
int32_t GetFlnLabelIndex_ByItemNumber(TESK_ARY labelAry, int32_t level);
