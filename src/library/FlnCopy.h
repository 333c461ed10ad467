#pragma once
// Writing a copy of the open library to another file.

#include <cstdint>

#include "library/FlnRecords.h"
#include "library/FlnResult.h"

/// Writes a new library file at `targetPath` from the library in memory and
/// the PDF bytes of its own file (flnData->filePath): 'ENTR', 'LABE', 'IDCO',
/// 'ENVI', 'CATS' from the arrays, then for each attachment record in order
/// its record into 'ATTA' and its PDF into 'ATTD', alternately, with dataIndex
/// renumbered to the PDF's position in the copy. An attachment whose PDF
/// cannot be read from the library file (no such member, a member of no
/// bytes, an unreadable one) is left out; `attachmentsLeftOut`, when given,
/// receives how many were. The copy has no 'ENSO' and no 'CAT1' to 'CAT3'.
///
/// Refuses (FlnStatus::SameFile) a target that is the library's own file,
/// whatever path names it. A file already at the target is replaced only once
/// the copy is complete; when anything fails it stays as it was. The library
/// itself and its file are never changed.
FlnResult WriteLibraryCopy(const FLN_DATA* flnData, const char* targetPath, int32_t* attachmentsLeftOut = nullptr);
