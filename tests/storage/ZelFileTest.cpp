#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>

#include "ZelReferenceImage.h"
#include "ZelTestSupport.h"
#include "storage/ZelFile.h"
#include "storage/ZelTailCache.h"

using namespace zeltest;

namespace {

constexpr int32_t LABE = ZelTag("LABE");
constexpr int32_t ENTR = ZelTag("ENTR");
constexpr int32_t ATTD = ZelTag("ATTD");
constexpr uint32_t NO = 0xFFFFFFFFu;
constexpr int32_t A_TAG = ZelTag("AAAA");

class ZelFileTest : public ::testing::Test {
 protected:
  void TearDown() override { FileFaults::reset(); }
  TempDir tmp;
  std::string path = tmp.path("c.zel");
};

TEST_F(ZelFileTest, NewContainerIsHeaderAndRootRecord) {
  ZEL_FILE f;
  ASSERT_EQ(ZEL_Create(path.c_str(), &f), ZEL_OK);
  EXPECT_EQ(ZEL_FirstTag(&f), ZEL_ERR_NO_TAG);
  ZEL_Close(&f);

  const auto bytes = readAll(path);
  ASSERT_EQ(bytes.size(), 548u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), std::string("ZEL\0", 4));
  EXPECT_EQ(bytes[4], 2);
  EXPECT_EQ(bytes[5], 0);
  for (size_t i = 6; i < 512; ++i) ASSERT_EQ(bytes[i], 0) << i;
  const uint32_t root[] = {NO, 0, 512, NO, NO, NO, NO, 0, 0};
  for (size_t i = 0; i < 9; ++i) EXPECT_EQ(u32At(bytes, 512 + 4 * i), root[i]) << "root field " << i;
}

TEST_F(ZelFileTest, TwoMembersLandWhereTheFormatSays) {
  ZEL_FILE f;
  ASSERT_EQ(ZEL_Create(path.c_str(), &f), ZEL_OK);
  const std::string a(328, 'a'), b(328, 'b');
  ASSERT_EQ(ZEL_AddData(&f, LABE, 328, a.data()), ZEL_OK);
  ASSERT_EQ(ZEL_AddData(&f, LABE, 328, b.data()), ZEL_OK);
  ZEL_Close(&f);

  const auto bytes = readAll(path);
  ASSERT_EQ(bytes.size(), 1276u);
  struct { size_t at; uint32_t value; const char* what; } expected[] = {
      {512 + 24, 548, "root nextTag"},
      {548 + 0, 0x4C414245, "first tag"},     {548 + 4, 328, "first dataLength"},
      {548 + 8, 548, "first position"},       {548 + 12, NO, "first prevMember"},
      {548 + 16, 912, "first nextMember"},    {548 + 20, 512, "first prevTag"},
      {548 + 24, NO, "first nextTag"},
      {912 + 8, 912, "second position"},      {912 + 12, 548, "second prevMember"},
      {912 + 16, NO, "second nextMember"},    {912 + 20, NO, "second prevTag"},
      {912 + 24, NO, "second nextTag"},
  };
  for (const auto& e : expected) EXPECT_EQ(u32At(bytes, e.at), e.value) << e.what;
  EXPECT_EQ(bytes[584], 'a');
  EXPECT_EQ(bytes[911], 'a');
  EXPECT_EQ(bytes[948], 'b');
  EXPECT_EQ(bytes[1275], 'b');
}

TEST_F(ZelFileTest, TagCodeIsStoredLowByteFirst) {
  MakeContainer(path, {{ENTR, {"x"}}});
  const auto bytes = readAll(path);
  EXPECT_EQ(std::string(bytes.begin() + 548, bytes.begin() + 552), "RTNE");
}

TEST_F(ZelFileTest, CreateNeverOverwrites) {
  writeAll(path, {1, 2, 3});
  ZEL_FILE f;
  EXPECT_EQ(ZEL_Create(path.c_str(), &f), ZEL_ERR_ARG);
  ZEL_Close(&f);
  EXPECT_EQ(readAll(path), (std::vector<uint8_t>{1, 2, 3}));
}

TEST_F(ZelFileTest, OpenRefusesWhatIsNotAContainer) {
  MakeContainer(path, {});
  const auto good = readAll(path);
  auto withByte = [&](size_t at, uint8_t v) { auto b = good; b[at] = v; return b; };
  struct Case { const char* what; std::vector<uint8_t> bytes; int mode; int expected; };
  const Case cases[] = {
      {"valid", good, 0, ZEL_OK},
      {"valid read-only", good, 1, ZEL_OK},
      {"shorter than the header", std::vector<uint8_t>(good.begin(), good.begin() + 511), 0, ZEL_ERR_IO},
      {"empty", {}, 1, ZEL_ERR_IO},
      {"wrong magic", withByte(1, 'X'), 0, ZEL_ERR_ARG},
      {"a version this reader does not know", withByte(4, 4), 0, ZEL_ERR_ARG},
      {"version 1", withByte(4, 1), 0, ZEL_ERR_ARG},
      {"version high byte", withByte(5, 1), 0, ZEL_ERR_ARG},
      {"unknown mode", good, 2, ZEL_ERR_ARG},
  };
  for (const auto& c : cases) {
    writeAll(path, c.bytes);
    ZEL_FILE f;
    EXPECT_EQ(ZEL_Open(path.c_str(), c.mode, &f), c.expected) << c.what;
    ZEL_Close(&f);
  }
  ZEL_FILE f;
  EXPECT_EQ(ZEL_Open(tmp.path("missing").c_str(), 1, &f), ZEL_ERR_ARG);
  ZEL_Close(&f);
  EXPECT_EQ(ZEL_Open(tmp.dir.path().toUtf8().constData(), 1, &f), ZEL_ERR_ARG) << "a folder";
  ZEL_Close(&f);
}

