#pragma once
// Copying every item of one container into a new one, possibly of the other
// version: how a library is converted to 64-bit offsets. The copy keeps the
// order of the tags and of each tag's members, so that every record array and
// every member index (an attachment's dataIndex) means what it meant; only the
// dead space of removed items is left behind.

#include <cstdint>
#include <functional>

#include "storage/ZelFile.h"

/// Told the bytes of item data copied so far and in all; returning false stops the copy.
using ZelCopyProgress = std::function<bool(uint64_t done, uint64_t total)>;

/// The result of ZEL_CopyAll when `progress` asked it to stop.
constexpr int ZEL_COPY_STOPPED = 1;

/// Appends every item of `source` (open for reading) to `target`, a container
/// that ZEL_Create or ZEL_CreateWithLayout has just made. First walks every
/// chain of `source` (a damaged one gives -2 before anything is written), then
/// writes each item once, with its links already final, and last links the
/// root record to the first tag. 0 on success; -1 when `target` is not empty
/// or its offsets could not name everything (nothing written then); -2 when
/// a read or write fails; ZEL_COPY_STOPPED. Whatever the result, `target`
/// becomes durable only with ZEL_Commit, and a caller that does not commit
/// throws the target file away.
int ZEL_CopyAll(ZEL_FILE* source, ZEL_FILE* target, const ZelCopyProgress& progress);
