// The container with 64-bit offsets (version 3) beside the one new files are
// (version 2): the same shape with wider item records, read and written by
// the same code, and able to grow past 4 GiB. Also the copy that converts one
// into the other.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <functional>

#include "ZelTestSupport.h"
#include "storage/FileIo.h"
#include "storage/ZelCopy.h"
#include "storage/ZelFile.h"

using namespace zeltest;

namespace {

constexpr int32_t A = ZelTag("AAAA");
constexpr int32_t B = ZelTag("BBBB");
constexpr int32_t C = ZelTag("CCCC");
constexpr uint64_t k4GiB = uint64_t{1} << 32;

uint64_t LeAt(const std::vector<uint8_t>& bytes, uint64_t offset, uint32_t width) {
  uint64_t v = 0;
  for (uint32_t i = 0; i < width; ++i) v |= static_cast<uint64_t>(bytes.at(offset + i)) << (8 * i);
  return v;
}

void PokeLe(const std::string& path, uint64_t offset, uint64_t value, uint32_t width) {
  std::unique_ptr<FileStream> f(FileStream::open(path.c_str(), FileOpenMode::ReadWrite));
  ASSERT_NE(f, nullptr);
  uint8_t bytes[8];
  for (uint32_t i = 0; i < width; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
  ASSERT_TRUE(f->writeOnDisk(offset, bytes, width));
}

uint64_t FileSize(const std::string& path) {
  struct stat st;
  EXPECT_EQ(stat(path.c_str(), &st), 0);
  return static_cast<uint64_t>(st.st_size);
}

class ZelWideTest : public ::testing::Test {
 protected:
  void TearDown() override { FileFaults::reset(); }
  TempDir tmp;
  std::string path = tmp.path("c.zel");
};

// Byte positions of the two versions, from their record sizes (36 and 60):
// two 328-byte members of a new tag, every field where the layout puts it.
TEST_F(ZelWideTest, BothVersionsLayTheirRecordsOutAsDocumented) {
  struct Case {
    const zel::RecordLayout& layout;
    uint64_t empty, first, second, end;
    uint32_t width;
    uint64_t none;
  };
  const Case cases[] = {
      {zel::kLayout2, 548, 548, 912, 1276, 4, 0xFFFFFFFFull},
      {zel::kLayout3, 572, 572, 960, 1348, 8, ~uint64_t{0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.layout.version);
    ::unlink(path.c_str());
    MakeContainer(path, {}, c.layout);
    EXPECT_EQ(FileSize(path), c.empty);
    ::unlink(path.c_str());
    MakeContainer(path, {{A, {std::string(328, 'a'), std::string(328, 'b')}}}, c.layout);
    const auto bytes = readAll(path);
    ASSERT_EQ(bytes.size(), c.end);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 3), "ZEL");
    EXPECT_EQ(LeAt(bytes, zel::kVersionAt, 2), c.layout.version) << "the version field tells the width";
    const auto field = [&](uint64_t record, int f) { return LeAt(bytes, record + c.layout.fieldAt(f), c.width); };
    EXPECT_EQ(u32At(bytes, 512), 0xFFFFFFFFu) << "root tag";
    EXPECT_EQ(field(512, zel::kPosition), 512u);
    EXPECT_EQ(field(512, zel::kNextTag), c.first);
    EXPECT_EQ(u32At(bytes, c.first), static_cast<uint32_t>(A));
    const uint64_t expected[2][6] = {{328, c.first, c.none, c.second, 512, c.none},
                                     {328, c.second, c.first, c.none, c.none, c.none}};
    for (int r = 0; r < 2; ++r)
      for (int f = 0; f < 6; ++f)
        EXPECT_EQ(field(r == 0 ? c.first : c.second, f), expected[r][f]) << "record " << r << " field " << f;
    EXPECT_EQ(bytes[c.first + c.layout.recordSize()], 'a') << "data follow the record";
    EXPECT_EQ(ReadContents(path), (Contents{{A, {std::string(328, 'a'), std::string(328, 'b')}}}));
  }
}

// A reader that knows only version 2 refuses anything else by the version
// field; this one reads 2 and 3 and refuses the rest the same way.
TEST_F(ZelWideTest, OnlyVersionsTwoAndThreeOpen) {
  MakeContainer(path, {{A, {"x"}}}, zel::kLayout3);
  const auto wide = readAll(path);
  EXPECT_EQ(wide[4], 3);
  EXPECT_EQ(wide[5], 0);
  for (const int version : {0, 1, 2, 3, 4, 0x0203, 0xFFFF}) {
    SCOPED_TRACE(version);
    auto bytes = wide;
    bytes[4] = static_cast<uint8_t>(version);
    bytes[5] = static_cast<uint8_t>(version >> 8);
    writeAll(path, bytes);
    ZEL_FILE f;
    const int rc = ZEL_Open(path.c_str(), 1, &f);
    Contents got;
    if (version == 3) {
      EXPECT_EQ(rc, ZEL_OK);
      EXPECT_EQ(f.layout->version, 3);
      ZEL_Close(&f);
      EXPECT_EQ(WalkContainer(path, &got), ZEL_OK);
      EXPECT_EQ(got, (Contents{{A, {"x"}}}));
    } else if (version == 2) {
      // Read with the narrow layout, the wide root does not name its own
      // position: nothing is followed.
      EXPECT_EQ(rc, ZEL_OK);
      ZEL_Close(&f);
      EXPECT_EQ(WalkContainer(path, &got), ZEL_ERR_IO);
    } else {
      EXPECT_EQ(rc, ZEL_ERR_ARG);
      ZEL_Close(&f);
    }
  }
}

// Version 3 appends past 4 GiB where version 2 refuses; both refuse what
// their offsets cannot name. A sparse file stands in for a nearly full library.
TEST_F(ZelWideTest, OnlyTheWideVersionGrowsPastFourGibibytes) {
  struct Case {
    const zel::RecordLayout& layout;
    uint64_t size;  // of the file before the append (dead space at its end)
    int expected;
  };
  const Case cases[] = {
      {zel::kLayout2, k4GiB - 1000, ZEL_ERR_ARG},
      {zel::kLayout3, k4GiB - 1000, ZEL_OK},
      {zel::kLayout3, k4GiB + 12345, ZEL_OK},
  };
  const std::string data(2000, 'd');
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.layout.version) + " at " + std::to_string(c.size));
    ::unlink(path.c_str());
    MakeContainer(path, {{A, {"a0"}}, {B, {"b0"}}}, c.layout);
    ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(c.size)), 0);
    for (const int32_t tag : {A, C}) {  // a new member, and a new tag
      ZEL_FILE f;
      ASSERT_EQ(ZEL_Open(path.c_str(), 0, &f), ZEL_OK);
      EXPECT_EQ(ZEL_AddData(&f, tag, static_cast<uint32_t>(data.size()), data.data()), c.expected);
      ZEL_Close(&f);
    }
    Contents got;
    ASSERT_EQ(WalkContainer(path, &got), ZEL_OK);
    if (c.expected == ZEL_OK) {
      EXPECT_EQ(got, (Contents{{A, {"a0", data}}, {B, {"b0"}}, {C, {data}}}));
      EXPECT_EQ(FileSize(path), c.size + 2 * (c.layout.recordSize() + data.size()));
      EXPECT_EQ(FirstItemOffset(path, C), static_cast<int64_t>(c.size + c.layout.recordSize() + data.size()))
          << "a link beyond 32 bits";
    } else {
      EXPECT_EQ(got, (Contents{{A, {"a0"}}, {B, {"b0"}}}));
      EXPECT_EQ(FileSize(path), c.size) << "nothing written";
    }
  }
}

