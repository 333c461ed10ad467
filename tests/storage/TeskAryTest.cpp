#include "storage/TeskAry.h"
#include "storage/TeskAryChanges.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

#include "OwnedAry.h"

namespace {

// A 12-byte record whose three fields all follow from one value, so that a
// record copied with a wrong offset or size shows up.
struct Rec {
  int32_t a, b, c;
};
static_assert(sizeof(Rec) == 12, "test record has no padding");

Rec rec(int32_t v) { return Rec{v, -v, v * 3}; }  // rec(0) is the zero record

bool operator==(const Rec& x, const Rec& y) { return x.a == y.a && x.b == y.b && x.c == y.c; }

using testsupport::Ary;

Ary newAry(int32_t initialCount = 20, int32_t growCount = 20) {
  return Ary(Tesk_Ary_Init(sizeof(Rec), initialCount, growCount));
}

Ary aryOf(const std::vector<int32_t>& values) {
  Ary ary = newAry();
  for (int32_t v : values) {
    const Rec r = rec(v);
    EXPECT_EQ(Tesk_Ary_Add(ary.get(), &r), 0);
  }
  return ary;
}

// The `a` field of every record, read back through GetData.
std::vector<int32_t> values(TESK_ARY ary) {
  std::vector<int32_t> out;
  for (int32_t i = 0; i < Tesk_Ary_GetSize(ary); ++i) {
    Rec r;
    Tesk_Ary_GetData(ary, i, &r);
    EXPECT_EQ(r, rec(r.a)) << "record " << i << " is torn";
    out.push_back(r.a);
  }
  return out;
}

bool isLocked(TESK_ARY ary) {
  int wasLocked = -1;
  Tesk_HLock(ary->records, &wasLocked);
  Tesk_HUnlock(ary->records, wasLocked);
  return wasLocked == 1;
}

int compareA(const void* x, const void* y) {
  const int32_t a = static_cast<const Rec*>(x)->a, b = static_cast<const Rec*>(y)->a;
  return (a > b) - (a < b);
}

}  // namespace

TEST(TeskAry, InitTakesDefaultsForCountsBelowOne) {
  struct Case {
    int32_t initial, grow, wantInitial, wantGrow;
  } cases[] = {{0, 0, 20, 20}, {-3, -1, 20, 20}, {1, 1, 1, 1}, {5, 7, 5, 7}};
  for (const Case& c : cases) {
    Ary ary = newAry(c.initial, c.grow);
    ASSERT_NE(ary, nullptr);
    EXPECT_EQ(ary->initialCount, c.wantInitial) << c.initial;
    EXPECT_EQ(ary->growCount, c.wantGrow) << c.grow;
    EXPECT_EQ(ary->recordSize, 12);
  }
  EXPECT_EQ(Tesk_Ary_Init(-1, 20, 20), nullptr);
}

TEST(TeskAry, NewArrayHasNoStorageAndGrowsByTwenty) {
  Ary ary = newAry(0, 0);
  EXPECT_EQ(Tesk_Ary_GetSize(ary.get()), 0);
  EXPECT_EQ(ary->records, nullptr);
  EXPECT_EQ(ary->capacity, 0);

  ASSERT_EQ(Tesk_Ary_Add(ary.get(), nullptr), 0);
  EXPECT_NE(ary->records, nullptr);
  EXPECT_EQ(ary->capacity, 20);
  EXPECT_EQ(Tesk_Ary_GetSize(ary.get()), 1);

  for (int32_t v = 1; v < 20; ++v) {
    const Rec r = rec(v);
    ASSERT_EQ(Tesk_Ary_Add(ary.get(), &r), 0);
  }
  EXPECT_EQ(ary->capacity, 20);
  const Rec r = rec(20);
  ASSERT_EQ(Tesk_Ary_Add(ary.get(), &r), 0);
  EXPECT_EQ(ary->capacity, 40);
  EXPECT_EQ(Tesk_Ary_GetSize(ary.get()), 21);

  std::vector<int32_t> want{0};
  for (int32_t v = 1; v <= 20; ++v) want.push_back(v);
  EXPECT_EQ(values(ary.get()), want);
}

TEST(TeskAry, InsertClampsTheIndex) {
  struct Case {
    int32_t index;
    std::vector<int32_t> want;
  } cases[] = {
      {-5, {99, 10, 11, 12}}, {0, {99, 10, 11, 12}},   {1, {10, 99, 11, 12}},
      {3, {10, 11, 12, 99}},  {1000, {10, 11, 12, 99}},
  };
  for (const Case& c : cases) {
    Ary ary = aryOf({10, 11, 12});
    const Rec r = rec(99);
    ASSERT_EQ(Tesk_Ary_Insert(ary.get(), c.index, &r), 0);
    EXPECT_EQ(values(ary.get()), c.want) << "insert at " << c.index;
  }
}

TEST(TeskAry, InsertWithoutSourceWritesZerosOverOldBytes) {
  Ary ary = aryOf({10, 11, 12});
  Tesk_Ary_Remove(ary.get(), 2);  // slot 2 still holds record 12's bytes
  ASSERT_EQ(Tesk_Ary_Insert(ary.get(), 2, nullptr), 0);
  Rec r{-1, -1, -1};
  Tesk_Ary_GetData(ary.get(), 2, &r);
  EXPECT_EQ(r, (Rec{0, 0, 0}));
}

TEST(TeskAry, GetDataYieldsZerosOutsideTheRecords) {
  Ary ary = aryOf({10, 11, 12});
  for (int32_t index : {3, -1, 1000}) {
    Rec r{7, 7, 7};
    Tesk_Ary_GetData(ary.get(), index, &r);
    EXPECT_EQ(r, (Rec{0, 0, 0})) << index;
  }
  Rec r;
  Tesk_Ary_GetData(ary.get(), 2, &r);
  EXPECT_EQ(r, rec(12));

  Ary empty = newAry();
  Rec z{7, 7, 7};
  Tesk_Ary_GetData(empty.get(), 0, &z);
  EXPECT_EQ(z, (Rec{0, 0, 0}));
}

TEST(TeskAry, UpdateRemoveAndSwapIgnoreBadIndexes) {
  Ary ary = aryOf({10, 11, 12, 13});
  const Rec r = rec(50);
  Tesk_Ary_Update(ary.get(), 4, &r);
  Tesk_Ary_Update(ary.get(), -1, &r);
  Tesk_Ary_Remove(ary.get(), 4);
  Tesk_Ary_Remove(ary.get(), -1);
  Tesk_Ary_Swap(ary.get(), 0, 4);
  Tesk_Ary_Swap(ary.get(), -1, 2);
  EXPECT_EQ(values(ary.get()), (std::vector<int32_t>{10, 11, 12, 13}));

  Tesk_Ary_Update(ary.get(), 3, &r);
  EXPECT_EQ(values(ary.get()), (std::vector<int32_t>{10, 11, 12, 50}));
  Tesk_Ary_Swap(ary.get(), 0, 3);
  Tesk_Ary_Swap(ary.get(), 1, 1);
  EXPECT_EQ(values(ary.get()), (std::vector<int32_t>{50, 11, 12, 10}));
  Tesk_Ary_Remove(ary.get(), 1);
  EXPECT_EQ(values(ary.get()), (std::vector<int32_t>{50, 12, 10}));
  Tesk_Ary_Remove(ary.get(), 2);
  EXPECT_EQ(values(ary.get()), (std::vector<int32_t>{50, 12}));
  EXPECT_EQ(ary->capacity, 20);
}

