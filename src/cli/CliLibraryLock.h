#pragma once
// The lock a library's writer holds. The Folian application holds one per
// open library for as long as its window is open, because two programs
// writing one library file would overwrite each other's changes; folian-cli
// takes the same lock for every command that writes, so it never changes a
// library that a Folian window (or another folian-cli) is working on.

#include <QString>
#include <memory>
#include <string>

class QLockFile;

class LibraryWriteLock {
 public:
  LibraryWriteLock();
  ~LibraryWriteLock();  // releases the lock
  LibraryWriteLock(const LibraryWriteLock&) = delete;
  LibraryWriteLock& operator=(const LibraryWriteLock&) = delete;

  /// Takes the lock of the library file at `path` without waiting. When
  /// someone else holds it, or it cannot be taken at all, writes why to
  /// stderr and returns false.
  bool acquire(const std::string& path);

 private:
  std::unique_ptr<QLockFile> lock_;
};
