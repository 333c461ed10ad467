#pragma once
// A library file in a temporary folder, loaded into FLN_DATA, for tests of
// commands that change the library and save it.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CategoryFixtures.h"
#include "LibraryFixtures.h"
#include "TestFiles.h"
#include "categories/CategoryLists.h"
#include "format/CategoryNames.h"
#include "library/FlnSave.h"

namespace fixtures {

class OpenLibraryTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.dir.isValid());
    ASSERT_NO_FATAL_FAILURE(CreateAndLoad(path_, &lib_));
    for (int level = 1; level <= 3; ++level) SetCategoryChoice(&lib_.data, level, kCategoryAll);
  }

  FLN_DATA* data() { return &lib_.data; }

  /// Replaces the category table and the entries, shows every entry in the
  /// list (stored order), rebuilds the name arrays and saves.
  void Fill(const std::vector<Triple>& triples, const std::vector<FLN_ENTRY>& entries) {
    Tesk_Ary_RemoveAll(data()->catsAry);
    int32_t id = 100;
    for (const Triple& names : triples) {
      FLN_CATS cats = MakeCats(id++, names);
      Tesk_Ary_Add(data()->catsAry, &cats);
    }
    Tesk_Ary_RemoveAll(data()->entry);
    data()->shownRows.clear();
    for (const FLN_ENTRY& entry : entries) {
      data()->shownRows.push_back(Tesk_Ary_GetSize(data()->entry));
      Tesk_Ary_Add(data()->entry, &entry);
    }
    ASSERT_EQ(0, RebuildCategoryNameArrays(data()));
    ASSERT_TRUE(SaveAll(data()->filePath, data()).ok());
  }

  /// The library as its file holds it now.
  void Reload(Library* out) { Load(path_, out); }

  TempDir dir_;
  std::string path_ = dir_.path("library.fln");
  Library lib_;
};

}  // namespace fixtures