TEST(TeskAry, RemoveAllReleasesOnlyABlockThatHoldsRecords) {
  Ary emptied = aryOf({10, 11});
  Tesk_Ary_Remove(emptied.get(), 0);
  Tesk_Ary_Remove(emptied.get(), 0);
  Tesk_Ary_RemoveAll(emptied.get());
  EXPECT_NE(emptied->records, nullptr);
  EXPECT_EQ(emptied->capacity, 20);
  EXPECT_EQ(Tesk_Ary_GetSize(emptied.get()), 0);

  Ary full = aryOf({10, 11});
  Tesk_Ary_RemoveAll(full.get());
  EXPECT_EQ(full->records, nullptr);
  EXPECT_EQ(full->capacity, 0);
  EXPECT_EQ(Tesk_Ary_GetSize(full.get()), 0);
  // Usable again: the next insertion allocates afresh.
  const Rec r = rec(5);
  ASSERT_EQ(Tesk_Ary_Add(full.get(), &r), 0);
  EXPECT_EQ(values(full.get()), (std::vector<int32_t>{5}));
}

TEST(TeskAry, QuickSortAndSeqSearch) {
  Ary ary = aryOf({42, 7, 19, 7, -3});
  Tesk_Ary_QuickSort(ary.get(), compareA);
  EXPECT_EQ(values(ary.get()), (std::vector<int32_t>{-3, 7, 7, 19, 42}));

  // Only an answer of exactly 1 is a match.
  auto match = [](int32_t key, const void* record) {
    const int32_t a = static_cast<const Rec*>(record)->a;
    return a == key ? 1 : (a > key ? 2 : 0);
  };
  EXPECT_EQ(Tesk_Ary_SeqSearch(ary.get(), 7, match), 1);
  EXPECT_EQ(Tesk_Ary_SeqSearch(ary.get(), 42, match), 4);
  EXPECT_EQ(Tesk_Ary_SeqSearch(ary.get(), 8, match), -1);

  Ary empty = newAry();
  auto never = [](const void*, const void*) -> int {
    ADD_FAILURE() << "compared records of an empty array";
    return 0;
  };
  Tesk_Ary_QuickSort(empty.get(), never);
  EXPECT_EQ(Tesk_Ary_SeqSearch(empty.get(), 0, match), -1);
}

TEST(TeskAry, SetSizeHoldsExactlyNZeroRecords) {
  Ary ary = aryOf({10, 11, 12});
  ASSERT_EQ(Tesk_Ary_SetSize(ary.get(), 5), 0);
  EXPECT_EQ(ary->capacity, 5);
  EXPECT_EQ(values(ary.get()), (std::vector<int32_t>{0, 0, 0, 0, 0}));

  ASSERT_EQ(Tesk_Ary_SetSize(ary.get(), 0), 0);
  EXPECT_EQ(ary->records, nullptr);
  EXPECT_EQ(Tesk_Ary_GetSize(ary.get()), 0);
}

TEST(TeskAry, MemoryThatCannotBeHadIsReportedAndLeavesTheArrayEmpty) {
  // INT32_MAX records of INT32_MAX bytes: no machine can map that.
  Ary huge(Tesk_Ary_Init(INT32_MAX, INT32_MAX, 1));
  ASSERT_NE(huge, nullptr);
  EXPECT_EQ(Tesk_Ary_Add(huge.get(), nullptr), -1);
  EXPECT_EQ(huge->records, nullptr);
  EXPECT_EQ(huge->capacity, 0);
  EXPECT_EQ(Tesk_Ary_GetSize(huge.get()), 0);
  EXPECT_EQ(Tesk_Ary_SetSize(huge.get(), INT32_MAX), -1);
  EXPECT_EQ(huge->records, nullptr);
  EXPECT_EQ(Tesk_Ary_GetSize(huge.get()), 0);
}

TEST(TeskAry, CapacityThatWouldOverflowIsRefused) {
  // Zero-byte records let the count reach the 32-bit limit without memory.
  Ary ary(Tesk_Ary_Init(0, 20, 20));
  ASSERT_EQ(Tesk_Ary_SetSize(ary.get(), INT32_MAX), 0);
  EXPECT_EQ(Tesk_Ary_Add(ary.get(), nullptr), -1);
  EXPECT_EQ(Tesk_Ary_GetSize(ary.get()), INT32_MAX);
  EXPECT_EQ(ary->capacity, INT32_MAX);
}

TEST(TeskAry, LockReportsAndKeepsTheCallersLock) {
  Ary none = newAry();
  int wasLocked = -1;
  Tesk_Ary_Lock(none.get(), &wasLocked);
  EXPECT_EQ(wasLocked, 0);
  EXPECT_EQ(Tesk_Ary_GetDataPtr(none.get(), 0), nullptr);

  Ary ary = aryOf({10, 11});
  Tesk_Ary_Lock(ary.get(), &wasLocked);
  EXPECT_EQ(wasLocked, 0);
  int nested = -1;
  Tesk_Ary_Lock(ary.get(), &nested);
  EXPECT_EQ(nested, 1);
  Tesk_Ary_Unlock(ary.get(), nested);
  EXPECT_TRUE(isLocked(ary.get()));  // the inner unlock leaves the outer lock

  const Rec* p = static_cast<const Rec*>(Tesk_Ary_GetDataPtr(ary.get(), 1));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(*p, rec(11));
  EXPECT_EQ(Tesk_Ary_GetDataPtr(ary.get(), 2), nullptr);
  EXPECT_EQ(Tesk_Ary_GetDataPtr(ary.get(), -1), nullptr);

  Tesk_Ary_Unlock(ary.get(), wasLocked);
  EXPECT_FALSE(isLocked(ary.get()));
}

TEST(TeskAry, EveryRecordOperationRestoresTheLockState) {
  const Rec r = rec(77);
  const std::pair<const char*, std::function<void(TESK_ARY)>> operations[] = {
      {"GetData", [](TESK_ARY a) { Rec out; Tesk_Ary_GetData(a, 1, &out); }},
      {"Update", [&](TESK_ARY a) { Tesk_Ary_Update(a, 1, &r); }},
      {"Insert", [&](TESK_ARY a) { EXPECT_EQ(Tesk_Ary_Insert(a, 1, &r), 0); }},
      {"Add", [](TESK_ARY a) { EXPECT_EQ(Tesk_Ary_Add(a, nullptr), 0); }},
      {"Remove", [](TESK_ARY a) { Tesk_Ary_Remove(a, 0); }},
      {"Swap", [](TESK_ARY a) { Tesk_Ary_Swap(a, 0, 2); }},
      {"QuickSort", [](TESK_ARY a) { Tesk_Ary_QuickSort(a, compareA); }},
      {"SeqSearch", [](TESK_ARY a) {
         Tesk_Ary_SeqSearch(a, 12, [](int32_t k, const void* p) { return static_cast<const Rec*>(p)->a == k ? 1 : 0; });
       }},
  };
  for (const auto& [name, operation] : operations) {
    for (bool callerLocked : {false, true}) {
      Ary ary = aryOf({12, 10, 11});
      int wasLocked = 0;
      if (callerLocked) Tesk_Ary_Lock(ary.get(), &wasLocked);
      operation(ary.get());
      EXPECT_EQ(isLocked(ary.get()), callerLocked) << name;
      if (callerLocked) Tesk_Ary_Unlock(ary.get(), wasLocked);
    }
  }
}

TEST(TeskAry, ALockedFullBlockRefusesToGrowAndKeepsItsRecords) {
  Ary ary = newAry(2, 20);
  const Rec a = rec(1), b = rec(2), c = rec(3);
  ASSERT_EQ(Tesk_Ary_Add(ary.get(), &a), 0);
  ASSERT_EQ(Tesk_Ary_Add(ary.get(), &b), 0);
  int wasLocked;
  Tesk_Ary_Lock(ary.get(), &wasLocked);
  const void* held = Tesk_Ary_GetDataPtr(ary.get(), 0);

  EXPECT_EQ(Tesk_Ary_Insert(ary.get(), 0, &c), -1);
  EXPECT_EQ(ary->capacity, 2);
  EXPECT_EQ(Tesk_Ary_GetDataPtr(ary.get(), 0), held);
  EXPECT_EQ(values(ary.get()), (std::vector<int32_t>{1, 2}));

  Tesk_Ary_Unlock(ary.get(), wasLocked);
  ASSERT_EQ(Tesk_Ary_Insert(ary.get(), 0, &c), 0);
  EXPECT_EQ(ary->capacity, 22);
  EXPECT_EQ(values(ary.get()), (std::vector<int32_t>{3, 1, 2}));
}

