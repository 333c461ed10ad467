#include "storage/ZelAry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "OwnedAry.h"
#include "PagesAheadAtOnce.h"
#include "storage/TeskAryChanges.h"
#include "TestFiles.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kSize = 16;          // record size used throughout
constexpr uint32_t kItem = 36 + kSize;  // one member on disk: record and data
const int32_t kTag = ZelTag("LABE");
const int32_t kOther = ZelTag("OTHR");

// A record of `size` bytes that starts with `v` and continues with bytes
// derived from it, so that swapped, shifted or truncated records differ.
Bytes record(int32_t v, uint32_t size = kSize) {
  Bytes b(size);
  for (uint32_t k = 0; k < size; ++k) b[k] = static_cast<uint8_t>(v * 31 + k * 7 + 1);
  if (size >= 4) std::memcpy(b.data(), &v, 4);
  return b;
}

std::vector<Bytes> records(int32_t first, int32_t count, uint32_t size = kSize) {
  std::vector<Bytes> out;
  for (int32_t v = first; v < first + count; ++v) out.push_back(record(v, size));
  return out;
}

using testsupport::Ary;
using testsupport::PagesAheadAtOnce;

Ary aryOf(const std::vector<Bytes>& recs, uint32_t size = kSize) {
  Ary ary(Tesk_Ary_Init(static_cast<int32_t>(size), 20, 20));
  for (const Bytes& r : recs) EXPECT_EQ(Tesk_Ary_Add(ary.get(), r.data()), 0);
  return ary;
}

std::vector<Bytes> contents(TESK_ARY ary) {
  std::vector<Bytes> out;
  for (int32_t i = 0; i < Tesk_Ary_GetSize(ary); ++i) {
    Bytes b(static_cast<size_t>(ary->recordSize));
    Tesk_Ary_GetData(ary, i, b.data());
    out.push_back(b);
  }
  return out;
}

struct Member {
  int32_t tag;
  Bytes data;
};

void makeContainer(const std::string& path, const std::vector<Member>& members) {
  ZEL_FILE f;
  ASSERT_EQ(ZEL_Create(path.c_str(), &f), ZEL_OK);
  const uint8_t none = 0;  // the container wants a buffer also for empty data
  for (const Member& m : members)
    EXPECT_EQ(ZEL_AddData(&f, m.tag, static_cast<uint32_t>(m.data.size()), m.data.empty() ? &none : m.data.data()),
              ZEL_OK);
  ZEL_Close(&f);
}

std::vector<Member> membersOf(int32_t tag, const std::vector<Bytes>& recs) {
  std::vector<Member> out;
  for (const Bytes& r : recs) out.push_back({tag, r});
  return out;
}

// Walks a tag with the container alone: each member's position and data.
struct Walked {
  std::vector<uint32_t> positions;
  std::vector<Bytes> data;
};
Walked walk(const std::string& path, int32_t tag) {
  Walked w;
  ZEL_FILE f;
  EXPECT_EQ(ZEL_Open(path.c_str(), 1, &f), ZEL_OK);
  for (int rc = ZEL_FirstMember(&f, tag); rc == ZEL_OK && w.positions.size() < 1000; rc = ZEL_NextMember(&f)) {
    w.positions.push_back(f.current.position);
    Bytes b(f.current.dataLength);
    EXPECT_EQ(ZEL_GetData(&f, static_cast<uint32_t>(b.size()), b.data()), ZEL_OK);
    w.data.push_back(b);
  }
  ZEL_Close(&f);
  return w;
}

int save(const std::string& path, int32_t tag, TESK_ARY ary, uint32_t size = kSize, int mode = 0) {
  ZEL_FILE f;
  int rc = ZEL_Open(path.c_str(), mode, &f);
  EXPECT_EQ(rc, ZEL_OK);
  if (rc == ZEL_OK) rc = ZEL_ARY_Save(&f, tag, ary, size);
  ZEL_Close(&f);
  return rc;
}

Ary load(const std::string& path, int32_t tag) {
  ZEL_FILE f;
  EXPECT_EQ(ZEL_Open(path.c_str(), 1, &f), ZEL_OK);
  Ary ary(ZEL_ARY_Load(&f, tag));
  ZEL_Close(&f);
  return ary;
}

