#pragma once
// How much of a library file holds nothing that the library uses: the space
// that compacting gives back (FlnCompact.h), shown to the user beforehand.

#include <cstdint>

#include "library/FlnData.h"

struct FlnSpaceUse {
  int64_t fileSize = 0;
  /// Bytes that no item reached through the chains covers: removed items,
  /// the tail of a failed write.
  int64_t deadBytes = 0;
  /// Stored PDFs that no attachment record names any more (those of deleted
  /// entries), and the bytes they take with their item records.
  int32_t unusedPdfs = 0;
  int64_t unusedPdfBytes = 0;

  int64_t unusedBytes() const { return deadBytes + unusedPdfBytes; }
};

/// Measures the file of the loaded library `flnData` (read only) against
/// its attachment records. False when the file cannot be read as a
/// container or one of its chains is broken; `use` is then not to be shown.
bool MeasureLibrarySpace(const FLN_DATA* flnData, FlnSpaceUse* use);