TEST(TeskAry, HandleFunctionsAcceptNull) {
  int wasLocked = -1;
  EXPECT_EQ(Tesk_HLock(nullptr, &wasLocked), nullptr);
  EXPECT_EQ(wasLocked, 0);
  Tesk_HUnlock(nullptr, 0);
  Tesk_Ary_Free(nullptr);
  EXPECT_EQ(Tesk_Ary_GetSize(nullptr), 0);
}

TEST(TeskAry, ConvertTagStoresTheCodeInHostOrder) {
  const int32_t tag = 0x454E5452;  // 'ENTR'
  char buffer[4] = {};
  EXPECT_EQ(Tesk_ConvertTag_ToTagName(tag, buffer), buffer);
  int32_t back;
  std::memcpy(&back, buffer, 4);
  EXPECT_EQ(back, tag);
}

namespace {

// The range an array notes as changed after `op`, starting from ten records
// with no change noted.
struct ChangeCase {
  const char* name;
  std::function<void(TESK_ARY)> op;
  int32_t from, to;  // from == to: nothing may have changed
};

}  // namespace

TEST(TeskAry, NotesWhichRecordsMayHaveChanged) {
  const Rec r = rec(77);
  const ChangeCase cases[] = {
      {"nothing done", [](TESK_ARY) {}, 0, 0},
      {"read by copy and in place",
       [](TESK_ARY a) {
         Rec out;
         Tesk_Ary_GetData(a, 4, &out);
         EXPECT_NE(Tesk_Ary_ReadDataPtr(a, 5), nullptr);
         EXPECT_EQ(Tesk_Ary_SeqSearch(a, 3, [](int32_t key, const void* x) {
                     return static_cast<const Rec*>(x)->a == key ? 1 : 0;
                   }),
                   6);
       },
       0, 0},
      {"one updated", [&](TESK_ARY a) { Tesk_Ary_Update(a, 6, &r); }, 6, 7},
      {"one written as it is: nothing noted",
       [](TESK_ARY a) {
         const Rec same = rec(3);
         Tesk_Ary_Update(a, 6, &same);
       },
       0, 0},
      {"two updated far apart",
       [&](TESK_ARY a) {
         Tesk_Ary_Update(a, 8, &r);
         Tesk_Ary_Update(a, 2, &r);
       },
       2, 9},
      {"address handed out", [](TESK_ARY a) { EXPECT_NE(Tesk_Ary_GetDataPtr(a, 3), nullptr); }, 3, 4},
      {"inserted in the middle: it and every later record moved", [&](TESK_ARY a) { Tesk_Ary_Insert(a, 4, &r); }, 4,
       11},
      {"appended", [&](TESK_ARY a) { Tesk_Ary_Add(a, &r); }, 10, 11},
      {"removed in the middle: every later record moved", [](TESK_ARY a) { Tesk_Ary_Remove(a, 7); }, 7, 9},
      {"last removed: no record left changed", [](TESK_ARY a) { Tesk_Ary_Remove(a, 9); }, 0, 0},
      {"swapped", [](TESK_ARY a) { Tesk_Ary_Swap(a, 8, 1); }, 1, 9},
      {"sorted", [](TESK_ARY a) { Tesk_Ary_QuickSort(a, compareA); }, 0, 10},
      {"set to a new size", [](TESK_ARY a) { Tesk_Ary_SetSize(a, 4); }, 0, 4},
      {"emptied and refilled",
       [&](TESK_ARY a) {
         Tesk_Ary_RemoveAll(a);
         Tesk_Ary_Add(a, &r);
         Tesk_Ary_Add(a, &r);
       },
       0, 2},
      {"bad indexes change nothing",
       [&](TESK_ARY a) {
         Tesk_Ary_Update(a, 10, &r);
         Tesk_Ary_Remove(a, -1);
         Tesk_Ary_Swap(a, 2, 12);
         EXPECT_EQ(Tesk_Ary_GetDataPtr(a, 10), nullptr);
       },
       0, 0},
  };
  for (const ChangeCase& c : cases) {
    SCOPED_TRACE(c.name);
    Ary ary = aryOf({9, 8, 7, 6, 5, 4, 3, 2, 1, 0});
    Tesk_Ary_ClearChanges(ary.get());
    c.op(ary.get());
    int32_t from = -1, to = -1;
    Tesk_Ary_GetChanges(ary.get(), &from, &to);
    EXPECT_EQ(from, c.from);
    EXPECT_EQ(to, c.to);
    Tesk_Ary_ClearChanges(ary.get());
    Tesk_Ary_GetChanges(ary.get(), &from, &to);
    EXPECT_EQ(from, to);
  }
}

