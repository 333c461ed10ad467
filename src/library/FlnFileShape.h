#pragma once
// The container version and size of a library file, read from its header
// without loading any records: what an import needs to know beforehand to
// tell whether the PDFs will fit.

#include <cstdint>

#include "format/ZelFormat.h"
#include "library/FlnResult.h"

struct FlnFileShape {
  zel::RecordLayout layout = zel::kLayout2;  // the container version's item records
  uint64_t size = 0;                         // bytes the file holds
};

/// Opens the library file at `path` read only and fills `shape` from its
/// container header. On failure `shape` is left as it was and the result says
/// why (CannotOpen with the system's reason, or the container's refusal).
FlnResult ReadLibraryFileShape(const char* path, FlnFileShape* shape);
