#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "LibraryTestSupport.h"
#include "library/FlnIdCounter.h"
#include "storage/Endian.h"

using namespace libtest;

namespace {

FLN_ID_COUNTER Counter(int32_t icId, int32_t tag, const char* key, int32_t nextId) {
  FLN_ID_COUNTER c;
  std::memset(&c, 0, sizeof c);
  c.ic_id = ZEL_EndianLong_NtoL(icId);
  c.tag = ZEL_EndianLong_NtoL(tag);
  std::strncpy(c.key, key, sizeof c.key - 1);
  c.nextId = ZEL_EndianLong_NtoL(nextId);
  return c;
}

FLN_ID_COUNTER At(TESK_ARY ary, int32_t i) {
  FLN_ID_COUNTER c;
  Tesk_Ary_GetData(ary, i, &c);
  return c;
}

Ary WithIcIdCounter() {
  Ary counters = NewAry(sizeof(FLN_ID_COUNTER));
  const FLN_ID_COUNTER icId = Counter(0, kTagIdCounter, "ic_id", 1);
  Tesk_Ary_Add(counters.get(), &icId);
  return counters;
}

TEST(GetIdFromIdCounter, ANewPairStartsAtZeroThenCountsUp) {
  FrozenClock clock(FixedTime());
  Ary counters = WithIcIdCounter();
  EXPECT_EQ(GetIdFromIdCounter(counters.get(), kTagEntry, "en_id"), 0);
  ASSERT_EQ(Tesk_Ary_GetSize(counters.get()), 2);
  const FLN_ID_COUNTER made = At(counters.get(), 1);
  EXPECT_EQ(Host(made.ic_id), 1);
  EXPECT_EQ(Host(made.tag), kTagEntry);
  EXPECT_EQ(Chars(made.key, sizeof made.key), "en_id");
  EXPECT_EQ(Host(made.nextId), 1);
  EXPECT_EQ(Chars(made.createDate, 18), kFixedDate);
  EXPECT_EQ(Chars(made.updateDate, 18), kFixedDate);
  EXPECT_EQ(Host(At(counters.get(), 0).nextId), 2);  // the counter of counters moved on

  clock.set(FixedTime().addSecs(60));
  EXPECT_EQ(GetIdFromIdCounter(counters.get(), kTagEntry, "en_id"), 1);
  EXPECT_EQ(GetIdFromIdCounter(counters.get(), kTagEntry, "en_id"), 2);
  const FLN_ID_COUNTER advanced = At(counters.get(), 1);
  EXPECT_EQ(Host(advanced.nextId), 3);
  EXPECT_EQ(Chars(advanced.createDate, 18), kFixedDate);
  EXPECT_EQ(Chars(advanced.updateDate, 18), "20261208211420500");
  EXPECT_EQ(Tesk_Ary_GetSize(counters.get()), 2);
}

TEST(GetIdFromIdCounter, PairsCountIndependently) {
  Ary counters = WithIcIdCounter();
  const struct {
    int32_t tag;
    const char* key;
    int32_t expected;
  } calls[] = {
      {kTagCat1, "ca_id", 0},  {kTagCat2, "ca_id", 0}, {kTagCat1, "ca_id", 1},
      {kTagCat1, "ca_id2", 0}, {kTagCat2, "ca_id", 1}, {kTagCat1, "ca_id", 2},
  };
  for (const auto& c : calls) EXPECT_EQ(GetIdFromIdCounter(counters.get(), c.tag, c.key), c.expected) << c.key;
  EXPECT_EQ(Tesk_Ary_GetSize(counters.get()), 4);
}

TEST(GetIdFromIdCounter, WithoutTheCounterOfCountersEveryIcIdIsZero) {
  Ary counters = NewAry(sizeof(FLN_ID_COUNTER));
  EXPECT_EQ(GetIdFromIdCounter(counters.get(), kTagIdCounter, "ic_id"), 0);
  EXPECT_EQ(GetIdFromIdCounter(counters.get(), kTagIdCounter, "ic_id"), 0);
  EXPECT_EQ(Tesk_Ary_GetSize(counters.get()), 0);  // not created

  EXPECT_EQ(GetIdFromIdCounter(counters.get(), kTagEntry, "en_id"), 0);
  EXPECT_EQ(GetIdFromIdCounter(counters.get(), kTagAttachment, "at_id"), 0);
  ASSERT_EQ(Tesk_Ary_GetSize(counters.get()), 2);
  EXPECT_EQ(Host(At(counters.get(), 0).ic_id), 0);
  EXPECT_EQ(Host(At(counters.get(), 1).ic_id), 0);
  EXPECT_EQ(GetIdFromIdCounter(counters.get(), kTagIdCounter, "ic_id"), 0);
}

// A key longer than the field is stored cut, and looked up cut the same way,
// so it keeps counting instead of starting again at 0 on every call.
TEST(GetIdFromIdCounter, ALongKeyIsCutAlikeForStoringAndLookingUp) {
  Ary counters = WithIcIdCounter();
  const std::string longKey(80, 'k');
  EXPECT_EQ(GetIdFromIdCounter(counters.get(), kTagEntry, longKey.c_str()), 0);
  EXPECT_EQ(GetIdFromIdCounter(counters.get(), kTagEntry, longKey.c_str()), 1);
  const FLN_ID_COUNTER c = At(counters.get(), 1);
  EXPECT_EQ(Chars(c.key, sizeof c.key), std::string(kIdCounterKeyMax, 'k'));
  EXPECT_EQ(c.key[sizeof c.key - 1], '\0');
}

TEST(GetIdFromIdCounter, RefusesWhatWouldRepeatAnIdentifier) {
  const struct {
    const char* name;
    int32_t nextId;
  } cases[] = {{"used up", INT32_MAX}, {"damaged", -7}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Ary counters = WithIcIdCounter();
    const FLN_ID_COUNTER stored = Counter(1, kTagEntry, "en_id", c.nextId);
    Tesk_Ary_Add(counters.get(), &stored);
    EXPECT_EQ(GetIdFromIdCounter(counters.get(), kTagEntry, "en_id"), -1);
    const FLN_ID_COUNTER after = At(counters.get(), 1);
    EXPECT_EQ(std::memcmp(&after, &stored, sizeof stored), 0);
  }
  Ary others = NewAry(sizeof(FLN_LABEL));
  EXPECT_EQ(GetIdFromIdCounter(nullptr, kTagEntry, "en_id"), -1);
  EXPECT_EQ(GetIdFromIdCounter(others.get(), kTagEntry, "en_id"), -1);
  EXPECT_EQ(Tesk_Ary_GetSize(others.get()), 0);
}

}  // namespace