// Bytes changed by UpdateField are noted as ranges of their records, and the
// records keep counting as unchanged; ranges of a record that touch come
// back joined. A change that moves records notes them changed whole, and
// their ranges are no longer given, as they may name other records now.
TEST(TeskAry, NotesTheBytesUpdateFieldChanges) {
  using Fields = std::vector<std::vector<int32_t>>;  // {index, offset, length} in the order given
  const int32_t seven = 7, eight = 8;
  const int64_t wide = 0x0102030405060708;
  const struct {
    const char* name;
    std::function<void(TESK_ARY)> op;
    int32_t from, to;  // records changed whole
    Fields fields;
  } cases[] = {
      {"one field", [&](TESK_ARY a) { Tesk_Ary_UpdateField(a, 3, 4, 4, &seven); }, 0, 0, {{3, 4, 4}}},
      {"same field in every record, noted once each",
       [&](TESK_ARY a) {
         for (int round = 0; round < 2; ++round)
           for (int32_t i = 9; i >= 0; --i) Tesk_Ary_UpdateField(a, i, 8, 4, &seven);
       },
       0, 0,
       {{0, 8, 4}, {1, 8, 4}, {2, 8, 4}, {3, 8, 4}, {4, 8, 4}, {5, 8, 4}, {6, 8, 4}, {7, 8, 4}, {8, 8, 4}, {9, 8, 4}}},
      {"touching fields joined, a separate one kept apart",
       [&](TESK_ARY a) {
         Tesk_Ary_UpdateField(a, 5, 8, 4, &seven);
         Tesk_Ary_UpdateField(a, 5, 4, 4, &eight);
         Tesk_Ary_UpdateField(a, 2, 0, 1, &eight);
         Tesk_Ary_UpdateField(a, 2, 3, 1, &eight);
       },
       0, 0, {{2, 0, 1}, {2, 3, 1}, {5, 4, 8}}},
      {"overlapping fields joined",
       [&](TESK_ARY a) {
         Tesk_Ary_UpdateField(a, 1, 2, 8, &wide);
         Tesk_Ary_UpdateField(a, 1, 0, 4, &seven);
       },
       0, 0, {{1, 0, 10}}},
      {"record also changed whole: its field is not given",
       [&](TESK_ARY a) {
         Tesk_Ary_UpdateField(a, 4, 0, 4, &seven);
         Tesk_Ary_UpdateField(a, 6, 0, 4, &seven);
         const Rec r = rec(40);
         Tesk_Ary_Update(a, 4, &r);
       },
       4, 5, {{6, 0, 4}}},
      {"removal moves the later records: only earlier fields stay",
       [&](TESK_ARY a) {
         Tesk_Ary_UpdateField(a, 1, 0, 4, &seven);
         Tesk_Ary_UpdateField(a, 8, 0, 4, &seven);
         Tesk_Ary_Remove(a, 5);
       },
       5, 9, {{1, 0, 4}}},
      {"sorted: everything changed whole", [&](TESK_ARY a) {
         Tesk_Ary_UpdateField(a, 1, 0, 4, &seven);
         Tesk_Ary_QuickSort(a, compareA);
       },
       0, 10, {}},
      {"ranges outside the record and bad indexes change nothing",
       [&](TESK_ARY a) {
         Tesk_Ary_UpdateField(a, 10, 0, 4, &seven);
         Tesk_Ary_UpdateField(a, -1, 0, 4, &seven);
         Tesk_Ary_UpdateField(a, 2, 10, 4, &seven);
         Tesk_Ary_UpdateField(a, 2, -1, 4, &seven);
         Tesk_Ary_UpdateField(a, 2, 0, 0, &seven);
         Tesk_Ary_UpdateField(a, 2, 0, 4, nullptr);
       },
       0, 0, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Ary ary = aryOf({9, 8, 7, 6, 5, 4, 3, 2, 1, 0});
    Tesk_Ary_ClearChanges(ary.get());
    c.op(ary.get());
    int32_t from = -1, to = -1;
    Tesk_Ary_GetChanges(ary.get(), &from, &to);
    EXPECT_EQ(from, c.from);
    EXPECT_EQ(to, c.to);
    Fields fields;
    for (const TeskFieldChange& f : Tesk_Ary_GetFieldChanges(ary.get())) fields.push_back({f.index, f.offset, f.length});
    EXPECT_EQ(fields, c.fields);
    Tesk_Ary_ClearChanges(ary.get());
    EXPECT_TRUE(Tesk_Ary_GetFieldChanges(ary.get()).empty());
  }
  // The bytes themselves are written where the range says.
  Ary ary = aryOf({1, 2, 3});
  Tesk_Ary_UpdateField(ary.get(), 1, 4, 4, &seven);
  Rec r;
  Tesk_Ary_GetData(ary.get(), 1, &r);
  EXPECT_EQ(r, (Rec{2, 7, 6}));
  Tesk_Ary_GetData(ary.get(), 0, &r);
  EXPECT_EQ(r, rec(1));
  Tesk_Ary_GetData(ary.get(), 2, &r);
  EXPECT_EQ(r, rec(3));
}

TEST(TeskAry, SerialsTellBlocksApartAndReserveKeepsTheRecords) {
  Ary first = aryOf({1, 2, 3});
  Ary second = aryOf({1, 2, 3});
  const uint64_t firstSerial = Tesk_Ary_BlockSerial(first.get());
  EXPECT_NE(firstSerial, 0u);
  EXPECT_NE(firstSerial, Tesk_Ary_BlockSerial(second.get()));
  EXPECT_EQ(Tesk_Ary_BlockSerial(nullptr), 0u);
  EXPECT_EQ(Tesk_Ary_BlockSerial(newAry().get()), 0u);  // no block yet

  // A new block is new records: another serial, every record changed.
  Tesk_Ary_RemoveAll(second.get());
  const Rec r = rec(5);
  ASSERT_EQ(Tesk_Ary_Add(second.get(), &r), 0);
  EXPECT_NE(Tesk_Ary_BlockSerial(second.get()), 0u);
  EXPECT_NE(Tesk_Ary_BlockSerial(second.get()), firstSerial);
  int32_t from = -1, to = -1;
  Tesk_Ary_GetChanges(second.get(), &from, &to);
  EXPECT_EQ(from, 0);
  EXPECT_EQ(to, 1);

  ASSERT_EQ(Tesk_Ary_Reserve(first.get(), 5000), 0);
  EXPECT_EQ(first->capacity, 5000);
  EXPECT_EQ(Tesk_Ary_BlockSerial(first.get()), firstSerial);  // grown, still the same block
  EXPECT_EQ(values(first.get()), (std::vector<int32_t>{1, 2, 3}));
  ASSERT_EQ(Tesk_Ary_Reserve(first.get(), 10), 0);  // never shrinks
  EXPECT_EQ(first->capacity, 5000);

  Ary empty = newAry();
  ASSERT_EQ(Tesk_Ary_Reserve(empty.get(), 64), 0);
  EXPECT_EQ(Tesk_Ary_GetSize(empty.get()), 0);
  for (int32_t v = 0; v < 64; ++v) {
    const Rec r = rec(v);
    ASSERT_EQ(Tesk_Ary_Add(empty.get(), &r), 0);
  }
  EXPECT_EQ(empty->capacity, 64);  // the reserved block took every record without growing

  int wasLocked = 0;
  Tesk_Ary_Lock(first.get(), &wasLocked);
  EXPECT_EQ(Tesk_Ary_Reserve(first.get(), 6000), -1);  // a locked block does not move
  Tesk_Ary_Unlock(first.get(), wasLocked);
  EXPECT_EQ(Tesk_Ary_Reserve(nullptr, 4), -1);
}

TEST(TeskAry, AddUnclearedFillsReservedRoomOnlyAndTrimGivesTheRestBack) {
  Ary ary = newAry();
  EXPECT_EQ(Tesk_Ary_AddUncleared(ary.get()), nullptr);  // no block: no room
  EXPECT_EQ(Tesk_Ary_AddUncleared(nullptr), nullptr);
  ASSERT_EQ(Tesk_Ary_Reserve(ary.get(), 3), 0);
  Tesk_Ary_ClearChanges(ary.get());
  for (int32_t v = 7; v < 10; ++v) {
    void* slot = Tesk_Ary_AddUncleared(ary.get());
    ASSERT_NE(slot, nullptr);
    const Rec r = rec(v);
    std::memcpy(slot, &r, sizeof r);
  }
  EXPECT_EQ(Tesk_Ary_AddUncleared(ary.get()), nullptr);  // never grows: an address given out stays valid
  EXPECT_EQ(values(ary.get()), (std::vector<int32_t>{7, 8, 9}));
  int32_t from = -1, to = -1;
  Tesk_Ary_GetChanges(ary.get(), &from, &to);
  EXPECT_EQ(from, 0);  // records filled this way count as changed like any added one
  EXPECT_EQ(to, 3);

  // Trim: capacity down to the count and the spare room asked for, records
  // kept, the array grows again.
  const struct {
    int32_t reserve, count, spare, capacity;
  } cases[] = {{5000, 3, 0, 3}, {64, 64, 0, 64}, {100, 1, 0, 1}, {5000, 80, 10, 90}, {64, 60, 10, 64}};
  for (const auto& c : cases) {
    Ary trimmed = newAry();
    ASSERT_EQ(Tesk_Ary_Reserve(trimmed.get(), c.reserve), 0);
    std::vector<int32_t> expected;
    for (int32_t v = 0; v < c.count; ++v) {
      const Rec r = rec(v + 1);
      ASSERT_EQ(Tesk_Ary_Add(trimmed.get(), &r), 0);
      expected.push_back(v + 1);
    }
    const uint64_t serial = Tesk_Ary_BlockSerial(trimmed.get());
    Tesk_Ary_Trim(trimmed.get(), c.spare);
    EXPECT_EQ(trimmed->capacity, c.capacity) << c.reserve << " " << c.spare;
    EXPECT_EQ(Tesk_Ary_BlockSerial(trimmed.get()), serial);  // still the same records
    EXPECT_EQ(values(trimmed.get()), expected);
    const Rec more = rec(-5);
    ASSERT_EQ(Tesk_Ary_Add(trimmed.get(), &more), 0);
    expected.push_back(-5);
    EXPECT_EQ(values(trimmed.get()), expected);
  }
  Tesk_Ary_Trim(nullptr, 0);
  Ary none = newAry();
  Tesk_Ary_Trim(none.get(), 0);
  EXPECT_EQ(Tesk_Ary_GetSize(none.get()), 0);
}

// A long array grows by a share of its size: appending one record at a time
// moves the block a number of times that grows with the logarithm of the
// count, not with the count (by 20 records, 100,000 records took 5,000 moves).
TEST(TeskAry, ALongArrayGrowsInProportionToItsSize) {
  const struct {
    int32_t records;
    int maxGrowths;
  } cases[] = {{160, 8}, {10000, 45}, {100000, 65}};
  for (const auto& c : cases) {
    Ary ary = newAry();
    int growths = 0;
    int32_t capacity = 0;
    for (int32_t v = 0; v < c.records; ++v) {
      const Rec r = rec(v);
      ASSERT_EQ(Tesk_Ary_Add(ary.get(), &r), 0);
      if (ary->capacity != capacity) ++growths;
      capacity = ary->capacity;
      ASSERT_LE(capacity, c.records + c.records / 8 + 20) << "no more room than an eighth beyond the records";
    }
    EXPECT_LE(growths, c.maxGrowths) << c.records;
    const std::vector<int32_t> stored = values(ary.get());
    ASSERT_EQ(static_cast<int32_t>(stored.size()), c.records);
    for (int32_t v = 0; v < c.records; ++v) ASSERT_EQ(stored[static_cast<size_t>(v)], v);
  }
}

namespace {

// Every way of changing an array moves the change stamp of the bytes it may
// touch; reading, saving (ClearChanges), Reserve and a field update of other
// bytes leave the stamp of field `b` (bytes 4..8) as it was.
TEST(TeskAry, ChangeStampMovesWithEveryChangeOfItsBytes) {
  const Rec five = rec(5), one = rec(1);
  // Record 1 (rec(1)) with one field changed.
  const Rec aAlone{0x7f000001, -1, 3}, bAlone{1, 77, 3}, cAlone{1, -1, 99}, bLastByte{1, 0x00ffffff, 3};
  const int32_t seven = 7;
  struct Case {
    const char* what;
    std::function<void(TESK_ARY)> change;
    bool moves;
  } cases[] = {
      {"Add", [&](TESK_ARY a) { Tesk_Ary_Add(a, &five); }, true},
      {"Insert", [&](TESK_ARY a) { Tesk_Ary_Insert(a, 0, &five); }, true},
      {"Remove first", [](TESK_ARY a) { Tesk_Ary_Remove(a, 0); }, true},
      {"Remove last", [](TESK_ARY a) { Tesk_Ary_Remove(a, Tesk_Ary_GetSize(a) - 1); }, true},
      {"Update", [&](TESK_ARY a) { Tesk_Ary_Update(a, 1, &five); }, true},
      {"Update changing b alone", [&](TESK_ARY a) { Tesk_Ary_Update(a, 1, &bAlone); }, true},
      {"Update changing b's last byte", [&](TESK_ARY a) { Tesk_Ary_Update(a, 1, &bLastByte); }, true},
      {"Update changing a alone", [&](TESK_ARY a) { Tesk_Ary_Update(a, 1, &aAlone); }, false},
      {"Update changing c alone", [&](TESK_ARY a) { Tesk_Ary_Update(a, 1, &cAlone); }, false},
      {"Update writing the record as it is", [&](TESK_ARY a) { Tesk_Ary_Update(a, 1, &one); }, false},
      {"Updates of a and c, then of b", [&](TESK_ARY a) {
         Tesk_Ary_Update(a, 2, &aAlone);
         Tesk_Ary_Update(a, 1, &cAlone);
         Tesk_Ary_Update(a, 2, &bAlone);
       }, true},
      {"Update of b, then its record removed", [&](TESK_ARY a) {
         Tesk_Ary_Update(a, 1, &bAlone);
         Tesk_Ary_Remove(a, 1);
       }, true},
      {"Swap", [](TESK_ARY a) { Tesk_Ary_Swap(a, 0, 2); }, true},
      {"QuickSort", [](TESK_ARY a) { Tesk_Ary_QuickSort(a, [](const void*, const void*) { return 0; }); }, true},
      {"GetDataPtr", [](TESK_ARY a) { Tesk_Ary_GetDataPtr(a, 1); }, true},
      {"UpdateField of b", [&](TESK_ARY a) { Tesk_Ary_UpdateField(a, 1, 4, 4, &seven); }, true},
      {"UpdateField overlapping b", [&](TESK_ARY a) { Tesk_Ary_UpdateField(a, 1, 2, 4, &seven); }, true},
      {"UpdateField after a whole change",
       [&](TESK_ARY a) {
         Tesk_Ary_Update(a, 1, &five);
         const uint64_t before = Tesk_Ary_ChangeStamp(a, 4, 4);
         Tesk_Ary_UpdateField(a, 1, 4, 4, &seven);  // the record is already noted whole
         EXPECT_NE(before, Tesk_Ary_ChangeStamp(a, 4, 4));
       },
       true},
      {"RemoveAll then Add", [&](TESK_ARY a) { Tesk_Ary_RemoveAll(a); Tesk_Ary_Add(a, &five); }, true},
      {"SetSize", [](TESK_ARY a) { Tesk_Ary_SetSize(a, 3); }, true},
      {"UpdateField of a", [&](TESK_ARY a) { Tesk_Ary_UpdateField(a, 1, 0, 4, &seven); }, false},
      {"UpdateField of c", [&](TESK_ARY a) { Tesk_Ary_UpdateField(a, 1, 8, 4, &seven); }, false},
      {"ClearChanges", [](TESK_ARY a) { Tesk_Ary_ClearChanges(a); }, false},
      {"Reserve", [](TESK_ARY a) { Tesk_Ary_Reserve(a, 1000); }, false},
      {"reads", [](TESK_ARY a) { Rec r; Tesk_Ary_GetData(a, 1, &r); Tesk_Ary_ReadDataPtr(a, 2); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Ary ary = aryOf({3, 1, 2});
    Tesk_Ary_ClearChanges(ary.get());
    Tesk_Ary_UpdateField(ary.get(), 0, 4, 4, &seven);  // b has a field stamp of its own
    const uint64_t before = Tesk_Ary_ChangeStamp(ary.get(), 4, 4);
    ASSERT_NE(before, 0u);
    c.change(ary.get());
    const uint64_t after = Tesk_Ary_ChangeStamp(ary.get(), 4, 4);
    if (c.moves) {
      EXPECT_NE(before, after);
      EXPECT_NE(after, 0u);
    } else {
      EXPECT_EQ(before, after);
    }
  }
  EXPECT_EQ(Tesk_Ary_ChangeStamp(nullptr, 0, 4), 0u);
  EXPECT_EQ(Tesk_Ary_ChangeStamp(newAry().get(), 0, 4), 0u);  // no block yet
}

// However many updates come between two looks, each moves the stamps of the
// bytes it changes, and no stamp ever goes back to a number given before;
// the stamps of bytes no update changed stay put but for a rare move when
// the notes of updates run long. Field `b` of record 0 is updated once
// first, so that its stamps have something to go back to.
TEST(TeskAry, UpdatesKeepTheirStampsTrueHoweverManyComeInARow) {
  Ary ary = aryOf({0, 1, 2});
  // What one look at the stamps of a field saw, and every number seen.
  struct Look {
    int32_t offset;
    uint64_t stamp = 0;
    std::vector<uint64_t> records;
    std::vector<uint64_t> seen, seenOfRecords;
    int moves = 0, recordMoves = 0;
    // Looks again; a stamp that went back is a failure.
    void again(TESK_ARY a) {
      const uint64_t now = Tesk_Ary_ChangeStamp(a, offset, 4);
      if (now != stamp) {
        ++moves;
        EXPECT_EQ(std::find(seen.begin(), seen.end(), now), seen.end()) << "field at " << offset;
      }
      stamp = now;
      seen.push_back(now);
      std::vector<uint64_t> before = records;
      Tesk_Ary_RecordStamps(a, offset, 4, &records);
      for (size_t i = 0; i < records.size(); ++i) {
        if (i < before.size() && records[i] == before[i]) continue;
        ++recordMoves;
        EXPECT_EQ(std::find(seenOfRecords.begin(), seenOfRecords.end(), records[i]), seenOfRecords.end())
            << "field at " << offset << ", record " << i;
      }
      seenOfRecords.insert(seenOfRecords.end(), records.begin(), records.end());
    }
  } a{0, 0, {}, {}, {}, 0, 0}, b{4, 0, {}, {}, {}, 0, 0};
  a.again(ary.get());
  b.again(ary.get());
  const Rec zeroWithB{0, 55, 0};
  Tesk_Ary_Update(ary.get(), 0, &zeroWithB);
  b.again(ary.get());
  ASSERT_EQ(b.moves, 2);
  ASSERT_EQ(b.recordMoves, 4);  // three at the first look, then record 0
  for (int32_t step = 1; step <= 5000; ++step) {
    const int32_t index = step % 3;
    Rec r;
    Tesk_Ary_GetData(ary.get(), index, &r);
    r.a = 1000 + step;
    Tesk_Ary_Update(ary.get(), index, &r);
    const int movesBefore = a.moves, recordMovesBefore = a.recordMoves;
    a.again(ary.get());
    b.again(ary.get());
    ASSERT_EQ(a.moves, movesBefore + 1) << step;
    ASSERT_GT(a.recordMoves, recordMovesBefore) << step;
    if (::testing::Test::HasFailure()) return;
  }
  for (int32_t i = 0; i < 3; ++i) {
    Rec r;
    Tesk_Ary_GetData(ary.get(), i, &r);
    EXPECT_EQ(r.a, 1000 + 4998 + i) << "the last step of record " << i;
    EXPECT_EQ(r.b, i == 0 ? 55 : -i) << "bytes no update changed";
  }
  EXPECT_LT(b.moves, 2 + 10) << "5000 updates of `a` moved the stamp of `b` nearly every time";
  EXPECT_LT(b.recordMoves, 4 + 30);
}

// Two arrays never share a stamp, so a stamp kept for one array cannot be
// taken for the state of another, nor for an earlier state of its own.
TEST(TeskAry, ChangeStampsAreNeverGivenTwice) {
  Ary first = aryOf({1, 2});
  const uint64_t firstStamp = Tesk_Ary_ChangeStamp(first.get(), 0, 12);
  Ary second = aryOf({1, 2});
  EXPECT_NE(firstStamp, Tesk_Ary_ChangeStamp(second.get(), 0, 12));
  std::vector<uint64_t> seen{firstStamp};
  for (int step = 0; step < 4; ++step) {
    Tesk_Ary_Swap(first.get(), 0, 1);
    const uint64_t stamp = Tesk_Ary_ChangeStamp(first.get(), 0, 12);
    for (uint64_t earlier : seen) EXPECT_NE(stamp, earlier);
    seen.push_back(stamp);
  }
}

// Record stamps name each record's bytes: a change gives the records it may
// touch numbers never seen before, while records that only move along keep
// theirs. `kept[i]` is the old position whose stamp position i shows after
// the change, or -1 for a number never given before.
TEST(TeskAry, RecordStampsMoveWithTheRecordsAndChangeWithTheirBytes) {
  const Rec five = rec(5), one = rec(1);
  const Rec bAlone{1, 77, 3}, acOfTwo{20, -2, 60};  // rec(1), rec(2) with some fields changed
  const int32_t seven = 7;
  struct Case {
    const char* what;
    std::function<void(TESK_ARY)> change;
    std::vector<int> kept;
  } cases[] = {
      {"Add", [&](TESK_ARY a) { Tesk_Ary_Add(a, &five); }, {0, 1, 2, -1}},
      {"Insert in the middle", [&](TESK_ARY a) { Tesk_Ary_Insert(a, 1, &five); }, {0, -1, 1, 2}},
      {"Remove first", [](TESK_ARY a) { Tesk_Ary_Remove(a, 0); }, {1, 2}},
      {"Remove middle", [](TESK_ARY a) { Tesk_Ary_Remove(a, 1); }, {0, 2}},
      {"Update", [&](TESK_ARY a) { Tesk_Ary_Update(a, 1, &five); }, {0, -1, 2}},
      {"Update changing b alone", [&](TESK_ARY a) { Tesk_Ary_Update(a, 1, &bAlone); }, {0, -1, 2}},
      {"Update changing a and c", [&](TESK_ARY a) { Tesk_Ary_Update(a, 2, &acOfTwo); }, {0, 1, 2}},
      {"Update writing the record as it is", [&](TESK_ARY a) { Tesk_Ary_Update(a, 1, &one); }, {0, 1, 2}},
      {"Update of b, then Insert before it",
       [&](TESK_ARY a) {
         Tesk_Ary_Update(a, 1, &bAlone);
         Tesk_Ary_Insert(a, 0, &five);
       },
       {-1, 0, -1, 2}},
      {"Update of b, then Remove before it",
       [&](TESK_ARY a) {
         Tesk_Ary_Update(a, 1, &bAlone);
         Tesk_Ary_Remove(a, 0);
       },
       {-1, 2}},
      {"Update of b, then its record removed", [&](TESK_ARY a) {
         Tesk_Ary_Update(a, 1, &bAlone);
         Tesk_Ary_Remove(a, 1);
       }, {0, 2}},
      {"Updates of b, then RemoveMany around them",
       [&](TESK_ARY a) {
         Tesk_Ary_Update(a, 1, &bAlone);
         Tesk_Ary_Add(a, &five);
         Tesk_Ary_Add(a, &five);
         Tesk_Ary_Update(a, 4, &bAlone);
         const int32_t gone[] = {0, 3};
         Tesk_Ary_RemoveMany(a, gone, 2);
       },
       {-1, 2, -1}},
      {"Update of b, then Swap", [&](TESK_ARY a) {
         Tesk_Ary_Update(a, 1, &bAlone);
         Tesk_Ary_Swap(a, 1, 2);
       }, {0, -1, -1}},
      {"Update of b, then QuickSort", [&](TESK_ARY a) {
         Tesk_Ary_Update(a, 1, &bAlone);
         Tesk_Ary_QuickSort(a, compareA);
       }, {-1, -1, -1}},
      {"GetDataPtr", [](TESK_ARY a) { Tesk_Ary_GetDataPtr(a, 1); }, {0, -1, 2}},
      {"Swap", [](TESK_ARY a) { Tesk_Ary_Swap(a, 0, 2); }, {-1, 1, -1}},
      {"QuickSort", [](TESK_ARY a) { Tesk_Ary_QuickSort(a, compareA); }, {-1, -1, -1}},
      {"UpdateField of b", [&](TESK_ARY a) { Tesk_Ary_UpdateField(a, 1, 4, 4, &seven); }, {0, -1, 2}},
      {"UpdateField overlapping b", [&](TESK_ARY a) { Tesk_Ary_UpdateField(a, 2, 2, 4, &seven); }, {0, 1, -1}},
      {"UpdateField of a", [&](TESK_ARY a) { Tesk_Ary_UpdateField(a, 1, 0, 4, &seven); }, {0, 1, 2}},
      {"UpdateField of c", [&](TESK_ARY a) { Tesk_Ary_UpdateField(a, 1, 8, 4, &seven); }, {0, 1, 2}},
      {"UpdateField of b, then Insert before it",
       [&](TESK_ARY a) {
         Tesk_Ary_UpdateField(a, 1, 4, 4, &seven);
         Tesk_Ary_Insert(a, 0, &five);
       },
       {-1, 0, -1, 2}},
      {"UpdateField of b, then Remove before it",
       [&](TESK_ARY a) {
         Tesk_Ary_UpdateField(a, 2, 4, 4, &seven);
         Tesk_Ary_Remove(a, 0);
       },
       {1, -1}},
      {"AddUncleared",
       [&](TESK_ARY a) {
         Tesk_Ary_Reserve(a, 10);
         *static_cast<Rec*>(Tesk_Ary_AddUncleared(a)) = five;
       },
       {0, 1, 2, -1}},
      {"RemoveAll then Add", [&](TESK_ARY a) { Tesk_Ary_RemoveAll(a); Tesk_Ary_Add(a, &five); }, {-1}},
      {"saving, reads, Reserve and Trim",
       [](TESK_ARY a) {
         Tesk_Ary_ClearChanges(a);
         Rec r;
         Tesk_Ary_GetData(a, 1, &r);
         Tesk_Ary_ReadDataPtr(a, 2);
         Tesk_Ary_Reserve(a, 100);
         Tesk_Ary_Trim(a, 0);
       },
       {0, 1, 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Ary ary = aryOf({3, 1, 2});
    Tesk_Ary_UpdateField(ary.get(), 0, 4, 4, &seven);  // b has stamps of its own
    std::vector<uint64_t> before;
    Tesk_Ary_RecordStamps(ary.get(), 4, 4, &before);
    c.change(ary.get());
    std::vector<uint64_t> after;
    Tesk_Ary_RecordStamps(ary.get(), 4, 4, &after);
    ASSERT_EQ(after.size(), c.kept.size());
    for (size_t i = 0; i < after.size(); ++i) {
      EXPECT_NE(after[i], 0u) << i;
      for (size_t j = 0; j < i; ++j) EXPECT_NE(after[i], after[j]) << "records " << j << " and " << i << " share a stamp";
      if (c.kept[i] >= 0) {
        EXPECT_EQ(after[i], before[static_cast<size_t>(c.kept[i])]) << i;
      } else {
        for (uint64_t earlier : before) EXPECT_NE(after[i], earlier) << i;
      }
    }
  }
  std::vector<uint64_t> none = {1};
  Tesk_Ary_RecordStamps(nullptr, 0, 4, &none);
  EXPECT_TRUE(none.empty());
  // Records made by SetSize are not tracked: 0 tells to take them as changed.
  Ary sized = aryOf({3});
  Tesk_Ary_SetSize(sized.get(), 2);
  Tesk_Ary_RecordStamps(sized.get(), 4, 4, &none);
  EXPECT_EQ(none, (std::vector<uint64_t>{0, 0}));
}

// Whatever happened to the array, Tesk_Ary_FindKey answers what a walk from
// the first record answers, for keys present (the first of repeated keys)
// and absent, at the offset it was asked for before and at another.
TEST(TeskAry, FindKeyFindsWhatAWalkFindsAfterEveryChange) {
  const auto walk = [](TESK_ARY a, int32_t offset, int32_t key) {
    for (int32_t i = 0; i < Tesk_Ary_GetSize(a); ++i) {
      int32_t stored;
      std::memcpy(&stored, static_cast<const char*>(Tesk_Ary_ReadDataPtr(a, i)) + offset, sizeof stored);
      if (stored == key) return i;
    }
    return -1;
  };
  const Rec two = rec(2), six = rec(6), keyOfOneOtherwise{1, 40, 50};
  const int32_t nine = 9;
  struct Case {
    const char* what;
    std::function<void(TESK_ARY)> change;
  } cases[] = {
      {"Update keeping the key", [&](TESK_ARY a) { Tesk_Ary_Update(a, 1, &keyOfOneOtherwise); }},
      {"Update to a new key", [&](TESK_ARY a) { Tesk_Ary_Update(a, 1, &six); }},
      {"Update to a key held later", [&](TESK_ARY a) { Tesk_Ary_Update(a, 0, &two); }},
      {"Add a new key", [&](TESK_ARY a) { Tesk_Ary_Add(a, &six); }},
      {"Add a key held already", [&](TESK_ARY a) { Tesk_Ary_Add(a, &two); }},
      {"Insert before a key held", [&](TESK_ARY a) { Tesk_Ary_Insert(a, 0, &two); }},
      {"Remove the first of a repeated key", [](TESK_ARY a) { Tesk_Ary_Remove(a, 1); }},
      {"RemoveMany of the first of a repeated key and others",
       [](TESK_ARY a) {
         const int32_t gone[] = {0, 1, 4};
         Tesk_Ary_RemoveMany(a, gone, 3);
       }},
      {"RemoveMany after a key held already was added",
       [&](TESK_ARY a) {
         Tesk_Ary_Add(a, &two);
         EXPECT_EQ(Tesk_Ary_FindKey(a, 0, 2), 2);
         const int32_t gone[] = {2, 3};
         Tesk_Ary_RemoveMany(a, gone, 2);
       }},
      {"RemoveMany of all", [](TESK_ARY a) {
         const int32_t gone[] = {0, 1, 2, 3, 4};
         Tesk_Ary_RemoveMany(a, gone, 5);
       }},
      {"Swap", [](TESK_ARY a) { Tesk_Ary_Swap(a, 0, 3); }},
      {"QuickSort", [](TESK_ARY a) { Tesk_Ary_QuickSort(a, compareA); }},
      {"written through GetDataPtr", [](TESK_ARY a) { static_cast<Rec*>(Tesk_Ary_GetDataPtr(a, 2))->a = 9; }},
      {"UpdateField of the key", [&](TESK_ARY a) { Tesk_Ary_UpdateField(a, 3, 0, 4, &nine); }},
      {"UpdateField of other bytes", [&](TESK_ARY a) { Tesk_Ary_UpdateField(a, 3, 4, 4, &nine); }},
      {"SetSize", [](TESK_ARY a) { Tesk_Ary_SetSize(a, 2); }},
      {"RemoveAll then Add", [&](TESK_ARY a) { Tesk_Ary_RemoveAll(a); Tesk_Ary_Add(a, &six); }},
      {"several edits and appends",
       [&](TESK_ARY a) {
         for (int32_t v = 10; v < 14; ++v) {
           const Rec r = rec(v);
           Tesk_Ary_Add(a, &r);
           Tesk_Ary_Update(a, 0, &r);
         }
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (const int32_t offset : {0, 4}) {
      Ary ary = aryOf({3, 1, 2, 1, 5});
      EXPECT_EQ(Tesk_Ary_FindKey(ary.get(), 0, 1), 1);  // the index exists before the change
      c.change(ary.get());
      for (int32_t key = -14; key <= 14; ++key)
        EXPECT_EQ(Tesk_Ary_FindKey(ary.get(), offset, key), walk(ary.get(), offset, key)) << offset << " " << key;
    }
  }
  Ary ary = aryOf({3});
  EXPECT_EQ(Tesk_Ary_FindKey(ary.get(), 9, 3), -1) << "four bytes from offset 9 leave the record";
  EXPECT_EQ(Tesk_Ary_FindKey(ary.get(), -1, 3), -1);
  EXPECT_EQ(Tesk_Ary_FindKey(nullptr, 0, 3), -1);
  EXPECT_EQ(Tesk_Ary_FindKey(newAry().get(), 0, 3), -1);
}

// Edits that keep the keys, appends and removals in one pass keep the index
// rather than walk the records again: a key written behind the array's back
// (through the block, which no change notes) stays unseen until a change
// makes the index again.
TEST(TeskAry, FindKeyKeepsItsIndexOverEditsAndAppends) {
  Ary ary = aryOf({3, 1, 2});
  ASSERT_EQ(Tesk_Ary_FindKey(ary.get(), 0, 2), 2);
  int wasLocked;
  auto* records = static_cast<Rec*>(Tesk_HLock(ary->records, &wasLocked));
  records[0].a = 7;  // not through the array
  Tesk_HUnlock(ary->records, wasLocked);
  const Rec otherwise{1, 40, 50}, four = rec(4);
  Tesk_Ary_Update(ary.get(), 1, &otherwise);
  Tesk_Ary_Add(ary.get(), &four);
  EXPECT_EQ(Tesk_Ary_FindKey(ary.get(), 0, 4), 3) << "the appended key is indexed";
  EXPECT_EQ(Tesk_Ary_FindKey(ary.get(), 0, 3), 0) << "the index was kept";
  EXPECT_EQ(Tesk_Ary_FindKey(ary.get(), 0, 7), -1) << "the index was kept";
  const Rec five = rec(5), six = rec(6);
  Tesk_Ary_Add(ary.get(), &five);
  Tesk_Ary_Add(ary.get(), &six);
  const int32_t gone[] = {1, 4};
  ASSERT_EQ(Tesk_Ary_RemoveMany(ary.get(), gone, 2), 0);
  EXPECT_EQ(Tesk_Ary_FindKey(ary.get(), 0, 7), -1) << "the index was kept over RemoveMany";
  EXPECT_EQ(Tesk_Ary_FindKey(ary.get(), 0, 3), 0);
  EXPECT_EQ(Tesk_Ary_FindKey(ary.get(), 0, 1), -1);
  EXPECT_EQ(Tesk_Ary_FindKey(ary.get(), 0, 6), 3) << "a later record moved down";
  Tesk_Ary_Remove(ary.get(), 3);
  EXPECT_EQ(Tesk_Ary_FindKey(ary.get(), 0, 7), 0) << "a removal makes the index again";
  EXPECT_EQ(Tesk_Ary_FindKey(ary.get(), 0, 3), -1);
}

// Removing many records at once must leave everything that removing them
// one at a time (from the last down) leaves, on a twin array: the records,
// the count, the notes of changes, the record and change stamps and the
// key index. Stamps differ between the twins by number, so both are told as
// the old positions they show.
TEST(TeskAry, RemoveManyEndsAsSingleRemovalsFromTheLastDown) {
  const int32_t seven = 7, eight = 8;
  const auto twin = [&] {
    Ary ary = aryOf({3, 1, 2, 1, 5, 6, 2, 8, 9, 4});
    Tesk_Ary_UpdateField(ary.get(), 1, 4, 4, &seven);  // stamps of b reach record 5 only
    Tesk_Ary_UpdateField(ary.get(), 5, 4, 4, &seven);
    Tesk_Ary_ClearChanges(ary.get());
    Tesk_Ary_UpdateField(ary.get(), 2, 8, 4, &eight);  // a note of bytes only
    Tesk_Ary_UpdateField(ary.get(), 7, 8, 4, &eight);
    EXPECT_EQ(Tesk_Ary_FindKey(ary.get(), 0, 1), 1);  // the key index exists before
    return ary;
  };
  // Each stamp as the position that showed it before, -1 for a new one.
  const auto oldPositions = [](const std::vector<uint64_t>& before, const std::vector<uint64_t>& after) {
    std::vector<int> positions;
    for (uint64_t stamp : after) {
      const auto at = std::find(before.begin(), before.end(), stamp);
      positions.push_back(at == before.end() ? -1 : static_cast<int>(at - before.begin()));
    }
    return positions;
  };
  const std::vector<std::pair<int32_t, int32_t>> ranges = {{0, 12}, {4, 4}, {8, 4}};
  const std::vector<std::vector<int32_t>> indexSets = {
      {}, {0}, {9}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, {1, 4, 8}, {0, 1, 2}, {2, 3, 4, 7, 8}, {7, 8, 9}, {6, 9}, {5, 6},
  };
  for (const auto& indexes : indexSets) {
    SCOPED_TRACE(::testing::PrintToString(indexes));
    Ary many = twin(), single = twin();
    std::vector<std::vector<uint64_t>> stampsBefore[2];
    std::vector<uint64_t> changeStampsBefore[2];
    for (int t = 0; t < 2; ++t) {
      for (const auto& [offset, length] : ranges) {
        stampsBefore[t].emplace_back();
        Tesk_Ary_RecordStamps((t == 0 ? many : single).get(), offset, length, &stampsBefore[t].back());
        changeStampsBefore[t].push_back(Tesk_Ary_ChangeStamp((t == 0 ? many : single).get(), offset, length));
      }
    }
    ASSERT_EQ(Tesk_Ary_RemoveMany(many.get(), indexes.data(), indexes.size()), 0);
    for (auto at = indexes.rbegin(); at != indexes.rend(); ++at) Tesk_Ary_Remove(single.get(), *at);

    ASSERT_EQ(Tesk_Ary_GetSize(many.get()), 10 - static_cast<int32_t>(indexes.size()));
    const auto bytes = [](TESK_ARY a) {  // whole records: fields b and c were changed on their own
      std::vector<int32_t> out;
      for (int32_t i = 0; i < Tesk_Ary_GetSize(a); ++i) {
        Rec r;
        Tesk_Ary_GetData(a, i, &r);
        out.insert(out.end(), {r.a, r.b, r.c});
      }
      return out;
    };
    EXPECT_EQ(bytes(many.get()), bytes(single.get()));
    int32_t from[2], to[2];
    Tesk_Ary_GetChanges(many.get(), &from[0], &to[0]);
    Tesk_Ary_GetChanges(single.get(), &from[1], &to[1]);
    EXPECT_EQ(from[0], from[1]);
    EXPECT_EQ(to[0], to[1]);
    const auto fieldChanges = [](TESK_ARY a) {
      std::vector<std::vector<int32_t>> out;
      for (const TeskFieldChange& c : Tesk_Ary_GetFieldChanges(a)) out.push_back({c.index, c.offset, c.length});
      return out;
    };
    EXPECT_EQ(fieldChanges(many.get()), fieldChanges(single.get()));
    for (size_t r = 0; r < ranges.size(); ++r) {
      SCOPED_TRACE(ranges[r].first);
      std::vector<uint64_t> after[2];
      Tesk_Ary_RecordStamps(many.get(), ranges[r].first, ranges[r].second, &after[0]);
      Tesk_Ary_RecordStamps(single.get(), ranges[r].first, ranges[r].second, &after[1]);
      const std::vector<int> kept = oldPositions(stampsBefore[0][r], after[0]);
      EXPECT_EQ(kept, oldPositions(stampsBefore[1][r], after[1]));
      EXPECT_EQ(std::count(kept.begin(), kept.end(), -1), 0) << "every survivor keeps its stamp";
      EXPECT_EQ(Tesk_Ary_ChangeStamp(many.get(), ranges[r].first, ranges[r].second) != changeStampsBefore[0][r],
                Tesk_Ary_ChangeStamp(single.get(), ranges[r].first, ranges[r].second) != changeStampsBefore[1][r]);
    }
    for (int32_t key = -10; key <= 10; ++key) {
      EXPECT_EQ(Tesk_Ary_FindKey(many.get(), 0, key), Tesk_Ary_FindKey(single.get(), 0, key)) << key;
      EXPECT_EQ(Tesk_Ary_FindKey(many.get(), 4, key), Tesk_Ary_FindKey(single.get(), 4, key)) << key;
    }
    // Later changes find the same notes to build on.
    const Rec eleven = rec(11);
    Tesk_Ary_Add(many.get(), &eleven);
    Tesk_Ary_Add(single.get(), &eleven);
    Tesk_Ary_GetChanges(many.get(), &from[0], &to[0]);
    Tesk_Ary_GetChanges(single.get(), &from[1], &to[1]);
    EXPECT_EQ(from[0], from[1]);
    EXPECT_EQ(to[0], to[1]);
  }
}

// Indexes out of order, repeated or outside the records change nothing, not
// even the change stamp.
TEST(TeskAry, RemoveManyRefusesIndexesItCannotTakeAsTheyAre) {
  const std::vector<std::vector<int32_t>> bad = {{2, 1}, {1, 1}, {-1, 2}, {3, 4}, {0, 2, 2}};
  for (const auto& indexes : bad) {
    SCOPED_TRACE(::testing::PrintToString(indexes));
    Ary ary = aryOf({3, 1, 2, 4});
    const uint64_t stamp = Tesk_Ary_ChangeStamp(ary.get(), 0, 12);
    EXPECT_EQ(Tesk_Ary_RemoveMany(ary.get(), indexes.data(), indexes.size()), -1);
    EXPECT_EQ(values(ary.get()), (std::vector<int32_t>{3, 1, 2, 4}));
    EXPECT_EQ(Tesk_Ary_ChangeStamp(ary.get(), 0, 12), stamp);
  }
  const int32_t first = 0;
  EXPECT_EQ(Tesk_Ary_RemoveMany(nullptr, &first, 1), -1);
  EXPECT_EQ(Tesk_Ary_RemoveMany(newAry().get(), &first, 1), -1);
  EXPECT_EQ(Tesk_Ary_RemoveMany(aryOf({1}).get(), nullptr, 0), 0);
}

}  // namespace