// Damage that only 64-bit fields can carry is caught like any other.
TEST_F(ZelWideTest, DamagedWideRecordsGiveErrors) {
  const auto& L = zel::kLayout3;
  const uint64_t first = L.firstItem(), second = first + L.recordSize() + 2;
  const struct {
    const char* what;
    uint64_t at;
    uint64_t value;
  } cases[] = {
      {"a link far beyond the file", first + L.fieldAt(zel::kNextMember), uint64_t{1} << 40},
      {"a link into the high half only", first + L.fieldAt(zel::kNextMember), second | (uint64_t{1} << 32)},
      {"a length that wraps around", second + L.fieldAt(zel::kDataLength), ~uint64_t{0} - 10},
      {"a loop back to the head", second + L.fieldAt(zel::kNextMember), first},
      {"a record naming another position", second + L.fieldAt(zel::kPosition), second + (uint64_t{1} << 32)},
      {"the root linking past the file", 512 + L.fieldAt(zel::kNextTag), uint64_t{1} << 62},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ::unlink(path.c_str());
    MakeContainer(path, {{A, {"a0", "a1", "a2"}}}, L);
    ASSERT_EQ(FirstItemOffset(path, A), static_cast<int64_t>(first));
    PokeLe(path, c.at, c.value, 8);
    Contents got;
    EXPECT_EQ(WalkContainer(path, &got), ZEL_ERR_IO);
  }
}