TEST_F(ZelFileTest, EveryWriteOnAReadOnlyHandleIsRefused) {
  MakeContainer(path, {{LABE, {"abc", "def"}}});
  const auto before = readAll(path);
  ZEL_FILE f;
  ASSERT_EQ(ZEL_Open(path.c_str(), 1, &f), ZEL_OK);
  ASSERT_EQ(ZEL_FirstMember(&f, LABE), ZEL_OK);
  const char data[3] = {'x', 'y', 'z'};
  EXPECT_EQ(ZEL_AddData(&f, LABE, 3, data), ZEL_ERR_READ_ONLY);
  EXPECT_EQ(ZEL_AddData(&f, ENTR, 3, data), ZEL_ERR_READ_ONLY);
  EXPECT_EQ(ZEL_InsertData(&f, 3, data), ZEL_ERR_READ_ONLY);
  EXPECT_EQ(ZEL_ReplaceData(&f, 3, data), ZEL_ERR_READ_ONLY);
  EXPECT_EQ(ZEL_RemoveData(&f), ZEL_ERR_READ_ONLY);
  ZEL_Close(&f);
  EXPECT_EQ(readAll(path), before);
}

TEST_F(ZelFileTest, ArgumentAndStateErrors) {
  ZEL_FILE closed;
  const char data[4] = {};
  EXPECT_EQ(ZEL_Create(nullptr, &closed), ZEL_ERR_ARG);
  EXPECT_EQ(ZEL_FirstTag(nullptr), ZEL_ERR_ARG);
  EXPECT_EQ(ZEL_FirstTag(&closed), ZEL_ERR_ARG);
  EXPECT_EQ(ZEL_GetDataLength(&closed), -1);
  ZEL_Close(nullptr);

  MakeContainer(path, {{LABE, {"abcd"}}});
  ZEL_FILE f;
  ASSERT_EQ(ZEL_Open(path.c_str(), 0, &f), ZEL_OK);
  EXPECT_EQ(ZEL_NextMember(&f), ZEL_ERR_NO_CURRENT);
  EXPECT_EQ(ZEL_NextTag(&f), ZEL_ERR_NO_CURRENT);
  EXPECT_EQ(ZEL_InsertData(&f, 4, data), ZEL_ERR_NO_CURRENT);
  EXPECT_EQ(ZEL_RemoveData(&f), ZEL_ERR_NO_CURRENT);
  EXPECT_EQ(ZEL_GetDataLength(&f), -1);
  EXPECT_EQ(ZEL_AddData(&f, -1, 4, data), ZEL_ERR_ARG);
  EXPECT_EQ(ZEL_AddData(&f, LABE, 4, nullptr), ZEL_ERR_ARG);
  EXPECT_EQ(ZEL_FirstMember(&f, -1), ZEL_ERR_ARG);
  EXPECT_EQ(ZEL_FirstMember(&f, ENTR), ZEL_ERR_NO_TAG);

  ASSERT_EQ(ZEL_FirstMember(&f, LABE), ZEL_OK);
  EXPECT_EQ(ZEL_PreviousTag(&f), ZEL_ERR_NO_TAG) << "first tag has no previous tag";
  EXPECT_EQ(ZEL_NextTag(&f), ZEL_ERR_NO_TAG);
  EXPECT_EQ(ZEL_NextMember(&f), ZEL_ERR_NO_MEMBER);
  EXPECT_EQ(ZEL_PreviousMember(&f), ZEL_ERR_NO_MEMBER);
  EXPECT_EQ(f.current.tag, LABE) << "failed moves keep the current item";

  char buf[4];
  EXPECT_EQ(ZEL_GetData(&f, 3, buf), ZEL_ERR_ARG) << "buffer one byte short";
  EXPECT_EQ(ZEL_GetData(&f, 4, buf), ZEL_OK);
  EXPECT_EQ(std::string(buf, 4), "abcd");
  const auto before = readAll(path);
  EXPECT_EQ(ZEL_ReplaceData(&f, 3, "xyz"), ZEL_ERR_ARG);
  EXPECT_EQ(readAll(path), before) << "a length mismatch writes nothing";
  EXPECT_EQ(ZEL_ReplaceData(&f, 4, "wxyz"), ZEL_OK);
  ASSERT_EQ(ZEL_GetData(&f, 4, buf), ZEL_OK);
  EXPECT_EQ(std::string(buf, 4), "wxyz");
  EXPECT_EQ(readAll(path).size(), before.size()) << "replacing in place does not grow the file";

  EXPECT_EQ(ZEL_RemoveData(&f), ZEL_OK);
  EXPECT_EQ(ZEL_NextMember(&f), ZEL_ERR_NO_CURRENT);
  ZEL_Close(&f);
}

