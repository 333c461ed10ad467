// Where each stored array of the open library lives, against what a save and
// a load really do with it.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ContainerContents.h"
#include "LibraryFixtures.h"
#include "TestFiles.h"
#include "format/Endian.h"
#include "library/FlnDataArrays.h"
#include "library/FlnIdCounter.h"
#include "library/FlnSave.h"

namespace {

using namespace testsupport;

// Each Array tag's row names its record size and identifier, and ArrayOfTag
// its FLN_DATA array: a record added to that array is saved under that tag,
// loaded back into the same array, and its identifier raises that counter.
TEST(FlnDataArraysTest, EachStoredArrayIsWhatSaveAndLoadDo) {
  for (const LibraryTag& row : kLibraryTags) {
    if (row.kind != LibraryTagKind::Array) continue;
    SCOPED_TRACE(row.records);
    TESK_ARY FLN_DATA::*const member = ArrayOfTag(row.tag);
    ASSERT_NE(member, nullptr);
    TempDir dir;
    const std::string path = dir.path("schema.fln");
    Library saved;
    CreateAndLoad(path, &saved);

    constexpr int32_t kId = 7777;
    std::string record(row.recordSize, '\0');
    const int32_t storedId = ZEL_EndianLong_NtoL(kId);
    std::memcpy(&record[row.idOffset], &storedId, sizeof storedId);
    record.back() = 'Z';  // the record's last byte, to see it whole on disk
    ASSERT_EQ(Tesk_Ary_Add(saved.data.*member, record.data()), 0);
    ASSERT_TRUE(SaveAll(path.c_str(), &saved.data).ok());

    const Contents contents = ReadContents(path);
    const std::vector<std::string>* members = MembersOf(contents, row.tag);
    ASSERT_NE(members, nullptr);
    EXPECT_EQ(members->back(), record);

    Library loaded;
    Load(path, &loaded);
    const TESK_ARY array = loaded.data.*member;
    ASSERT_EQ(array->recordSize, static_cast<int32_t>(row.recordSize));
    std::string last(row.recordSize, '\0');
    Tesk_Ary_GetData(array, Tesk_Ary_GetSize(array) - 1, last.data());
    EXPECT_EQ(last, record);
    EXPECT_GT(GetIdFromIdCounter(loaded.data.idCounter, row.tag, row.idKey), kId);
  }
}

}  // namespace