int loadable(const std::string& path, int32_t tag, uint32_t size, int* reason) {
  ZEL_FILE f;
  EXPECT_EQ(ZEL_Open(path.c_str(), 1, &f), ZEL_OK);
  const int ok = ZEL_ARY_IsLoadable(&f, tag, size, reason);
  ZEL_Close(&f);
  return ok;
}

class ZelAry : public ::testing::Test {
 protected:
  void TearDown() override { FileFaults::reset(); }

  TempDir dir_;
  const std::string path_ = dir_.path("records.zel");
};

// Members of kTag interleaved with those of kOther, so neither chain is contiguous.
std::vector<Member> interleaved(int32_t count) {
  std::vector<Member> out;
  for (int32_t v = 0; v < count; ++v) {
    out.push_back({kTag, record(v)});
    out.push_back({kOther, record(1000 + v, 8)});
  }
  return out;
}

}  // namespace

TEST_F(ZelAry, LoadHoldsTheMembersInMemberOrder) {
  makeContainer(path_, interleaved(3));
  Ary ary = load(path_, kTag);
  ASSERT_NE(ary, nullptr);
  EXPECT_EQ(ary->recordSize, 16);
  EXPECT_EQ(contents(ary.get()), records(0, 3));

  Ary other = load(path_, kOther);
  ASSERT_NE(other, nullptr);
  EXPECT_EQ(other->recordSize, 8);
  EXPECT_EQ(contents(other.get()), records(1000, 3, 8));
}

// The loader reserves room for as many members as the file could hold and
// gives back what it did not use; the records must come out whole at any
// count, beside other tags large and small, and the array must go on growing.
TEST_F(ZelAry, LoadHoldsExactlyTheMembersAtAnyCountAndGrowsOnAfterwards) {
  const struct {
    int32_t count;
    uint32_t size;
    bool interleave;
  } cases[] = {{1, kSize, false},   {1023, kSize, false}, {1024, kSize, true}, {1025, 4644, false},
               {3000, kSize, true}, {600, 4644, true},
               // blocks large enough to have their pages made ready ahead of the reading
               {2500, 4644, false}, {2500, 4644, true}};
  for (const auto& c : cases) {
    const std::string path = dir_.path("count" + std::to_string(c.count) + "-" + std::to_string(c.size) +
                                       (c.interleave ? "-interleaved" : "") + ".zel");
    std::vector<Member> members;
    for (int32_t v = 0; v < c.count; ++v) {
      members.push_back({kTag, record(v, c.size)});
      if (c.interleave) members.push_back({kOther, record(-v, 700)});
    }
    makeContainer(path, members);
    for (const bool atOnce : {false, true}) {
      SCOPED_TRACE(atOnce ? "pages made ready beside the reading from the start" : "pages made ready at its pace");
      std::optional<PagesAheadAtOnce> beside;
      if (atOnce) beside.emplace();
      Ary ary = load(path, kTag);
      ASSERT_NE(ary, nullptr) << c.count;
      EXPECT_EQ(contents(ary.get()), records(0, c.count, c.size)) << c.count;
      EXPECT_GE(ary->capacity, c.count) << c.count;
      EXPECT_LE(ary->capacity, c.count + c.count / 8) << "room beyond an eighth more is given back";
      int32_t from = -1, to = -1;
      Tesk_Ary_GetChanges(ary.get(), &from, &to);
      EXPECT_EQ(from, to) << "loaded records are what the file holds";
      const Bytes more = record(c.count, c.size);
      ASSERT_EQ(Tesk_Ary_Add(ary.get(), more.data()), 0);
      EXPECT_EQ(contents(ary.get()), records(0, c.count + 1, c.size)) << c.count;
    }
  }
}

TEST_F(ZelAry, LoadGivesNullForAMissingTagOrMixedLengths) {
  const std::vector<std::vector<uint32_t>> cases = {{}, {16, 16, 8}, {8, 16}, {16, 0}};
  for (size_t i = 0; i < cases.size(); ++i) {
    const std::string path = dir_.path("mixed" + std::to_string(i) + ".zel");
    std::vector<Member> members{{kOther, record(9)}};
    for (uint32_t length : cases[i]) members.push_back({kTag, record(1, length)});
    makeContainer(path, members);
    EXPECT_EQ(load(path, kTag), nullptr) << "case " << i;
  }
}