// The copy keeps every tag and member in order, leaves dead space behind and
// writes nothing when the source is damaged or the target not empty.
TEST_F(ZelWideTest, CopyKeepsEveryItemInOrderAndDropsDeadSpace) {
  const std::string source = tmp.path("source.zel");
  MakeContainer(source, {{A, {"a0", "a1", "a2"}}, {B, {std::string(3000, 'b')}}, {C, {"c0", ""}}});
  SetMembers(source, A, {"a1", "a2"});  // the old members stay as dead space
  const Contents contents = ReadContents(source);
  uint64_t items = 0;
  for (const auto& [tag, members] : contents)
    for (const auto& m : members) items += zel::kLayout3.recordSize() + m.size();

  for (const auto* layout : {&zel::kLayout2, &zel::kLayout3}) {
    SCOPED_TRACE(layout->version);
    ::unlink(path.c_str());
    ZEL_FILE from, to;
    ASSERT_EQ(ZEL_Open(source.c_str(), 1, &from), ZEL_OK);
    ASSERT_EQ(ZEL_CreateWithLayout(path.c_str(), *layout, &to), ZEL_OK);
    std::vector<std::pair<uint64_t, uint64_t>> steps;
    EXPECT_EQ(ZEL_CopyAll(&from, &to, [&](uint64_t done, uint64_t total) {
                steps.emplace_back(done, total);
                return true;
              }),
              ZEL_OK);
    ASSERT_EQ(ZEL_Commit(&to), ZEL_OK);
    ZEL_Close(&to);
    ZEL_Close(&from);
    EXPECT_EQ(ReadContents(path), contents);
    if (layout == &zel::kLayout3) {
      EXPECT_EQ(FileSize(path), zel::kLayout3.firstItem() + items);
    }
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.back(), std::make_pair(uint64_t{3006}, uint64_t{3006})) << "every data byte counted";
  }

  // Not an empty target; a damaged source; a stop asked by the progress.
  const struct {
    const char* what;
    std::function<void()> prepare;
    bool stop;
    int expected;
  } refusals[] = {
      {"target not empty", [&] { MakeContainer(path, {{A, {"x"}}}, zel::kLayout3); }, false, ZEL_ERR_ARG},
      {"stopped", [&] { MakeContainer(path, {}, zel::kLayout3); }, true, ZEL_COPY_STOPPED},
      {"damaged source",
       [&] {
         MakeContainer(path, {}, zel::kLayout3);
         pokeU32LE(source, FirstItemOffset(source, B) + zel::kNextMemberAt, 0x7FFFFFF0u);
       },
       false, ZEL_ERR_IO},
  };
  for (const auto& r : refusals) {
    SCOPED_TRACE(r.what);
    ::unlink(path.c_str());
    r.prepare();
    const auto before = readAll(path);
    ZEL_FILE from, to;
    ASSERT_EQ(ZEL_Open(source.c_str(), 1, &from), ZEL_OK);
    ASSERT_EQ(ZEL_Open(path.c_str(), 0, &to), ZEL_OK);
    EXPECT_EQ(ZEL_CopyAll(&from, &to, [&](uint64_t, uint64_t) { return !r.stop; }), r.expected);
    if (r.expected != ZEL_COPY_STOPPED) {
      EXPECT_EQ(readAll(path), before) << "nothing written";
    }
    ZEL_Rollback(&to);
    ZEL_Close(&to);
    ZEL_Close(&from);
    EXPECT_EQ(readAll(path), before) << "a rolled-back target is as it was";
  }
}

}  // namespace
