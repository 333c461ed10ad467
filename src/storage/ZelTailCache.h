#pragma once
// Remembers, per container file, where each tag's member chain ends, so that
// appending the n-th member does not walk the n - 1 before it. The library
// file is opened and closed for every operation, so the memory lives outside
// the handle, keyed by the file's identity. It is trusted only while the
// file's stamp (size, modification time, inode) is the one our own last
// write left; a file changed by anyone else is walked again.

#include <cstdint>

#include "format/ZelFormat.h"
#include "storage/FileIo.h"

namespace ZelTailCache {

/// The remembered last member of `tag`, when the file still carries the stamp
/// of our last write. Returns false when nothing trustworthy is known.
bool lookup(FileStream* stream, int32_t tag, uint64_t* lastMember);

/// Call before a change: true when the remembered state matches the file.
bool isCurrent(FileStream* stream);

/// After a successful change: records the file's new stamp. When the state
/// before the change was not current (`wasCurrent` false), every remembered
/// tail is dropped first. Then, unless `tag` is 0, sets the tail of `tag` to
/// `lastMember` (zel::kNone: the tag no longer exists).
void afterChange(FileStream* stream, bool wasCurrent, int32_t tag, uint64_t lastMember);

/// Tells where `tag`'s member chain ends (`lastMember`) in the file as it
/// is now, for a caller that knows it from a walk of its own. An append
/// still checks that the record there ends the chain before it trusts it.
void remember(FileStream* stream, int32_t tag, uint64_t lastMember);

/// Forgets everything (tests).
void clear();

}  // namespace ZelTailCache