TEST_F(ZelFileTest, TagChainNavigation) {
  MakeContainer(path, {{ZelTag("AAAA"), {"a1", "a2"}}, {ZelTag("BBBB"), {"b1"}}, {ZelTag("CCCC"), {"c1"}}});
  ZEL_FILE f;
  ASSERT_EQ(ZEL_Open(path.c_str(), 1, &f), ZEL_OK);
  ASSERT_EQ(ZEL_FirstMember(&f, ZelTag("AAAA")), ZEL_OK);
  ASSERT_EQ(ZEL_NextMember(&f), ZEL_OK);
  ASSERT_EQ(ZEL_NextTag(&f), ZEL_OK) << "from a later member too";
  EXPECT_EQ(f.current.tag, ZelTag("BBBB"));
  ASSERT_EQ(ZEL_NextTag(&f), ZEL_OK);
  EXPECT_EQ(f.current.tag, ZelTag("CCCC"));
  EXPECT_EQ(ZEL_NextTag(&f), ZEL_ERR_NO_TAG);
  ASSERT_EQ(ZEL_PreviousTag(&f), ZEL_OK);
  EXPECT_EQ(f.current.tag, ZelTag("BBBB"));
  ASSERT_EQ(ZEL_PreviousTag(&f), ZEL_OK);
  EXPECT_EQ(f.current.tag, ZelTag("AAAA"));
  EXPECT_EQ(ZEL_PreviousTag(&f), ZEL_ERR_NO_TAG);
  ZEL_Close(&f);
}

std::pair<int, int> Outcome(int rc, int calls) { return {rc, calls}; }

// Calls `step` (one move) until it fails or has been called `limit` times;
// the first failing result, or ZEL_OK, and the number of calls made.
std::pair<int, int> stepUntilFailure(ZEL_FILE* f, const std::vector<int (*)(ZEL_FILE*)>& pattern, int limit) {
  for (int calls = 0; calls < limit; ++calls) {
    const int rc = pattern[static_cast<size_t>(calls) % pattern.size()](f);
    if (rc != ZEL_OK) return {rc, calls + 1};
  }
  return {ZEL_OK, limit};
}

// A tag of ten empty members followed by nine tags of one empty member each
// (ten tags in all): the file is as small as such chains can be, so a guard
// that counted every step would trip soon.
Contents tenAndTen() {
  Contents contents = {{A_TAG, std::vector<std::string>(10, "")}};
  for (int i = 0; i < 9; ++i) contents.push_back({ZelTag("T000") + i, {""}});
  return contents;
}

TEST_F(ZelFileTest, BackAndForthOnASoundFileNeverFails) {
  MakeContainer(path, tenAndTen());
  ZEL_FILE f;
  ASSERT_EQ(ZEL_Open(path.c_str(), 1, &f), ZEL_OK);
  struct Walk {
    const char* what;
    int (*first)(ZEL_FILE*);
    int (*forward)(ZEL_FILE*);
    int (*back)(ZEL_FILE*);
    int end;  // what a step past either end of the chain gives
  };
  const Walk walks[] = {
      {"members", [](ZEL_FILE* file) { return ZEL_FirstMember(file, A_TAG); }, ZEL_NextMember, ZEL_PreviousMember,
       ZEL_ERR_NO_MEMBER},
      {"tags", ZEL_FirstTag, ZEL_NextTag, ZEL_PreviousTag, ZEL_ERR_NO_TAG},
  };
  for (const Walk& w : walks) {
    SCOPED_TRACE(w.what);
    ASSERT_EQ(w.first(&f), ZEL_OK);
    const uint32_t start = f.current.position;
    // End to end and back, five times over: 9 steps each way, then the end.
    for (int round = 0; round < 5; ++round) {
      EXPECT_EQ(stepUntilFailure(&f, {w.forward}, 100), Outcome(w.end, 10));
      EXPECT_EQ(stepUntilFailure(&f, {w.back}, 100), Outcome(w.end, 10));
      EXPECT_EQ(f.current.position, start);
    }
    // Turning at every step, far more often than the file has items.
    EXPECT_EQ(stepUntilFailure(&f, {w.forward, w.back}, 1000), Outcome(ZEL_OK, 1000));
    EXPECT_EQ(f.current.position, start);
    // Two ahead, one back, until the step past the far end.
    EXPECT_EQ(stepUntilFailure(&f, {w.forward, w.forward, w.back}, 1000), Outcome(w.end, 26));
  }
  // Jumping to another tag starts the count anew: walks from there to either
  // end, again and again, never fail.
  for (int round = 0; round < 20; ++round) {
    ASSERT_EQ(ZEL_FirstMember(&f, ZelTag("T000") + round % 9), ZEL_OK);
    EXPECT_EQ(stepUntilFailure(&f, {ZEL_NextTag}, 100).first, ZEL_ERR_NO_TAG);
    ASSERT_EQ(ZEL_FirstMember(&f, ZelTag("T000") + (round * 4) % 9), ZEL_OK);
    EXPECT_EQ(stepUntilFailure(&f, {ZEL_PreviousTag}, 100).first, ZEL_ERR_NO_TAG);
  }
  // Leaving the member chain for the tag chain and back starts the member walk anew.
  ASSERT_EQ(ZEL_FirstMember(&f, A_TAG), ZEL_OK);
  for (int round = 0; round < 5; ++round) {
    EXPECT_EQ(stepUntilFailure(&f, {ZEL_NextMember}, 100), Outcome(ZEL_ERR_NO_MEMBER, 10));
    ASSERT_EQ(ZEL_NextTag(&f), ZEL_OK);
    ASSERT_EQ(ZEL_PreviousTag(&f), ZEL_OK);
    EXPECT_EQ(f.current.tag, A_TAG);
  }
  ZEL_Close(&f);
}

