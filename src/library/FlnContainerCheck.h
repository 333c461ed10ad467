#pragma once
// Whether an open library file's chains are whole, checked before trusting
// it: loading checks the tags it does not read record by record, and a save
// checks the whole file when it has changed since the program last saw it.

#include <cstdint>
#include <string>

#include "library/FlnResult.h"
#include "storage/ZelFile.h"

/// "'ENTR'" for a tag of printable characters, else the code in hexadecimal.
std::string TagText(int32_t tag);

/// FlnStatus::Damaged with the reason "damaged: " + `what`.
FlnResult DamagedResult(const std::string& what);

/// Walks the tag chain and the member chain of every tag that loading does
/// not read record by record (IsLoadedRecordTag) and that holds no PDF bytes
/// (bounded, so a loop ends). Success, or FlnStatus::Damaged naming the
/// first broken chain.
FlnResult CheckLibraryChains(ZEL_FILE* file);
