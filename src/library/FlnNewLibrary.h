#pragma once
// Creating a new, empty library file.

#include "library/FlnResult.h"

/// Default names of the three category levels of a new library.
constexpr const char* kDefaultLabelNames[3] = {"分類１", "分類２", "分類３"};

/// Creates a new library file at `path` holding, in this order of tags:
/// 'LABE' (levels 1, 2, 3 named kDefaultLabelNames, la_id 0, 1, 2), 'CAT1',
/// 'CAT2', 'CAT3' (one category "その他" each, ca_id 0 of its own counter),
/// 'CATS' (the triple "その他" x 3, ct_id 0) and 'IDCO' (the counters
/// "ic_id", "la_id", three "ca_id" and "ct_id", ic_id 0 to 5), every date the
/// time of creation. A file already at `path` is replaced, but only once the
/// new one is complete: when anything fails it stays as it was. Refuses a path
/// that would not fit FLN_DATA::filePath, since the new library could not be
/// opened. The caller opens the new file with ReadFlnDataFromFlnFile.
FlnResult CreateNewLibraryFile(const char* path);