TEST_F(ZelFileTest, EveryCycleFailsWhicheverWayItIsWalked) {
  MakeContainer(path, tenAndTen());
  const auto good = readAll(path);
  // Member i of A_TAG and the head of tag i, as MakeContainer lays them out.
  const auto member = [](int i) { return 548u + 36u * static_cast<uint32_t>(i); };
  const auto tag = [&](int i) { return member(10) + 36u * static_cast<uint32_t>(i); };
  ASSERT_EQ(u32At(good, member(9) + 8), member(9));
  ASSERT_EQ(u32At(good, tag(8) + 8), tag(8));

  using Step = int (*)(ZEL_FILE*);
  const Step next = ZEL_NextMember, prev = ZEL_PreviousMember, nextTag = ZEL_NextTag, prevTag = ZEL_PreviousTag;
  const Step ownHead = [](ZEL_FILE* file) { return ZEL_FirstMember(file, file->current.tag); };
  struct Case {
    const char* what;
    size_t at;
    uint32_t value;
    bool tags;                  // walk the tag chain from the last tag (else the member chain)
    std::vector<Step> pattern;  // repeated until a step fails
  };
  const Case cases[] = {
      {"next member loops back to the head, walked forward", member(9) + 16, member(0), false, {next}},
      {"next member loops back, two ahead one back", member(9) + 16, member(1), false, {next, next, prev}},
      {"next member loops to itself", member(4) + 16, member(4), false, {next}},
      {"previous member loops forward, walked back", member(5) + 12, member(8), false, {prev}},
      {"previous member loops, two back one ahead", member(5) + 12, member(8), false, {prev, prev, next}},
      {"next tag loops back to an earlier tag", tag(8) + 24, tag(0), true, {nextTag}},
      {"next tag loops, two ahead one back", tag(8) + 24, tag(0), true, {nextTag, nextTag, prevTag}},
      {"next tag loops, back to each head before the next step", tag(8) + 24, tag(0), true, {ownHead, nextTag}},
      {"previous tag loops forward, walked back", tag(3) + 20, tag(7), true, {prevTag}},
      {"previous tag loops, two back one ahead", tag(3) + 20, tag(7), true, {prevTag, prevTag, nextTag}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto bytes = good;
    putU32(bytes, c.at, c.value);
    writeAll(path, bytes);
    ZEL_FILE f;
    ASSERT_EQ(ZEL_Open(path.c_str(), 1, &f), ZEL_OK);
    if (c.tags) {
      ASSERT_EQ(ZEL_FirstMember(&f, ZelTag("T000") + 8), ZEL_OK);
    } else {
      ASSERT_EQ(ZEL_FirstMember(&f, A_TAG), ZEL_OK);
      if (c.pattern.front() == prev) {
        ASSERT_EQ(stepUntilFailure(&f, {next}, 9).first, ZEL_OK);
      }
    }
    const auto [rc, calls] = stepUntilFailure(&f, c.pattern, 100000);
    EXPECT_EQ(rc, ZEL_ERR_IO);
    EXPECT_LT(calls, 200) << "the guard trips within a few rounds of the file's size";
    ZEL_Close(&f);
  }
}

// Each change, applied to the file and to the reference image, must end in
// the same bytes and show the expected contents.
struct ChangeCase {
  const char* what;
  Contents start;
  // Applies the change through the API; returns the result code.
  std::function<int(ZEL_FILE*)> apply;
  std::function<void(ReferenceImage&, const std::vector<uint8_t>&)> reference;
  Contents expected;
};

// Offset of member `index` of `tag` in a container built by MakeContainer.
uint32_t memberPosition(const std::string& path, int32_t tag, int index) {
  ZEL_FILE f;
  ZEL_Open(path.c_str(), 1, &f);
  ZEL_FirstMember(&f, tag);
  for (int i = 0; i < index; ++i) ZEL_NextMember(&f);
  const uint32_t at = f.current.position;
  ZEL_Close(&f);
  return at;
}

int positionOn(ZEL_FILE* f, int32_t tag, int index) {
  int rc = ZEL_FirstMember(f, tag);
  for (int i = 0; rc == ZEL_OK && i < index; ++i) rc = ZEL_NextMember(f);
  return rc;
}

const int32_t A = ZelTag("AAAA"), B = ZelTag("BBBB"), C = ZelTag("CCCC");
const Contents kThreeTags = {
    {A, {"a0", "a1"}}, {B, {"b0", "b1", "b2"}}, {C, {"c0"}}};

std::vector<ChangeCase> changeCases() {
  auto insertAt = [](int32_t tag, int index, std::string data) {
    return [=](ZEL_FILE* f) {
      const int rc = positionOn(f, tag, index);
      return rc != ZEL_OK ? rc : ZEL_InsertData(f, static_cast<uint32_t>(data.size()), data.data());
    };
  };
  auto removeAt = [](int32_t tag, int index) {
    return [=](ZEL_FILE* f) {
      const int rc = positionOn(f, tag, index);
      return rc != ZEL_OK ? rc : ZEL_RemoveData(f);
    };
  };
  return {
      {"add to an existing tag", kThreeTags,
       [](ZEL_FILE* f) { return ZEL_AddData(f, B, 3, "new"); },
       [](ReferenceImage& r, const std::vector<uint8_t>&) { r.add(B, "new"); },
       {{A, {"a0", "a1"}}, {B, {"b0", "b1", "b2", "new"}}, {C, {"c0"}}}},
      {"add a new tag", kThreeTags,
       [](ZEL_FILE* f) { return ZEL_AddData(f, ATTD, 3, "pdf"); },
       [](ReferenceImage& r, const std::vector<uint8_t>&) { r.add(ATTD, "pdf"); },
       {{A, {"a0", "a1"}}, {B, {"b0", "b1", "b2"}}, {C, {"c0"}}, {ATTD, {"pdf"}}}},
      {"insert before a later member", kThreeTags, insertAt(B, 2, "ins"), nullptr,
       {{A, {"a0", "a1"}}, {B, {"b0", "b1", "ins", "b2"}}, {C, {"c0"}}}},
      {"insert before a tag head with a next tag", kThreeTags, insertAt(B, 0, "ins"), nullptr,
       {{A, {"a0", "a1"}}, {B, {"ins", "b0", "b1", "b2"}}, {C, {"c0"}}}},
      {"insert before the last tag's head", kThreeTags, insertAt(C, 0, "ins"), nullptr,
       {{A, {"a0", "a1"}}, {B, {"b0", "b1", "b2"}}, {C, {"ins", "c0"}}}},
      {"remove a middle member", kThreeTags, removeAt(B, 1), nullptr,
       {{A, {"a0", "a1"}}, {B, {"b0", "b2"}}, {C, {"c0"}}}},
      {"remove a last member", kThreeTags, removeAt(B, 2), nullptr,
       {{A, {"a0", "a1"}}, {B, {"b0", "b1"}}, {C, {"c0"}}}},
      {"remove a tag head with members keeps the tag in place", kThreeTags, removeAt(B, 0), nullptr,
       {{A, {"a0", "a1"}}, {B, {"b1", "b2"}}, {C, {"c0"}}}},
      {"remove the only member of a middle tag", {{A, {"a0"}}, {B, {"b0"}}, {C, {"c0"}}}, removeAt(B, 0), nullptr,
       {{A, {"a0"}}, {C, {"c0"}}}},
      {"remove the only member of the last tag", {{A, {"a0"}}, {B, {"b0"}}}, removeAt(B, 0), nullptr,
       {{A, {"a0"}}}},
      {"remove the first tag's head", kThreeTags, removeAt(A, 0), nullptr,
       {{A, {"a1"}}, {B, {"b0", "b1", "b2"}}, {C, {"c0"}}}},
  };
}

TEST_F(ZelFileTest, ChangesGiveTheDocumentedBytesAndContents) {
  for (const auto& c : changeCases()) {
    SCOPED_TRACE(c.what);
    const std::string start = tmp.path("start.zel");
    ::unlink(start.c_str());
    MakeContainer(start, c.start);
    ::unlink(path.c_str());
    writeAll(path, readAll(start));

    ZEL_FILE f;
    ASSERT_EQ(ZEL_Open(path.c_str(), 0, &f), ZEL_OK);
    ASSERT_EQ(c.apply(&f), ZEL_OK);
    ZEL_Close(&f);

    Contents got;
    ASSERT_EQ(WalkContainer(path, &got), ZEL_OK);
    EXPECT_EQ(got, c.expected);

    ReferenceImage ref(readAll(start));
    if (c.reference) {
      c.reference(ref, {});
    } else {
      // Insert and remove cases name their item by (tag, index); find them in `expected` vs `start`.
      for (const auto& [tag, members] : c.start) {
        const auto it = std::find_if(c.expected.begin(), c.expected.end(),
                                     [&](const auto& e) { return e.first == tag; });
        const std::vector<std::string> after = it == c.expected.end() ? std::vector<std::string>{} : it->second;
        if (after == members) continue;
        if (after.size() > members.size()) {  // insertion: the first place where they differ
          size_t i = 0;
          while (i < members.size() && members[i] == after[i]) ++i;
          ref.insertBefore(memberPosition(start, tag, static_cast<int>(i)), after[i]);
        } else {                              // removal
          size_t i = 0;
          while (i < after.size() && members[i] == after[i]) ++i;
          ref.remove(memberPosition(start, tag, static_cast<int>(i)));
        }
      }
    }
    EXPECT_EQ(readAll(path), ref.bytes());
  }
}

TEST_F(ZelFileTest, RemovedTagComesBackAtTheEndOfTheChain) {
  MakeContainer(path, {{A, {"a0"}}, {B, {"b0"}}, {C, {"c0"}}});
  ZEL_FILE f;
  ASSERT_EQ(ZEL_Open(path.c_str(), 0, &f), ZEL_OK);
  ASSERT_EQ(ZEL_FirstMember(&f, A), ZEL_OK);
  ASSERT_EQ(ZEL_RemoveData(&f), ZEL_OK);
  EXPECT_EQ(ZEL_FirstMember(&f, A), ZEL_ERR_NO_TAG);
  ASSERT_EQ(ZEL_AddData(&f, A, 2, "a9"), ZEL_OK);
  ZEL_Close(&f);
  Contents got;
  ASSERT_EQ(WalkContainer(path, &got), ZEL_OK);
  EXPECT_EQ(got, (Contents{{B, {"b0"}}, {C, {"c0"}}, {A, {"a9"}}}));
}

// A process killed after any write of a change leaves a file that walks
// without error and holds either the old or the new contents; a single failed
// write (disk full, I/O error) is undone and leaves every byte as it was.
TEST_F(ZelFileTest, InterruptedChangesLeaveOldOrNewState) {
  for (const auto& c : changeCases()) {
    SCOPED_TRACE(c.what);
    const std::string start = tmp.path("start.zel");
    ::unlink(start.c_str());
    MakeContainer(start, c.start);
    const auto startBytes = readAll(start);
    Contents old;
    ASSERT_EQ(WalkContainer(start, &old), ZEL_OK);

    for (auto kind : {FileFaults::Kind::FromThenOn, FileFaults::Kind::Once}) {
      bool completed = false;
      for (long n = 1; !completed && n < 20; ++n) {
        SCOPED_TRACE("write " + std::to_string(n) + (kind == FileFaults::Kind::Once ? " fails" : " and later die"));
        writeAll(path, startBytes);
        ZEL_FILE f;
        ASSERT_EQ(ZEL_Open(path.c_str(), 0, &f), ZEL_OK);
        FileFaults::failWrite(n, kind);
        const int rc = c.apply(&f);
        const long seen = FileFaults::writesSeen();
        FileFaults::reset();
        ZEL_Close(&f);
        completed = seen < n;
        if (completed) ASSERT_EQ(rc, ZEL_OK);
        else EXPECT_EQ(rc, ZEL_ERR_IO);

        Contents now;
        ASSERT_EQ(WalkContainer(path, &now), ZEL_OK);
        if (rc == ZEL_OK) {
          EXPECT_EQ(now, c.expected);
        } else if (kind == FileFaults::Kind::Once) {
          EXPECT_EQ(readAll(path), startBytes) << "a failed change is undone";
        } else {
          EXPECT_TRUE(now == old || now == c.expected);
        }
      }
      EXPECT_TRUE(completed);
    }
  }
}

// Damaged files: every walk ends in an error code, never a crash, a hang or
// a huge allocation.
TEST_F(ZelFileTest, DamagedContainersGiveErrors) {
  MakeContainer(path, {{A, {"a0", "a1", "a2"}}, {B, {"b0"}}});
  const auto good = readAll(path);
  const uint32_t a0 = 548, a1 = a0 + 38, a2 = a1 + 38, b0 = a2 + 38;
  ASSERT_EQ(u32At(good, a0 + 16), a1);
  ASSERT_EQ(u32At(good, a2 + 24), NO);
  ASSERT_EQ(u32At(good, a0 + 24), b0);

  struct Case { const char* what; size_t at; uint32_t value; };
  const Case cases[] = {
      {"root nextTag past the end", 512 + 24, 100000},
      {"root nextTag into the header", 512 + 24, 100},
      {"root tag not -1", 512, 7},
      {"member chain loops to itself", a1 + 16, a1},
      {"member chain loops back to the head", a2 + 16, a0},
      {"tag chain loops", b0 + 24, a0},
      {"tag chain points to itself", a0 + 24, a0},
      {"member claims 3 GB", a1 + 4, 3000000000u},
      {"record names another position", a1 + 8, a2},
      {"member link into another tag", a2 + 16, b0},
      {"tag head with a previous member", b0 + 12, a0},
      {"link to a record cut in half", a2 + 16, static_cast<uint32_t>(good.size() - 10)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto bytes = good;
    putU32(bytes, c.at, c.value);
    writeAll(path, bytes);

    Contents got;
    EXPECT_EQ(WalkContainer(path, &got), ZEL_ERR_IO);

    // Every walk that may cross the damage: to the end of the tag chain, to
    // the end of a member chain, and the compatibility check. Whatever fails
    // fails with -2 and leaves the file as it was.
    const std::vector<std::function<int(ZEL_FILE*)>> ops = {
        [](ZEL_FILE* f) {
          int reason = 0;
          return IsCompatibleTag(f, A, 2, &reason) ? ZEL_OK : reason == 3 ? ZEL_ERR_IO : ZEL_ERR_ARG;
        },
        [](ZEL_FILE* f) { return ZEL_AddData(f, ZelTag("ZZZZ"), 1, "z"); },
        [](ZEL_FILE* f) { return ZEL_AddData(f, A, 1, "z"); },
        [](ZEL_FILE* f) { return ZEL_AddData(f, B, 1, "z"); },
    };
    int failures = 0;
    for (const auto& op : ops) {
      const auto before = readAll(path);
      ZEL_FILE f;
      ASSERT_EQ(ZEL_Open(path.c_str(), 0, &f), ZEL_OK);
      const int rc = op(&f);
      ZEL_Close(&f);
      if (rc == ZEL_OK) continue;
      ++failures;
      EXPECT_EQ(rc, ZEL_ERR_IO);
      EXPECT_EQ(readAll(path), before);
    }
    EXPECT_GT(failures, 0);
  }
}

TEST_F(ZelFileTest, IsCompatibleTagReasons) {
  MakeContainer(path, {{A, {"xx", "yy"}}, {B, {"xx", "yyy"}}});
  ZEL_FILE f;
  ASSERT_EQ(ZEL_Open(path.c_str(), 1, &f), ZEL_OK);
  int reason = 77;
  EXPECT_EQ(IsCompatibleTag(&f, A, 2, &reason), 1);
  EXPECT_EQ(reason, 77) << "left alone on success";
  EXPECT_EQ(IsCompatibleTag(&f, B, 2, &reason), 0);
  EXPECT_EQ(reason, 2);
  EXPECT_EQ(IsCompatibleTag(&f, C, 2, &reason), 0);
  EXPECT_EQ(reason, 1);
  EXPECT_EQ(IsCompatibleTag(&f, A, 3, nullptr), 0);
  ZEL_Close(&f);
}

// Offsets are 32-bit: an item that would end beyond 4 GiB is refused before
// anything is written. A sparse file stands in for a nearly full container.
TEST_F(ZelFileTest, NothingIsWrittenPastFourGibibytes) {
  const uint64_t limit = 0x100000000ull;
  struct Case { const char* what; uint64_t size; uint32_t length; int expected; };
  const Case cases[] = {
      {"ends exactly at the limit", limit - 36 - 64, 64, ZEL_OK},
      {"ends one byte past the limit", limit - 36 - 64, 65, ZEL_ERR_ARG},
      {"record itself past the limit", limit - 10, 0, ZEL_ERR_ARG},
  };
  const std::string data(100, 'd');
  for (const auto& c : cases) {
    for (const bool insert : {false, true}) {
      SCOPED_TRACE(std::string(c.what) + (insert ? " (insert)" : " (add)"));
      ::unlink(path.c_str());
      MakeContainer(path, {{A, {"a0"}}});
      const auto small = readAll(path);
      ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(c.size)), 0);  // sparse
      ZEL_FILE f;
      ASSERT_EQ(ZEL_Open(path.c_str(), 0, &f), ZEL_OK);
      ASSERT_EQ(ZEL_FirstMember(&f, A), ZEL_OK);
      const int rc = insert ? ZEL_InsertData(&f, c.length, data.data()) : ZEL_AddData(&f, A, c.length, data.data());
      ZEL_Close(&f);
      EXPECT_EQ(rc, c.expected);
      struct stat st;
      ASSERT_EQ(stat(path.c_str(), &st), 0);
      EXPECT_EQ(static_cast<uint64_t>(st.st_size), c.expected == ZEL_OK ? limit : c.size);
      if (c.expected != ZEL_OK) {
        ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(small.size())), 0);
        EXPECT_EQ(readAll(path), small) << "no link was changed";
      }
    }
  }
}