// Damage done to a container holding members 0..3 of kTag; each leaves a
// chain that no walk may follow to the end.
struct Damage {
  const char* what;
  std::function<void(const std::string& path, const std::vector<uint32_t>& pos)> apply;
};

TEST_F(ZelAry, DamagedChainsAreRefusedWithoutWritingOrHanging) {
  const Damage cases[] = {
      {"head claims 3 GB", [](auto& p, auto& pos) { pokeU32LE(p, pos[0] + 4, 0xC0000000u); }},
      {"member claims more than the file",
       [](auto& p, auto& pos) { pokeU32LE(p, pos[2] + 4, static_cast<uint32_t>(readAll(p).size())); }},
      {"last member loops back", [](auto& p, auto& pos) { pokeU32LE(p, pos[3] + 16, pos[1]); }},
      {"member links to itself", [](auto& p, auto& pos) { pokeU32LE(p, pos[2] + 16, pos[2]); }},
      {"link past the end", [](auto& p, auto& pos) { pokeU32LE(p, pos[1] + 16, 0x7FFFFFF0u); }},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].what);
    const std::string path = dir_.path("damaged" + std::to_string(i) + ".zel");
    makeContainer(path, membersOf(kTag, records(0, 4)));
    cases[i].apply(path, walk(path, kTag).positions);
    const Bytes before = readAll(path);

    EXPECT_EQ(load(path, kTag), nullptr);
    int reason = 0;
    EXPECT_EQ(loadable(path, kTag, kSize, &reason), 0);
    EXPECT_EQ(reason, 3);
    Ary ary = aryOf(records(50, 6));
    EXPECT_EQ(save(path, kTag, ary.get()), ZEL_ERR_IO);
    EXPECT_EQ(readAll(path), before);
  }
}

TEST_F(ZelAry, LoadRefusesMoreMembersThanTheFileHasRoomFor) {
  // The head's data holds a well-formed record of a second member, so the
  // chain is head → a record inside the head's data: two 100-byte members
  // in a file with room for one. Loading it would let a small file claim
  // many large records.
  constexpr uint32_t kLarge = 100;
  constexpr uint32_t kHead = 548, kInner = kHead + 36;
  Bytes data(kLarge, 0);
  const uint32_t inner[7] = {static_cast<uint32_t>(kTag), kLarge, kInner, kHead, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu};
  std::memcpy(data.data(), inner, sizeof inner);  // a little-endian host writes the record as stored
  makeContainer(path_, {{kTag, data}, {kOther, Bytes{}}});
  ASSERT_EQ(readAll(path_).size(), kHead + 36 + kLarge + 36);
  pokeU32LE(path_, kHead + 16, kInner);

  ZEL_FILE f;
  ASSERT_EQ(ZEL_Open(path_.c_str(), 1, &f), ZEL_OK);
  ASSERT_EQ(ZEL_FirstMember(&f, kTag), ZEL_OK);
  ASSERT_EQ(ZEL_NextMember(&f), ZEL_OK) << "the container itself follows the inner record";
  EXPECT_EQ(ZEL_ARY_Load(&f, kTag), nullptr);
  ZEL_Close(&f);
}

TEST_F(ZelAry, IsLoadableReportsWhyATagDoesNotFit) {
  makeContainer(path_, {{kTag, record(1)}, {kTag, record(2)}, {kOther, record(3, 8)}});
  struct Case {
    int32_t tag;
    uint32_t size;
    int want, wantReason;
  } cases[] = {
      {kTag, kSize, 1, -7}, {kTag, 8, 0, 2}, {kOther, kSize, 0, 2}, {ZelTag("NONE"), kSize, 0, 1},
  };
  for (const Case& c : cases) {
    int reason = -7;  // left alone on success
    EXPECT_EQ(loadable(path_, c.tag, c.size, &reason), c.want) << c.tag;
    EXPECT_EQ(reason, c.wantReason) << c.tag;
  }
}

