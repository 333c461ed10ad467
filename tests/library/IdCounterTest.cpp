#include <gtest/gtest.h>

#include <climits>
#include <cstddef>
#include <cstring>
#include <string>

#include "LibraryTestSupport.h"
#include "library/FlnIdCounter.h"
#include "format/Endian.h"

using namespace libtest;

namespace {

FLN_ID_COUNTER At(TESK_ARY ary, int32_t i) {
  FLN_ID_COUNTER c;
  Tesk_Ary_GetData(ary, i, &c);
  return c;
}

Ary WithIcIdCounter() {
  Ary counters = NewAry(sizeof(FLN_ID_COUNTER));
  const FLN_ID_COUNTER icId = MakeIdCounter(0, kTagIdCounter, "ic_id", 1);
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

// Without the counter of the counters' own identifiers, it is made first and
// takes the first free ic_id for itself, so that no two counters share one.
TEST(GetIdFromIdCounter, WithoutTheCounterOfCountersItIsMadeFirst) {
  Ary counters = NewAry(sizeof(FLN_ID_COUNTER));
  EXPECT_EQ(GetIdFromIdCounter(counters.get(), kTagIdCounter, "ic_id"), 1);
  EXPECT_EQ(GetIdFromIdCounter(counters.get(), kTagIdCounter, "ic_id"), 2);
  ASSERT_EQ(Tesk_Ary_GetSize(counters.get()), 1);
  EXPECT_EQ(Host(At(counters.get(), 0).ic_id), 0);

  EXPECT_EQ(GetIdFromIdCounter(counters.get(), kTagEntry, "en_id"), 0);
  EXPECT_EQ(GetIdFromIdCounter(counters.get(), kTagAttachment, "at_id"), 0);
  ASSERT_EQ(Tesk_Ary_GetSize(counters.get()), 3);
  EXPECT_EQ(Host(At(counters.get(), 1).ic_id), 3);
  EXPECT_EQ(Host(At(counters.get(), 2).ic_id), 4);

  // Counters stored without it: its own ic_id comes after theirs.
  Ary orphans = NewAry(sizeof(FLN_ID_COUNTER));
  const FLN_ID_COUNTER entries = MakeIdCounter(8, kTagEntry, "en_id", 5);
  Tesk_Ary_Add(orphans.get(), &entries);
  EXPECT_EQ(GetIdFromIdCounter(orphans.get(), kTagAttachment, "at_id"), 0);
  ASSERT_EQ(Tesk_Ary_GetSize(orphans.get()), 3);
  EXPECT_EQ(Host(At(orphans.get(), 1).ic_id), 9);   // the counter of counters
  EXPECT_EQ(Host(At(orphans.get(), 2).ic_id), 10);  // the at_id counter
}

TEST(RaiseIdCounter, HandsOutOnlyIdentifiersAboveTheStoredOnes) {
  const struct {
    const char* what;
    int32_t tag;
    const char* key;
    int32_t highestStored;
    int32_t next;      // what the counter hands out afterwards (-1: nothing)
    int32_t counters;  // records in the array right after raising
  } cases[] = {
      {"ahead: kept", kTagEntry, "en_id", 1, 3, 2},
      {"just ahead: kept", kTagEntry, "en_id", 2, 3, 2},
      {"behind: moved on", kTagEntry, "en_id", 5, 6, 2},
      {"nothing stored", kTagEntry, "en_id", -1, 3, 2},
      {"missing: made with its ic_id from the counter of counters", kTagAttachment, "at_id", 4, 5, 3},
      {"missing with nothing stored: not made", kTagAttachment, "at_id", -1, 0, 2},
      {"the largest identifier stored: used up", kTagEntry, "en_id", INT32_MAX, -1, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Ary counters = NewAry(sizeof(FLN_ID_COUNTER));
    const FLN_ID_COUNTER stored[] = {MakeIdCounter(0, kTagIdCounter, "ic_id", 2),
                                     MakeIdCounter(1, kTagEntry, "en_id", 3)};
    for (const FLN_ID_COUNTER& counter : stored) Tesk_Ary_Add(counters.get(), &counter);
    ASSERT_EQ(RaiseIdCounter(counters.get(), c.tag, c.key, c.highestStored), 0);
    EXPECT_EQ(Tesk_Ary_GetSize(counters.get()), c.counters);
    if (c.counters == 3) {
      EXPECT_EQ(Host(At(counters.get(), 2).ic_id), 2);
    }
    EXPECT_EQ(GetIdFromIdCounter(counters.get(), c.tag, c.key), c.next);
  }

  // A damaged counter (nextId negative) behind the stored ones is repaired.
  Ary damaged = WithIcIdCounter();
  const FLN_ID_COUNTER negative = MakeIdCounter(1, kTagEntry, "en_id", -7);
  Tesk_Ary_Add(damaged.get(), &negative);
  ASSERT_EQ(RaiseIdCounter(damaged.get(), kTagEntry, "en_id", 3), 0);
  EXPECT_EQ(GetIdFromIdCounter(damaged.get(), kTagEntry, "en_id"), 4);

  Ary others = NewAry(sizeof(FLN_LABEL));
  EXPECT_EQ(RaiseIdCounter(others.get(), kTagEntry, "en_id", 3), -1);
  EXPECT_EQ(RaiseIdCounter(nullptr, kTagEntry, "en_id", 3), -1);
}

TEST(HighestStoredId, ReadsTheIdentifierFieldOfEveryRecord) {
  Ary entries = NewAry(sizeof(FLN_ATTACHMENT));
  EXPECT_EQ(HighestStoredId(entries.get(), offsetof(FLN_ATTACHMENT, en_id)), -1);
  for (int32_t id : {4, 17, -3, 9}) {
    FLN_ATTACHMENT a;
    std::memset(&a, 0, sizeof a);
    a.at_id = ZEL_EndianLong_NtoL(id);
    a.en_id = ZEL_EndianLong_NtoL(100 - id);
    Tesk_Ary_Add(entries.get(), &a);
  }
  EXPECT_EQ(HighestStoredId(entries.get(), offsetof(FLN_ATTACHMENT, at_id)), 17);
  EXPECT_EQ(HighestStoredId(entries.get(), offsetof(FLN_ATTACHMENT, en_id)), 103);
  EXPECT_EQ(HighestStoredId(nullptr, 0), -1);
  EXPECT_EQ(HighestStoredId(entries.get(), sizeof(FLN_ATTACHMENT) - 2), -1);  // not within a record
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
    const FLN_ID_COUNTER stored = MakeIdCounter(1, kTagEntry, "en_id", c.nextId);
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
