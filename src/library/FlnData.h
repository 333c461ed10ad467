#pragma once
// The open library in memory: the record arrays read from a library file,
// the rows the library window lists, and what a save compares against. The
// records the arrays hold are format/FlnRecords.h; which tag each array is
// stored under is FlnDataArrays.h.

#include <cstdint>
#include <vector>

#include "format/FlnRecords.h"
#include "storage/TeskAry.h"

class FlnDiskImage;  // what SaveAll knows the library file holds (FlnArraySync.h)

/// The open library in memory, one per document. Array fields hold a
/// TESK_ARY or null. A loaded library has every stored array (entry, label,
/// idCounter, attachment, envAry, catsAry), possibly empty, never null.
struct FLN_DATA {
  TESK_ARY entry = nullptr;         // FLN_ENTRY, stored order
  TESK_ARY label = nullptr;         // FLN_LABEL
  TESK_ARY colorLabel = nullptr;    // never used; stays null
  TESK_ARY idCounter = nullptr;     // FLN_ID_COUNTER
  TESK_ARY attachment = nullptr;    // FLN_ATTACHMENT
  // The listed entries, row order: row r shows record shownRows[r] of
  // entry. Whatever removes entries keeps it in step (ForgetEntryRows).
  std::vector<int32_t> shownRows;
  TESK_ARY envAry = nullptr;        // FLN_ENV
  char filePath[256] = {};
  TESK_ARY catsAry = nullptr;       // FLN_CATS
  TESK_ARY cat1Ary = nullptr;       // kCategoryNameSize-byte UTF-8 names, sorted
  TESK_ARY cat2Ary = nullptr;
  TESK_ARY cat3Ary = nullptr;
  char lastSelectCat1[kCategoryNameSize] = {};
  char lastSelectCat2[kCategoryNameSize] = {};
  char lastSelectCat3[kCategoryNameSize] = {};
  FLN_ENTRY_LIST_INFO entryListInfo = {};
  // Owned; made by loading or the first save, released by FreeFlnData. Lets
  // SaveAll write only the records that changed since the last load or save.
  FlnDiskImage* diskImage = nullptr;
};

