// The table of library tags against the record header it describes and
// against what a save and a load really do with each stored array.

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "ContainerContents.h"
#include "LibraryFixtures.h"
#include "TestFiles.h"
#include "format/Endian.h"
#include "format/LibrarySchema.h"
#include "library/FlnIdCounter.h"
#include "library/FlnSave.h"

namespace {

using namespace testsupport;

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

// Each stored array row names its tag, its FLN_DATA array, its record size
// and its identifier: a record added to that array is saved under that tag,
// loaded back into the same array, and its identifier raises that counter.
TEST(LibrarySchemaTest, EachStoredArrayRowIsWhatSaveAndLoadDo) {
  for (const LibraryTag& row : kLibraryTags) {
    if (row.kind != LibraryTagKind::Array) continue;
    SCOPED_TRACE(TagName(row.tag));
    TempDir dir;
    const std::string path = dir.path("schema.fln");
    Library saved;
    CreateAndLoad(path, &saved);

    constexpr int32_t kId = 7777;
    std::string record(row.recordSize, '\0');
    const int32_t storedId = ZEL_EndianLong_NtoL(kId);
    std::memcpy(&record[row.idOffset], &storedId, sizeof storedId);
    record.back() = 'Z';  // the record's last byte, to see it whole on disk
    ASSERT_EQ(Tesk_Ary_Add(saved.data.*row.array, record.data()), 0);
    ASSERT_TRUE(SaveAll(path.c_str(), &saved.data).ok());

    const Contents contents = ReadContents(path);
    const std::vector<std::string>* members = MembersOf(contents, row.tag);
    ASSERT_NE(members, nullptr);
    EXPECT_EQ(members->back(), record);

    Library loaded;
    Load(path, &loaded);
    const TESK_ARY array = loaded.data.*row.array;
    ASSERT_EQ(array->recordSize, static_cast<int32_t>(row.recordSize));
    std::string last(row.recordSize, '\0');
    Tesk_Ary_GetData(array, Tesk_Ary_GetSize(array) - 1, last.data());
    EXPECT_EQ(last, record);
    EXPECT_GT(GetIdFromIdCounter(loaded.data.idCounter, row.tag, row.idKey), kId);
  }
}

}  // namespace
