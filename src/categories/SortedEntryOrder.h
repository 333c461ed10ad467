#pragma once
// The order of every entry of an entry array by one set of sort keys, kept
// from one listing to the next: a new choice of categories then picks its
// entries from that order in one linear pass instead of sorting again. The
// order is made again whenever the sort keys, the array or any byte that a
// sort reads (the keys' fields, en_id) may have changed, as the array's change
// stamps tell (TeskAryChanges.h); other changes (an entry's selection flag,
// its category names) keep it.

#include <cstdint>
#include <vector>

#include "format/FlnRecords.h"
#include "storage/TeskAry.h"

class SortedEntryOrder {
 public:
  /// Sets `rows` to exactly what QuerySortedRows(cat1, cat2, cat3, entryAry,
  /// info, rows) would and returns what it would (0; -1 leaving `rows` empty).
  int query(const char* cat1, const char* cat2, const char* cat3, TESK_ARY entryAry, const FLN_ENTRY_LIST_INFO& info,
            std::vector<int32_t>& rows);

  /// How many times the whole order was made: for tests and benchmarks that
  /// check when it is kept.
  int64_t sortCount() const { return _sortCount; }

 private:
  // Whether `_order` is the order of `entryAry` by `info` as it stands now.
  bool holds(TESK_ARY entryAry, const FLN_ENTRY_LIST_INFO& info, uint64_t stamp) const;

  TESK_ARY _ary = nullptr;
  int32_t _count = 0;
  uint64_t _stamp = 0;
  FLN_ENTRY_LIST_INFO _info = {};
  bool _valid = false;
  std::vector<int32_t> _order;
  int64_t _sortCount = 0;
};
