#pragma once
// Remembers, per container file, where each tag's member chain ends, so that
// appending the n-th member does not walk the n - 1 before it. The library
// file is opened and closed for every operation, so the memory lives outside
// the handle, keyed by the file's identity (device, inode).
//
// What holds of the file and of this memory, before, during and after a
// write ("the stamp" is a file's device, inode, size and modification time):
//
// (1) An entry is trusted only while the file carries the very stamp stored
//     with it. The stamp is stored only by afterChange (and remember), right
//     after a change this process made; a change by anyone else, a file
//     renamed over the path or a rollback gives the file another stamp, and
//     the entry is not trusted again until a change of ours stores a new one.
// (2) While an entry is trusted, each tail it holds is the position of the
//     item record that ended that tag's member chain when the stamp was
//     stored. A tag it holds no tail for is unknown, never "absent".
// (3) A change decides `trusted` (isCurrent) before its first write and
//     passes it to afterChange: a change made while the entry was not trusted
//     drops every tail before storing the new stamp, so tails from before a
//     change we did not see never become trusted again.
// (4) A change that moves the end of one tag's chain (an append, the removal
//     of a last member) sets or erases that tag's tail in the same
//     afterChange that stores the stamp; every other change (a replace, an
//     insert before a member, a commit) keeps the tails, which stay true.
// (5) Even a trusted tail is checked before an append links to it (the
//     record there must still end the tag's chain): this memory can spare a
//     walk, never make a wrong link. Nothing of it is on disk; a process
//     that dies loses only time.

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
