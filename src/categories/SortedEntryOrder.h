#pragma once
// The order of every entry of an entry array by one set of sort keys, kept
// from one listing to the next: a new choice of categories then picks its
// entries from that order in one linear pass instead of sorting again. The
// order is made again whenever the sort keys, the array or any byte that a
// sort reads (the keys' fields, en_id) may have changed, as the array's change
// stamps tell (TeskAryChanges.h); other changes (an entry's selection flag,
// its category names) keep it.
//
// Making the order again takes the column of each key (EntrySortColumns.h)
// for every entry. Those are kept too, each for as long as its own field is
// unchanged, whatever keys it next serves with: a click on a column header
// then makes at most the clicked column's, and sorts numbers. A column holds
// 4 bytes an entry; one is kept for each field that has been a sort key.

#include <cstdint>
#include <vector>

#include "format/EntryFieldKind.h"
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
  /// How many key columns were made (the ids' not counted): for the same.
  int64_t columnCount() const { return _columnCount; }

 private:
  // A column for every entry of `ary` as it stood at `stamp`, the change
  // stamp of the bytes it was made from, with `count` entries.
  struct KeptColumn {
    TESK_ARY ary = nullptr;
    int32_t count = 0;
    uint64_t stamp = 0;
    std::vector<uint32_t> values;
  };

  // Whether `_order` is the order of `entryAry` by `info` as it stands now.
  bool holds(TESK_ARY entryAry, const FLN_ENTRY_LIST_INFO& info, uint64_t stamp) const;
  // Makes `_order` from the columns, kept or made. 0, or -1 as QuerySortedRows.
  int sortAll(TESK_ARY entryAry, const FLN_ENTRY_LIST_INFO& info);
  // `kept` if it was made from the bytes [offset, offset + size) of every
  // entry of `entryAry` as they are now, else made again by `make`.
  template <typename Make>
  const std::vector<uint32_t>& keptOrMade(KeptColumn& kept, TESK_ARY entryAry, size_t offset, size_t size,
                                          Make make);

  TESK_ARY _ary = nullptr;
  int32_t _count = 0;
  uint64_t _stamp = 0;
  FLN_ENTRY_LIST_INFO _info = {};
  bool _valid = false;
  std::vector<int32_t> _order;
  KeptColumn _columns[kEntryFieldPublisher + 1];  // by field kind
  KeptColumn _ids;
  int64_t _sortCount = 0;
  int64_t _columnCount = 0;
};