// Appends remember where each tag ends. When someone else changes the file
// in between, the next append must find the real end again.
TEST_F(ZelFileTest, AppendFindsTheRealEndAfterOutsideChanges) {
  struct Case {
    const char* what;
    std::function<void(ReferenceImage&)> outside;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"nothing changed", [](ReferenceImage&) {}, {"a0", "a1", "a2", "new"}},
      {"a member appended", [](ReferenceImage& r) { r.add(A, "ext"); }, {"a0", "a1", "a2", "ext", "new"}},
      {"the last member unlinked (same size)",
       [](ReferenceImage& r) { r.remove(548 + 2 * 38); }, {"a0", "a1", "new"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ::unlink(path.c_str());
    ZelTailCache::clear();
    MakeContainer(path, {{A, {"a0", "a1", "a2"}}});  // the cache now knows A's tail
    ReferenceImage outside(readAll(path));
    c.outside(outside);
    writeAll(path, outside.bytes());
    ZEL_FILE f;
    ASSERT_EQ(ZEL_Open(path.c_str(), 0, &f), ZEL_OK);
    ASSERT_EQ(ZEL_AddData(&f, A, 3, "new"), ZEL_OK);
    ZEL_Close(&f);
    Contents got;
    ASSERT_EQ(WalkContainer(path, &got), ZEL_OK);
    EXPECT_EQ(got, (Contents{{A, c.expected}}));
  }
}

}  // namespace