TEST_F(ZelAry, SaveIntoAMissingTagCreatesItAtTheEnd) {
  makeContainer(path_, {});
  Ary ary = aryOf(records(0, 3));
  ASSERT_EQ(save(path_, kTag, ary.get()), ZEL_OK);
  EXPECT_EQ(readAll(path_).size(), 548 + 3 * kItem);
  const Walked w = walk(path_, kTag);
  EXPECT_EQ(w.positions, (std::vector<uint32_t>{548, 548 + kItem, 548 + 2 * kItem}));
  EXPECT_EQ(w.data, records(0, 3));
  Ary back = load(path_, kTag);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(contents(back.get()), records(0, 3));
}

TEST_F(ZelAry, SavingFewerRecordsRemovesMembersFromTheFront) {
  std::vector<Member> members = membersOf(kTag, records(100, 8));
  members.push_back({kOther, record(7, 8)});
  makeContainer(path_, members);
  const std::vector<uint32_t> old = walk(path_, kTag).positions;
  const size_t size = readAll(path_).size();

  Ary ary = aryOf(records(0, 5));
  ASSERT_EQ(save(path_, kTag, ary.get()), ZEL_OK);
  const Walked w = walk(path_, kTag);
  EXPECT_EQ(w.data, records(0, 5));
  EXPECT_EQ(w.positions, std::vector<uint32_t>(old.begin() + 3, old.end()));
  EXPECT_EQ(readAll(path_).size(), size);
  EXPECT_EQ(walk(path_, kOther).data, std::vector<Bytes>{record(7, 8)});
}

TEST_F(ZelAry, SavingNoRecordsRemovesTheTag) {
  for (bool nullArray : {false, true}) {
    SCOPED_TRACE(nullArray ? "null array" : "empty array");
    const std::string path = dir_.path(nullArray ? "null.zel" : "empty.zel");
    std::vector<Member> members = membersOf(kTag, records(100, 8));
    members.push_back({kOther, record(7, 8)});
    makeContainer(path, members);

    Ary empty = aryOf({});
    ASSERT_EQ(save(path, kTag, nullArray ? nullptr : empty.get()), ZEL_OK);
    ZEL_FILE f;
    ASSERT_EQ(ZEL_Open(path.c_str(), 1, &f), ZEL_OK);
    EXPECT_EQ(ZEL_FirstMember(&f, kTag), ZEL_ERR_NO_TAG);
    EXPECT_EQ(ZEL_ARY_Load(&f, kTag), nullptr);
    ZEL_Close(&f);
    EXPECT_EQ(walk(path, kOther).data, std::vector<Bytes>{record(7, 8)});
  }
}

TEST_F(ZelAry, SaveOfTheWrongLengthWritesNothing) {
  struct Case {
    const char* what;
    uint32_t memberSize, arySize, saveSize;
  } cases[] = {
      {"members of another length", 8, kSize, kSize},
      {"array of another record size than asked", kSize, 8, kSize},
      {"asked size differs from array and members", kSize, kSize, 8},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.what);
    const std::string path = dir_.path("length" + std::to_string(i) + ".zel");
    makeContainer(path, membersOf(kTag, records(0, 3, c.memberSize)));
    const Bytes before = readAll(path);
    Ary ary = aryOf(records(10, 5, c.arySize), c.arySize);
    EXPECT_EQ(save(path, kTag, ary.get(), c.saveSize), ZEL_ERR_ARG);
    EXPECT_EQ(readAll(path), before);
  }
}

TEST_F(ZelAry, SavingTheSameCountRewritesInPlace) {
  makeContainer(path_, interleaved(3));
  const std::vector<uint32_t> old = walk(path_, kTag).positions;
  const size_t size = readAll(path_).size();

  Ary ary = aryOf(records(40, 3));
  ASSERT_EQ(save(path_, kTag, ary.get()), ZEL_OK);
  EXPECT_EQ(readAll(path_).size(), size);
  const Walked w = walk(path_, kTag);
  EXPECT_EQ(w.positions, old);
  EXPECT_EQ(w.data, records(40, 3));
  EXPECT_EQ(walk(path_, kOther).data, records(1000, 3, 8));
}

