#pragma once
// The library lock a folian-cli command holds for its whole length
// (FlnLibraryLock.h): exclusive for a command that writes, so that it never
// changes a library that a Folian window or another command is working on;
// shared for one that only reads, so that it never reads a change half made.

#include <string>

#include "library/FlnLibraryLock.h"

class CliLibraryLock {
 public:
  /// Takes the lock of the library file at `path` without waiting. When
  /// someone else holds it, or it cannot be taken at all, writes why to
  /// stderr and returns false. On a file system without locks it warns on
  /// stderr and returns true.
  bool acquire(const std::string& path, LibraryLockMode mode);
  /// The lock itself, for a command that moves it to a file replacing the library.
  LibraryLock& held() { return lock_; }

 private:
  LibraryLock lock_;
};