// A member whose data comes from another file holds exactly that file's
// bytes, wherever the source lies (on the same file system, copied in the
// kernel, or on another one such as /dev/shm, copied through a buffer), and
// leaves the container as ZEL_AddData with the same bytes would.
TEST_F(ZelFileTest, AddDataFromCopiesAnotherFilesBytesAsAddDataWrites) {
  std::vector<std::string> folders = {tmp.path("")};
  struct stat shm;
  if (::stat("/dev/shm", &shm) == 0 && S_ISDIR(shm.st_mode) && ::access("/dev/shm", W_OK) == 0)
    folders.push_back("/dev/shm");
  const struct {
    uint32_t length;
    uint64_t sourceOffset;
  } cases[] = {{1, 0}, {65537, 0}, {3 * 1024 * 1024 + 5, 0}, {4000, 123}};
  int n = 0;
  for (const std::string& folder : folders) {
    for (const auto& c : cases) {
      const std::string tag = std::to_string(++n);
      std::vector<uint8_t> source(c.sourceOffset + c.length + 7);
      for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<uint8_t>(i * 131 + n);
      const std::string sourcePath = folder + "/folian-copy-source-" + std::to_string(::getpid()) + "-" + tag;
      writeAll(sourcePath, source);
      const std::vector<uint8_t> data(source.begin() + static_cast<ptrdiff_t>(c.sourceOffset),
                                      source.begin() + static_cast<ptrdiff_t>(c.sourceOffset + c.length));
      const std::string copied = tmp.path("copied" + tag + ".zel"), written = tmp.path("written" + tag + ".zel");
      ZEL_FILE a, b;
      ASSERT_EQ(ZEL_Create(copied.c_str(), &a), ZEL_OK);
      ASSERT_EQ(ZEL_Create(written.c_str(), &b), ZEL_OK);
      const int fd = ::open(sourcePath.c_str(), O_RDONLY | O_CLOEXEC);
      ASSERT_GE(fd, 0);
      EXPECT_EQ(ZEL_AddData(&a, LABE, 3, "abc"), ZEL_OK);
      EXPECT_EQ(ZEL_AddData(&b, LABE, 3, "abc"), ZEL_OK);
      EXPECT_EQ(ZEL_AddDataFrom(&a, ATTD, c.length, fd, c.sourceOffset), ZEL_OK) << folder << " " << c.length;
      EXPECT_EQ(ZEL_AddData(&b, ATTD, c.length, data.data()), ZEL_OK);
      ::close(fd);
      ZEL_Close(&a);
      ZEL_Close(&b);
      ::unlink(sourcePath.c_str());
      EXPECT_EQ(readAll(copied), readAll(written)) << folder << " " << c.length;
    }
  }
}