TEST_F(ZelAry, GrowthAppendsMembersAtTheEndOfTheFile) {
  makeContainer(path_, interleaved(2));
  const std::vector<uint32_t> old = walk(path_, kTag).positions;
  const uint32_t size = static_cast<uint32_t>(readAll(path_).size());

  Ary ary = aryOf(records(60, 4));
  ASSERT_EQ(save(path_, kTag, ary.get()), ZEL_OK);
  EXPECT_EQ(readAll(path_).size(), size + 2 * kItem);
  const Walked w = walk(path_, kTag);
  EXPECT_EQ(w.positions, (std::vector<uint32_t>{old[0], old[1], size, size + kItem}));
  EXPECT_EQ(w.data, records(60, 4));
}

TEST_F(ZelAry, SaveReturnsTheContainersFailure) {
  makeContainer(path_, membersOf(kTag, records(0, 3)));
  Ary same = aryOf(records(10, 3));
  Ary more = aryOf(records(10, 4));
  Ary fewer = aryOf(records(10, 1));
  EXPECT_EQ(save(path_, kTag, same.get(), kSize, 1), ZEL_ERR_READ_ONLY);
  EXPECT_EQ(save(path_, kTag, more.get(), kSize, 1), ZEL_ERR_READ_ONLY);
  EXPECT_EQ(save(path_, kTag, fewer.get(), kSize, 1), ZEL_ERR_READ_ONLY);

  FileFaults::failWrite(1, FileFaults::Kind::Once);
  EXPECT_EQ(save(path_, kTag, same.get()), ZEL_ERR_IO);
  FileFaults::reset();
  EXPECT_EQ(ZEL_ARY_Save(nullptr, kTag, same.get(), kSize), ZEL_ERR_ARG);
  EXPECT_EQ(ZEL_ARY_Load(nullptr, kTag), nullptr);
}

// Load and save tell where each member lies, as a walk along the chain
// finds them; ZEL_GoToMember goes straight there.
TEST_F(ZelAry, LoadAndSaveTellWhereEachMemberLies) {
  makeContainer(path_, interleaved(30));
  const Walked before = walk(path_, kTag);
  ZEL_FILE f;
  ASSERT_EQ(ZEL_Open(path_.c_str(), 0, &f), ZEL_OK);
  std::vector<uint64_t> loaded;
  Ary ary(ZEL_ARY_Load(&f, kTag, &loaded));
  ASSERT_NE(ary, nullptr);
  ASSERT_EQ(loaded.size(), before.positions.size());
  for (size_t i = 0; i < loaded.size(); ++i) EXPECT_EQ(loaded[i], before.positions[i]) << "member " << i;

  // Fewer records: members leave from the front, the rest keep their places.
  Ary fewer = aryOf(records(500, 25));
  std::vector<uint64_t> saved;
  ASSERT_EQ(ZEL_ARY_Save(&f, kTag, fewer.get(), kSize, &saved), ZEL_OK);
  ASSERT_EQ(ZEL_Commit(&f), ZEL_OK);
  for (size_t i = 0; i < saved.size(); ++i) {
    ASSERT_EQ(ZEL_GoToMember(&f, kTag, saved[i]), ZEL_OK) << "member " << i;
    Bytes b(kSize);
    ASSERT_EQ(ZEL_GetData(&f, kSize, b.data()), ZEL_OK);
    EXPECT_EQ(b, record(500 + static_cast<int32_t>(i)));
  }
  ZEL_Close(&f);
  const Walked after = walk(path_, kTag);
  ASSERT_EQ(saved.size(), after.positions.size());
  for (size_t i = 0; i < saved.size(); ++i) EXPECT_EQ(saved[i], after.positions[i]) << "member " << i;
  EXPECT_EQ(saved[0], before.positions[5]);
}

