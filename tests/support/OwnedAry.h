#pragma once
// Record arrays owned by the test, and their records read back as values.

#include <cstdint>
#include <memory>
#include <vector>

#include "storage/OwnedAry.h"

namespace testsupport {

/// A record array freed with Tesk_Ary_Free when it goes: the product's
/// OwnedAry, under the short name the tests use.
using Ary = OwnedAry;

/// An empty array of `recordSize`-byte records.
inline Ary NewAry(size_t recordSize) { return Ary(Tesk_Ary_Init(static_cast<int32_t>(recordSize), 20, 20)); }

/// Every record of `ary`, in order; `Record` must be the array's record type.
template <typename Record>
std::vector<Record> RecordsOf(TESK_ARY ary) {
  std::vector<Record> records(static_cast<size_t>(Tesk_Ary_GetSize(ary)));
  for (size_t i = 0; i < records.size(); ++i) Tesk_Ary_GetData(ary, static_cast<int32_t>(i), &records[i]);
  return records;
}

}  // namespace testsupport
