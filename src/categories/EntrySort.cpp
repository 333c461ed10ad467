#include "categories/EntrySort.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "categories/EntryCompare.h"
#include "categories/EntryQuery.h"
#include "format/FieldText.h"
#include "format/Endian.h"
#include "storage/TeskAryChanges.h"

namespace {

// One used sort key with its value for every entry, taken once: texts and
// dates as zero-terminated byte strings (compared with strcmp, as the entry
// comparison does), numbers as host values. The first bytes of each string
// are also kept as one number that orders as they do, so that most
// comparisons are settled without reaching into the pool.
struct KeyValues {
  bool ascending = true;
  bool isString = false;
  std::vector<size_t> textAt;     // offset of each entry's string in the pool
  std::vector<uint64_t> leading;  // its first 8 bytes, big-endian, zero-padded
  std::vector<int32_t> number;
};

// The first 8 bytes of the string at `text` as a number whose order is
// strcmp's order on them: the bytes past its end count as zero, below
// every byte a string holds.
uint64_t LeadingBytes(const char* text) {
  uint64_t value = 0;
  bool ended = false;
  for (int i = 0; i < 8; ++i) {
    ended = ended || text[i] == '\0';  // reads no byte past the zero
    value = value << 8 | (ended ? 0u : static_cast<unsigned char>(text[i]));
  }
  return value;
}

struct SortTable {
  std::vector<KeyValues> keys;
  std::vector<char> pool;
  std::vector<int32_t> ids;
};

void AppendString(std::vector<char>& pool, const char* text, size_t length) {
  pool.insert(pool.end(), text, text + length);
  pool.push_back('\0');
}

// Reads every value the comparison will need from the locked records
// rows[0], rows[1], ...; the values of rows[i] stand at position i.
void BuildSortTable(TESK_ARY entries, const std::vector<int32_t>& rows,
                    const FLN_ENTRY_LIST_INFO& info, SortTable& table) {
  const size_t count = rows.size();
  const auto entryAt = [&](size_t i) {
    return static_cast<const FLN_ENTRY*>(Tesk_Ary_ReadDataPtr(entries, rows[i]));
  };
  table.ids.resize(count);
  for (size_t i = 0; i < count; ++i) table.ids[i] = ZEL_EndianLong_LtoN(entryAt(i)->en_id);
  const int used = UsedSortKeyCount(info);
  table.pool.reserve(count * static_cast<size_t>(used) * 48);
  for (int key = 0; key < used; ++key) {
    const EntryFieldInfo* field = GetEntryFieldInfo(info.sortFieldKind[key]);
    if (field == nullptr) continue;  // compares as equal: adds nothing to the order
    KeyValues values;
    values.ascending = info.sortFieldAscend[key] == 1;
    values.isString = field->fieldClass == EntryFieldClass::Text ||
                      field->fieldClass == EntryFieldClass::Date;
    if (values.isString)
      values.textAt.resize(count);
    else
      values.number.resize(count);
    for (size_t i = 0; i < count; ++i) {
      const char* bytes = reinterpret_cast<const char*>(entryAt(i)) + field->offset;
      switch (field->fieldClass) {
        case EntryFieldClass::Text:
          values.textAt[i] = table.pool.size();
          AppendFieldTextUtf8(bytes, field->size, table.pool);
          break;
        case EntryFieldClass::Date:
          values.textAt[i] = table.pool.size();
          AppendString(table.pool, bytes, strnlen(bytes, field->size));
          break;
        case EntryFieldClass::Number32: {
          int32_t stored;
          memcpy(&stored, bytes, sizeof stored);
          values.number[i] = ZEL_EndianLong_LtoN(stored);
          break;
        }
        case EntryFieldClass::Number16: {
          int16_t stored;
          memcpy(&stored, bytes, sizeof stored);
          values.number[i] = ZEL_EndianShort_LtoN(stored);
          break;
        }
      }
    }
    if (values.isString) {
      values.leading.resize(count);
      for (size_t i = 0; i < count; ++i) values.leading[i] = LeadingBytes(table.pool.data() + values.textAt[i]);
    }
    table.keys.push_back(std::move(values));
  }
}

// Moves the records so that position p receives the record that was at
// order[p], following each cycle of the permutation with one spare record.
void ApplyOrder(TESK_ARY entries, const std::vector<int32_t>& order, std::vector<bool>& placed,
                std::vector<char>& spare) {
  const size_t recordSize = sizeof(FLN_ENTRY);
  for (size_t start = 0; start < order.size(); ++start) {
    if (placed[start] || order[start] == static_cast<int32_t>(start)) continue;
    memcpy(spare.data(), Tesk_Ary_GetDataPtr(entries, static_cast<int32_t>(start)), recordSize);
    size_t at = start;
    for (;;) {
      placed[at] = true;
      const size_t from = static_cast<size_t>(order[at]);
      void* dest = Tesk_Ary_GetDataPtr(entries, static_cast<int32_t>(at));
      if (from == start) {
        memcpy(dest, spare.data(), recordSize);
        break;
      }
      memcpy(dest, Tesk_Ary_GetDataPtr(entries, static_cast<int32_t>(from)), recordSize);
      at = from;
    }
  }
}

// Puts `rows` (indexes of locked records of `entries`, ascending) in the
// order of the keys of `info`. May throw std::bad_alloc, leaving `rows` as
// it was.
void SortRows(TESK_ARY entries, const FLN_ENTRY_LIST_INFO& info, std::vector<int32_t>& rows) {
  SortTable table;
  BuildSortTable(entries, rows, info, table);
  const char* pool = table.pool.data();

  std::vector<int32_t> order(rows.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int32_t>(i);
  std::sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
    const size_t ia = static_cast<size_t>(a);
    const size_t ib = static_cast<size_t>(b);
    for (const KeyValues& key : table.keys) {
      int c;
      if (key.isString) {
        const uint64_t la = key.leading[ia];
        const uint64_t lb = key.leading[ib];
        c = la < lb ? -1 : la > lb ? 1 : strcmp(pool + key.textAt[ia], pool + key.textAt[ib]);
      } else {
        c = key.number[ia] < key.number[ib] ? -1 : key.number[ia] > key.number[ib] ? 1 : 0;
      }
      if (c != 0) return key.ascending ? c < 0 : c > 0;
    }
    if (table.ids[ia] != table.ids[ib]) return table.ids[ia] > table.ids[ib];
    return a < b;  // only a repeated en_id gets here: keep the given order
  });
  for (int32_t& position : order) position = rows[static_cast<size_t>(position)];
  rows.swap(order);
}

}  // namespace