// A position that does not hold a record of the tag is refused with -2 and
// leaves the current item where it was.
TEST_F(ZelAry, GoingToAMemberRefusesEveryOtherPlace) {
  makeContainer(path_, interleaved(4));
  const Walked mine = walk(path_, kTag);
  const Walked other = walk(path_, kOther);
  ZEL_FILE f;
  ASSERT_EQ(ZEL_Open(path_.c_str(), 1, &f), ZEL_OK);
  const struct {
    const char* name;
    uint64_t position;
  } places[] = {
      {"a member of another tag", other.positions[1]},
      {"inside a member's data", mine.positions[2] + 40},
      {"the root record", 512},
      {"the header", 0},
      {"past the end of the file", mine.positions[3] + 4096},
      {"past 4 GiB", 0x100000000ull + mine.positions[1]},
  };
  for (const auto& p : places) {
    SCOPED_TRACE(p.name);
    ASSERT_EQ(ZEL_FirstMember(&f, kTag), ZEL_OK);
    EXPECT_EQ(ZEL_GoToMember(&f, kTag, p.position), ZEL_ERR_IO);
    EXPECT_EQ(f.current.position, mine.positions[0]);  // the current item is kept
  }
  ASSERT_EQ(ZEL_GoToMember(&f, kTag, mine.positions[2]), ZEL_OK);
  ASSERT_EQ(ZEL_NextMember(&f), ZEL_OK);  // walks on from there
  EXPECT_EQ(f.current.position, mine.positions[3]);
  EXPECT_EQ(ZEL_GoToMember(&f, zel::kRootTag, mine.positions[0]), ZEL_ERR_IO);
  ZEL_Close(&f);
  EXPECT_EQ(ZEL_GoToMember(nullptr, kTag, mine.positions[0]), ZEL_ERR_ARG);
}

// Members read together are read where the chain puts them: a removed
// member still lies between live ones with its tag, length and position
// intact, and members inserted before others lie later in the file than
// those that follow them along the chain.
TEST_F(ZelAry, LoadFollowsTheChainWhereItLeavesTheOrderOfTheFile) {
  const struct {
    const char* what;
    std::function<void(ZEL_FILE*)> change;
    std::vector<int32_t> want;  // the records' values in chain order
  } cases[] = {
      {"the third of ten removed",
       [](ZEL_FILE* f) {
         ASSERT_EQ(ZEL_FirstMember(f, kTag), ZEL_OK);
         for (int i = 0; i < 2; ++i) ASSERT_EQ(ZEL_NextMember(f), ZEL_OK);
         ASSERT_EQ(ZEL_RemoveData(f), ZEL_OK);
       },
       {0, 1, 3, 4, 5, 6, 7, 8, 9}},
      {"two inserted before the fifth",
       [](ZEL_FILE* f) {
         ASSERT_EQ(ZEL_FirstMember(f, kTag), ZEL_OK);
         for (int i = 0; i < 4; ++i) ASSERT_EQ(ZEL_NextMember(f), ZEL_OK);
         for (int32_t v : {70, 71}) ASSERT_EQ(ZEL_InsertData(f, kSize, record(v).data()), ZEL_OK);
       },
       {0, 1, 2, 3, 70, 71, 4, 5, 6, 7, 8, 9}},
      {"the last rewritten in place, not yet committed",
       [](ZEL_FILE* f) {
         ASSERT_EQ(ZEL_FirstMember(f, kTag), ZEL_OK);
         for (int i = 0; i < 9; ++i) ASSERT_EQ(ZEL_NextMember(f), ZEL_OK);
         ASSERT_EQ(ZEL_ReplaceData(f, kSize, record(99).data()), ZEL_OK);
       },
       {0, 1, 2, 3, 4, 5, 6, 7, 8, 99}},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].what);
    const std::string path = dir_.path("order" + std::to_string(i) + ".zel");
    makeContainer(path, membersOf(kTag, records(0, 10)));
    ZEL_FILE f;
    ASSERT_EQ(ZEL_Open(path.c_str(), 0, &f), ZEL_OK);
    cases[i].change(&f);
    std::vector<uint64_t> positions;
    Ary ary(ZEL_ARY_Load(&f, kTag, &positions));  // through the same handle: held changes show
    ZEL_Close(&f);
    ASSERT_NE(ary, nullptr);
    std::vector<Bytes> want;
    for (int32_t v : cases[i].want) want.push_back(record(v));
    EXPECT_EQ(contents(ary.get()), want);
    const Walked w = walk(path, kTag);
    EXPECT_EQ(w.data, want) << "the change was committed as made";
    ASSERT_EQ(positions.size(), w.positions.size());
    for (size_t k = 0; k < positions.size(); ++k) EXPECT_EQ(positions[k], w.positions[k]) << "member " << k;
  }
}

