#include "LibraryFixtures.h"

#include <gtest/gtest.h>

#include "library/FlnLoad.h"
#include "library/FlnNewLibrary.h"

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

}  // namespace testsupport
