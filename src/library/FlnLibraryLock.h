#pragma once
// The lock of a library file, taken on the file itself (an open file
// description lock on its inode), so that every process meets it whatever
// path, hard link, session or user environment it reaches the file by, and
// the kernel drops it when its holder dies: no lock is ever left behind.
//
// A Folian window holds it exclusively for as long as the library is open;
// a folian-cli command that writes holds it exclusively for its length, and
// one that only reads holds it shared, so that it never reads a change half
// made. Taking the lock also rolls back a change that a writer which died
// left unfinished (ZelJournal.h); taking it exclusively also removes the
// temporary files of whole-file replacements whose process died
// (FlnFileReplacement::removeLeftovers).

#include <string>

enum class LibraryLockMode { Shared, Exclusive };

/// Who holds a lock, so that a refusal can name the holder.
enum class LibraryLockHolder { Window, WritingCommand, ReadingCommand, Unknown };

enum class LibraryLockStatus {
  Held,         // the lock is ours
  Unsupported,  // the file system keeps no locks: the library is used unguarded
  Busy,         // someone else holds it (busyHolder() says who, if it can tell)
  Failed        // the file cannot be opened, or an unfinished change cannot be rolled back
};

class LibraryLock {
 public:
  LibraryLock() = default;
  ~LibraryLock() { release(); }
  LibraryLock(const LibraryLock&) = delete;
  LibraryLock& operator=(const LibraryLock&) = delete;

  /// Takes the lock of the library file at `path` without waiting, as
  /// `holder` (Window or one of the commands), then rolls back an unfinished
  /// change if a journal lies beside the file. A lock taken on a file that
  /// has just been replaced under that name (a library converted meanwhile)
  /// is given up and taken again on the file the name now gives. On Busy and Failed nothing is
  /// held and problem() says why in a sentence.
  LibraryLockStatus acquire(const std::string& path, LibraryLockMode mode, LibraryLockHolder holder);
  /// Gives the lock up; harmless when nothing is held.
  void release();
  /// Exchanges what the two hold: how a holder moves over to the file that
  /// replaced its library, having locked the new file before the rename.
  void swap(LibraryLock& other);

  /// Who holds the lock of the library file at `path` right now, without
  /// taking it (so that asking never refuses anyone); false when no one does
  /// or the file cannot be opened.
  static bool heldByOthers(const std::string& path, LibraryLockHolder* holder);

  /// Who holds the lock that made acquire() return Busy.
  LibraryLockHolder busyHolder() const { return busyHolder_; }
  /// Why acquire() did not give a usable lock ("" after Held); for
  /// Unsupported, the warning to show.
  const std::string& problem() const { return problem_; }

 private:
  LibraryLockStatus acquireOnce(const std::string& path, LibraryLockMode mode, LibraryLockHolder holder);
  bool stillNamed(const std::string& path) const;
  bool rollBackUnfinishedChange(const std::string& path, LibraryLockMode mode);

  int fd_ = -1;
  LibraryLockHolder busyHolder_ = LibraryLockHolder::Unknown;
  std::string problem_;
};

/// "the Folian window", "another folian-cli command" ... for messages.
std::string LibraryLockHolderText(LibraryLockHolder holder);
