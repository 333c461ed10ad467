// The table of library tags against the record header it describes. What a
// save and a load do with each stored array is tested beside FLN_DATA
// (tests/library/FlnDataArraysTest.cpp).

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "format/LibrarySchema.h"

namespace {

std::string TagName(int32_t tag) {
  const uint32_t c = static_cast<uint32_t>(tag);
  return {static_cast<char>(c >> 24), static_cast<char>(c >> 16), static_cast<char>(c >> 8), static_cast<char>(c)};
}

// A tag constant added to the record header without a row would be neither
// loaded, saved, copied, checked nor recovered; a row without a constant
// describes nothing.
TEST(LibrarySchemaTest, HasOneRowForEveryTagTheRecordHeaderDefines) {
  std::ifstream header(std::string(FOLIAN_SOURCE_DIR) + "/src/format/FlnRecords.h");
  ASSERT_TRUE(header.is_open());
  std::stringstream text;
  text << header.rdbuf();
  const std::string source = text.str();
  std::set<std::string> defined;
  const std::regex constant(R"re(constexpr\s+int32_t\s+kTag\w+\s*=\s*ZelTag\("(....)"\))re");
  for (std::sregex_iterator it(source.begin(), source.end(), constant), end; it != end; ++it)
    defined.insert((*it)[1].str());
  ASSERT_FALSE(defined.empty());

  std::set<std::string> described;
  for (const LibraryTag& row : kLibraryTags) described.insert(TagName(row.tag));
  EXPECT_EQ(described, defined);
}

TEST(LibrarySchemaTest, TellsTheKindsOfTagApart) {
  const struct {
    int32_t tag;
    bool inLibraryFile, loaded;
    uint32_t recordSize;
  } cases[] = {
      {kTagEntry, true, true, 4644},         {kTagIdCounter, true, true, 140},
      {kTagEntrySort, true, true, 76},       {kTagAttachmentData, true, false, 0},
      {kTagAttachmentHash, true, false, 40}, {kTagCat2, true, false, 324},
      {kTagPrefFileImport, true, false, 256}, {kTagPrefLibraryFolder, false, false, 256},
      {ZelTag("JUNK"), false, false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(TagName(c.tag));
    EXPECT_EQ(IsLibraryFileTag(c.tag), c.inLibraryFile);
    EXPECT_EQ(IsLoadedRecordTag(c.tag), c.loaded);
    const LibraryTag* row = FindLibraryTag(c.tag);
    EXPECT_EQ(row != nullptr ? row->recordSize : 0u, c.recordSize);
  }
}

}  // namespace