// Reading members together does what reading each and stepping on would:
// exactly `count` of them, the next one current afterwards, and the end of
// the chain told, at counts below, at and past the first runs' lengths.
TEST_F(ZelAry, GetMembersReadsAsGetDataAndNextMemberWould) {
  constexpr int32_t kMembers = 1500;
  makeContainer(path_, membersOf(kTag, records(0, kMembers)));
  const Walked w = walk(path_, kTag);
  ASSERT_EQ(w.positions.size(), 1000u) << "walk() stops at 1000 members";
  for (size_t count : {size_t{1}, size_t{7}, size_t{8}, size_t{9}, size_t{600}, size_t{999}}) {
    SCOPED_TRACE(count);
    ZEL_FILE f;
    ASSERT_EQ(ZEL_Open(path_.c_str(), 1, &f), ZEL_OK);
    ASSERT_EQ(ZEL_FirstMember(&f, kTag), ZEL_OK);
    std::vector<uint8_t> into(count * kSize + kSize, 0xEE);
    std::vector<uint64_t> positions(count, 0);
    size_t read = 0;
    EXPECT_EQ(ZEL_GetMembers(&f, kSize, count, into.data(), positions.data(), &read), ZEL_OK);
    ASSERT_EQ(read, count);
    for (size_t k = 0; k < count; ++k) {
      EXPECT_EQ(Bytes(into.begin() + k * kSize, into.begin() + (k + 1) * kSize), w.data[k]) << "member " << k;
      EXPECT_EQ(positions[k], w.positions[k]) << "member " << k;
    }
    EXPECT_EQ(Bytes(into.end() - kSize, into.end()), Bytes(kSize, 0xEE)) << "nothing written past `count`";
    EXPECT_EQ(f.current.position, w.positions[count]) << "the member after the last one read is current";
    ZEL_Close(&f);
  }
  ZEL_FILE f;
  ASSERT_EQ(ZEL_Open(path_.c_str(), 1, &f), ZEL_OK);
  ASSERT_EQ(ZEL_FirstMember(&f, kTag), ZEL_OK);
  std::vector<uint8_t> all(size_t{kMembers + 10} * kSize);
  size_t read = 0;
  EXPECT_EQ(ZEL_GetMembers(&f, kSize, kMembers + 10, all.data(), nullptr, &read), ZEL_ERR_NO_MEMBER);
  EXPECT_EQ(read, static_cast<size_t>(kMembers));
  EXPECT_EQ(Bytes(all.end() - 11 * kSize, all.end() - 10 * kSize), record(kMembers - 1));
  ASSERT_EQ(ZEL_FirstMember(&f, kTag), ZEL_OK);
  EXPECT_EQ(ZEL_GetMembers(&f, 8, 5, all.data(), nullptr, &read), ZEL_ERR_ARG) << "members of another length";
  EXPECT_EQ(read, 0u);
  ZEL_Close(&f);
}

// A read that fails anywhere, the members read together included, fails
// the load: no array of records that were never read. The larger chain is
// read in several steps, also while its pages are made ready beside it.
TEST_F(ZelAry, LoadFailsWhenAnyReadFails) {
  const struct {
    int32_t count;
    uint32_t size;
    bool atOnce;  // pages made ready beside the reading from the start
  } cases[] = {{2000, kSize, false}, {2500, 4644, false}, {2500, 4644, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.size) + (c.atOnce ? " beside" : ""));
    const std::string path = dir_.path("fail" + std::to_string(c.size) + ".zel");
    if (!std::ifstream(path)) makeContainer(path, membersOf(kTag, records(0, c.count, c.size)));
    std::optional<PagesAheadAtOnce> beside;
    if (c.atOnce) beside.emplace();
    long reads = 0;  // the first n at which the load no longer meets the fault
    for (long n = 1; n < 1000 && reads == 0; ++n) {
      ZEL_FILE f;
      ASSERT_EQ(ZEL_Open(path.c_str(), 1, &f), ZEL_OK);
      FileFaults::failRead(n, FileFaults::Kind::Once);
      Ary ary(ZEL_ARY_Load(&f, kTag));
      FileFaults::reset();
      ZEL_Close(&f);
      if (ary != nullptr) {
        EXPECT_EQ(contents(ary.get()), records(0, c.count, c.size)) << n;
        reads = n;
      }
    }
    EXPECT_GT(reads, 2) << "the walk to the tag, the records read together and the steps between them";
  }
}