// A source that ends before `length`, a bad descriptor, a read-only handle
// or a failing write leave the container as it was.
TEST_F(ZelFileTest, AddDataFromThatCannotCopyEverythingChangesNothing) {
  const std::string sourcePath = tmp.path("short.bin");
  writeAll(sourcePath, std::vector<uint8_t>(100, 7));
  ZEL_FILE f;
  ASSERT_EQ(ZEL_Create(path.c_str(), &f), ZEL_OK);
  ASSERT_EQ(ZEL_AddData(&f, LABE, 3, "abc"), ZEL_OK);
  ASSERT_EQ(ZEL_Commit(&f), ZEL_OK);
  ZEL_Close(&f);
  const auto before = readAll(path);
  const int fd = ::open(sourcePath.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  const struct {
    const char* what;
    int mode;
    uint32_t length;
    uint64_t offset;
    int sourceFd;
    bool failWrite;
    int expected;
  } cases[] = {
      {"source shorter than the length", 0, 101, 0, fd, false, ZEL_ERR_IO},
      {"source offset past its end", 0, 10, 200, fd, false, ZEL_ERR_IO},
      {"no source", 0, 10, 0, -1, false, ZEL_ERR_ARG},
      {"read-only handle", 1, 10, 0, fd, false, ZEL_ERR_READ_ONLY},
      {"the copy fails", 0, 10, 0, fd, true, ZEL_ERR_IO},
  };
  for (const auto& c : cases) {
    ZEL_FILE g;
    ASSERT_EQ(ZEL_Open(path.c_str(), c.mode, &g), ZEL_OK) << c.what;
    if (c.failWrite) FileFaults::failWrite(2, FileFaults::Kind::Once);  // the record goes, the data fails
    EXPECT_EQ(ZEL_AddDataFrom(&g, ATTD, c.length, c.sourceFd, c.offset), c.expected) << c.what;
    FileFaults::reset();
    ZEL_Close(&g);
    EXPECT_EQ(readAll(path), before) << c.what;
  }
  ::close(fd);
}
