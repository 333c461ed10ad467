#include "LibraryFixtures.h"

#include <gtest/gtest.h>

#include "library/FlnLoad.h"
#include "library/FlnNewLibrary.h"
#include "library/FlnUpgrade.h"

namespace testsupport {

Library::~Library() { FreeFlnData(&data); }

void CreateAndLoad(const std::string& path, Library* library) {
  const FlnResult created = CreateNewLibraryFile(path.c_str());
  ASSERT_TRUE(created.ok()) << created.reason;
  Load(path, library);
}

void Load(const std::string& path, Library* library) {
  const FlnResult loaded = ReadFlnDataFromFlnFile(path.c_str(), &library->data);
  ASSERT_TRUE(loaded.ok()) << path << ": " << loaded.reason;
}

void ConvertToWide(const std::string& path) {
  LibraryLock lock;
  ASSERT_EQ(lock.acquire(path, LibraryLockMode::Exclusive, LibraryLockHolder::WritingCommand), LibraryLockStatus::Held)
      << lock.problem();
  const FlnResult r = UpgradeLibraryFile(path, &lock, LibraryLockHolder::WritingCommand, nullptr);
  ASSERT_TRUE(r.ok()) << r.reason;
  ASSERT_TRUE(LibraryIsWide(path));
}

}  // namespace testsupport
