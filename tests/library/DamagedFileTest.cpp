// Libraries whose item records were damaged at random: every operation on
// them either refuses with a reason or works, and never reads or writes past
// what the file holds (run under AddressSanitizer to see the latter).

#include <gtest/gtest.h>

#include <random>

#include "LibraryTestSupport.h"
#include "TestFiles.h"
#include "library/FlnAttachment.h"
#include "library/FlnCopy.h"
#include "library/FlnLoad.h"
#include "library/FlnSave.h"
#include "storage/ZelFile.h"

using namespace libtest;

namespace {

// Offsets of the root record and of every item record, found by walking.
std::vector<uint32_t> RecordPositions(const std::string& path) {
  std::vector<uint32_t> positions{512};
  ZEL_FILE file;
  EXPECT_EQ(ZEL_Open(path.c_str(), 1, &file), ZEL_OK);
  std::vector<int32_t> tags;
  for (int rc = ZEL_FirstTag(&file); rc == ZEL_OK; rc = ZEL_NextTag(&file)) tags.push_back(file.current.tag);
  for (int32_t tag : tags)
    for (int rc = ZEL_FirstMember(&file, tag); rc == ZEL_OK; rc = ZEL_NextMember(&file))
      positions.push_back(file.current.position);
  ZEL_Close(&file);
  return positions;
}

TEST(DamagedFile, EveryOperationRefusesOrWorks) {
  TempDir dir;
  const std::string good = dir.path("good.fln");
  WriteSampleLibrary(good, 4);
  const std::vector<uint8_t> goodBytes = readAll(good);
  const std::vector<uint32_t> records = RecordPositions(good);
  ASSERT_GT(records.size(), 20u);

  std::mt19937 rng(7);
  const std::string path = dir.path("damaged.fln");
  int refused = 0, loaded = 0;
  for (int round = 0; round < 200; ++round) {
    SCOPED_TRACE(round);
    std::vector<uint8_t> bytes = goodBytes;
    for (int hits = 1 + static_cast<int>(rng() % 3); hits > 0; --hits) {
      const uint32_t record = records[rng() % records.size()];
      const uint32_t field = 4 * (rng() % 7);  // tag, length or one of the five links
      const uint32_t values[] = {static_cast<uint32_t>(rng()), record, records[rng() % records.size()], 0xFFFFFFFFu,
                                 static_cast<uint32_t>(bytes.size()), 0, 512};
      const uint32_t value = values[rng() % std::size(values)];
      for (int i = 0; i < 4; ++i) bytes[record + field + i] = static_cast<uint8_t>(value >> (8 * i));
    }
    writeAll(path, bytes);

    Library library;
    const FlnResult r = ReadFlnDataFromFlnFile(path.c_str(), &library.data);
    if (!r.ok()) {
      ++refused;
      EXPECT_FALSE(r.reason.empty());
      EXPECT_EQ(library.data.entry, nullptr);
      continue;
    }
    ++loaded;
    for (TESK_ARY ary : {library.data.entry, library.data.label, library.data.attachment, library.data.idCounter,
                         library.data.envAry, library.data.catsAry})
      ASSERT_NE(ary, nullptr);
    EXPECT_EQ(library.data.entry->recordSize, static_cast<int32_t>(sizeof(FLN_ENTRY)));
    for (int32_t i = -1; i < 6; ++i) ReadPDFData_ByFLNFile(i, path.c_str());
    WriteLibraryCopy(&library.data, dir.path("copy.fln").c_str());
    Tesk_Ary_Remove(library.data.entry, 0);
    SaveAll(path.c_str(), &library.data);
  }
  // Both kinds of outcome occur, so both paths were exercised.
  EXPECT_GT(refused, 0);
  EXPECT_GT(loaded, 0);
}

}  // namespace