int SortEntryArray(TESK_ARY entries, const FLN_ENTRY_LIST_INFO& info) {
  const int32_t count = Tesk_Ary_GetSize(entries);
  if (count < 2) return 0;
  if (entries->recordSize != static_cast<int32_t>(sizeof(FLN_ENTRY))) return -1;

  int wasLocked = 0;
  Tesk_Ary_Lock(entries, &wasLocked);
  int result = 0;
  try {
    std::vector<int32_t> order(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) order[static_cast<size_t>(i)] = i;
    SortRows(entries, info, order);
    std::vector<bool> placed(order.size(), false);
    std::vector<char> spare(sizeof(FLN_ENTRY));
    ApplyOrder(entries, order, placed, spare);
  } catch (const std::bad_alloc&) {
    result = -1;  // nothing has moved yet: ApplyOrder allocates nothing
  }
  Tesk_Ary_Unlock(entries, wasLocked);
  return result;
}

int QuerySortedRows(const char* cat1, const char* cat2, const char* cat3, TESK_ARY entryAry,
                    const FLN_ENTRY_LIST_INFO& info, std::vector<int32_t>& rows) {
  if (QueryEntryRows(cat1, cat2, cat3, entryAry, rows) != 0) return -1;
  int wasLocked = 0;
  Tesk_Ary_Lock(entryAry, &wasLocked);
  int result = 0;
  try {
    SortRows(entryAry, info, rows);
  } catch (const std::bad_alloc&) {
    rows.clear();
    result = -1;
  }
  Tesk_Ary_Unlock(entryAry, wasLocked);
  return result;
}
