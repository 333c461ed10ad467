#pragma once
// A library held by the test: an FLN_DATA that is freed with its owner, and
// the steps that make a new library file and load one.

#include <string>

#include "library/FlnData.h"

namespace testsupport {

/// An FLN_DATA released with FreeFlnData when destroyed.
struct Library {
  FLN_DATA data;
  Library() = default;
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;
  ~Library();
};

/// Creates a new library file at `path` and loads it into `library` (test failure when either step fails).
void CreateAndLoad(const std::string& path, Library* library);
/// Loads the library file at `path` into `library` (test failure otherwise).
void Load(const std::string& path, Library* library);
/// Converts the library file at `path` to 64-bit offsets under its lock
/// (UpgradeLibraryFile); test failure when it does not end as version 3.
void ConvertToWide(const std::string& path);

}  // namespace testsupport
