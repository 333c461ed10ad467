#pragma once
// Atomic changes of a container file, the way a rollback journal makes them.
//
// Invariants of the write path (a crash may strike between any two steps):
//  1. Bytes past the container's old end (appended items) are written
//     first and flushed; nothing in the old part refers to them yet.
//  2. The original bytes of every region of the old part that the change
//     overwrites, with the old length and the container's identity, are
//     written to "<container>-journal" and flushed, and the folder is
//     flushed so that the journal's name is on disk too.
//  3. Only then are the old regions overwritten, and the container flushed.
//  4. The journal is removed and the folder flushed: this is the commit.
// A journal that is whole (its checksum holds) therefore always describes a
// container whose old state it can bring back; a journal that is not whole
// was written before anything in place changed and is simply removed.
// Whoever opens the container for writing, or holds its lock, first rolls
// back a journal left by a process that died.

#include <string>

#include "storage/FileIo.h"

namespace ZelJournal {

/// The journal's path for the container at `path`: "<container>-journal",
/// fitted to the file system's limit on one name (SideFilePath).
std::string PathFor(const std::string& containerPath);

/// Makes the change held by `stream` (FileStream::holdOverwrites) durable
/// along steps 1-4 above, then holds anew from the new end. True once the
/// journal is removed (also when flushing the folder after that fails). On
/// failure the change is undone (the container holds its old bytes and
/// length again, or keeps a journal that the next opening rolls back);
/// errno tells why.
bool Commit(FileStream* stream, const std::string& containerPath);

/// Drops the change held by `stream` that was never committed: held
/// overwrites are forgotten and appended bytes cut off. True on success.
bool Discard(FileStream* stream);

enum class Recovery {
  None,        // no journal
  RolledBack,  // a whole journal was applied and removed
  Removed,     // a journal that was never finished was removed; nothing had changed
  Foreign,     // the journal names another file (device and inode): left alone
  Failed       // the journal could not be read or applied; errno tells why
};

/// Rolls the container at `path` back with the journal beside it, if any.
/// The caller holds the container's lock (or is its only user).
Recovery RollBack(const std::string& containerPath);

/// A sentence for a Recovery that stops the container from being opened.
std::string RecoveryProblem(Recovery recovery, const std::string& containerPath);

}  // namespace ZelJournal
