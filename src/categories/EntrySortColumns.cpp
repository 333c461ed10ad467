#include "categories/EntrySortColumns.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "categories/EntryCompare.h"
#include "format/Endian.h"
#include "format/FieldText.h"
#include "storage/TeskAryChanges.h"

namespace {

const char* FieldOf(TESK_ARY entries, int32_t row, const EntryFieldInfo& field) {
  return static_cast<const char*>(Tesk_Ary_ReadDataPtr(entries, row)) + field.offset;
}

// A signed value as an unsigned one in the same order.
uint32_t Unsigned(int32_t value) { return static_cast<uint32_t>(value) ^ 0x80000000u; }

// The 8 bytes of the string at `text` as a number whose order is strcmp's
// order on them: the bytes past its end count as zero, below every byte a
// string holds.
uint64_t EightBytes(const char* text) {
  uint64_t value = 0;
  bool ended = false;
  for (int i = 0; i < 8; ++i) {
    ended = ended || text[i] == '\0';  // reads no byte past the zero
    value = value << 8 | (ended ? 0u : static_cast<unsigned char>(text[i]));
  }
  return value;
}

// A field as the string the entry comparison orders with strcmp (a text
// field's UTF-8 form, a date field's bytes), standing in a shared pool at
// `at`; `chunk` holds 8 of its bytes as a number.
struct StringKey {
  uint64_t chunk;
  size_t at;
  uint32_t position;
};

// Sets each key's chunk to bytes [depth, depth + 8) of its string.
void LoadChunks(StringKey* begin, StringKey* end, const char* pool, size_t depth) {
  // Past the first chunk the strings are read in sorted order, which is no
  // order in the pool: ask for each a few keys ahead of its use.
  constexpr ptrdiff_t kAhead = 8;
  for (StringKey* key = begin; key != end; ++key) {
    if (depth > 0 && end - key > kAhead) __builtin_prefetch(pool + key[kAhead].at + depth);
    key->chunk = EightBytes(pool + key->at + depth);
  }
}

// How many leading bytes all the strings of the keys share, given that they
// share their first `known` bytes and none ends among them.
size_t SharedLength(const StringKey* begin, const StringKey* end, const char* pool, size_t known) {
  const char* first = pool + begin->at;
  size_t shared = known + strlen(first + known);
  for (const StringKey* key = begin + 1; key != end; ++key) {
    const char* text = pool + key->at;
    size_t length = known;
    while (length < shared && text[length] == first[length]) ++length;
    shared = length;
  }
  return shared;
}

// Ranks keys whose strings agree on their first `depth` bytes: sorts them by
// their chunks of bytes [depth, depth + 8), then each run that agrees on
// those as well by the bytes that follow, and so on, giving each run of equal
// strings the next rank. Most strings part within their first chunks, so
// most comparisons are of numbers and no string is compared whole.
void RankStrings(StringKey* begin, StringKey* end, const char* pool, size_t depth, uint32_t& nextRank,
                 std::vector<uint32_t>& column) {
  if (begin == end) return;
  LoadChunks(begin, end, pool, depth);
  const auto differ = [begin, end] {
    return std::any_of(begin, end, [begin](const StringKey& key) { return key.chunk != begin->chunk; });
  };
  // Keys that agree on the whole chunk and go on past it (many entries may
  // share a long text: a series, a publisher) skip at once to where they
  // part, or end together, rather than a chunk at a time.
  if (!differ() && (begin->chunk & 0xFF) != 0) {
    depth = SharedLength(begin, end, pool, depth + 8);
    LoadChunks(begin, end, pool, depth);
  }
  if (differ()) std::sort(begin, end, [](const StringKey& a, const StringKey& b) { return a.chunk < b.chunk; });
  for (StringKey* run = begin; run != end;) {
    StringKey* runEnd = run + 1;
    while (runEnd != end && runEnd->chunk == run->chunk) ++runEnd;
    // A zero byte in the chunk ends each string of the run there: all equal.
    if (runEnd - run > 1 && (run->chunk & 0xFF) != 0) {
      RankStrings(run, runEnd, pool, depth + 8, nextRank, column);
    } else {
      for (StringKey* key = run; key != runEnd; ++key) column[key->position] = nextRank;
      ++nextRank;
    }
    run = runEnd;
  }
}

// Ranks the strings that `append` puts into a pool for each of the
// entries at `rows`, each with its zero byte.
template <typename Append>
std::vector<uint32_t> StringColumn(TESK_ARY entries, const std::vector<int32_t>& rows, const EntryFieldInfo& field,
                                   Append append) {
  std::vector<char> pool;
  pool.reserve(rows.size() * 32);
  std::vector<StringKey> keys(rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    keys[i].at = pool.size();
    keys[i].position = static_cast<uint32_t>(i);
    append(FieldOf(entries, rows[i], field), pool);
  }
  std::vector<uint32_t> column(rows.size());
  uint32_t nextRank = 0;
  RankStrings(keys.data(), keys.data() + keys.size(), pool.data(), 0, nextRank, column);
  return column;
}

std::vector<uint32_t> NumberColumn(TESK_ARY entries, const std::vector<int32_t>& rows, const EntryFieldInfo& field) {
  std::vector<uint32_t> column(rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    const char* bytes = FieldOf(entries, rows[i], field);
    int32_t value;
    if (field.fieldClass == EntryFieldClass::Number16) {
      int16_t stored;
      memcpy(&stored, bytes, sizeof stored);
      value = ZEL_EndianShort_LtoN(stored);
    } else {
      int32_t stored;
      memcpy(&stored, bytes, sizeof stored);
      value = ZEL_EndianLong_LtoN(stored);
    }
    column[i] = Unsigned(value);
  }
  return column;
}

}  // namespace

std::vector<uint32_t> MakeSortColumn(TESK_ARY entries, const std::vector<int32_t>& rows, const EntryFieldInfo& field) {
  switch (field.fieldClass) {
    case EntryFieldClass::Text:
      return StringColumn(entries, rows, field, [&field](const char* bytes, std::vector<char>& pool) {
        AppendFieldTextUtf8(bytes, field.size, pool);
      });
    case EntryFieldClass::Date:
      // Compared with strncmp within the field: its bytes up to a zero
      // byte or its end, as a string.
      return StringColumn(entries, rows, field, [&field](const char* bytes, std::vector<char>& pool) {
        pool.insert(pool.end(), bytes, bytes + strnlen(bytes, field.size));
        pool.push_back('\0');
      });
    case EntryFieldClass::Number32:
    case EntryFieldClass::Number16:
      break;
  }
  return NumberColumn(entries, rows, field);
}

std::vector<uint32_t> MakeIdColumn(TESK_ARY entries, const std::vector<int32_t>& rows) {
  std::vector<uint32_t> column(rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    const auto* entry = static_cast<const FLN_ENTRY*>(Tesk_Ary_ReadDataPtr(entries, rows[i]));
    column[i] = Unsigned(ZEL_EndianLong_LtoN(entry->en_id));
  }
  return column;
}

std::vector<int32_t> OrderByKeys(const FLN_ENTRY_LIST_INFO& info, size_t count, const SortColumnSource& columnOf,
                                 const std::vector<uint32_t>& ids) {
  struct Key {
    const std::vector<uint32_t>* column;
    bool ascending;
  };
  std::vector<Key> keys;
  const int used = UsedSortKeyCount(info);
  for (int key = 0; key < used; ++key) {
    const EntryFieldInfo* field = GetEntryFieldInfo(info.sortFieldKind[key]);
    if (field == nullptr) continue;  // compares as equal: adds nothing to the order
    keys.push_back(Key{&columnOf(info.sortFieldKind[key], *field), info.sortFieldAscend[key] == 1});
  }
  // Every key of an entry in one 128-bit number, most significant first: an
  // unused key is 0 for all, a descending one is inverted, and the id is
  // inverted to put the greater first.
  struct Item {
    uint64_t high;
    uint64_t low;
    uint32_t position;
  };
  std::vector<Item> items(count);
  for (size_t i = 0; i < count; ++i) {
    uint32_t value[3] = {0, 0, 0};
    for (size_t k = 0; k < keys.size(); ++k) {
      const uint32_t v = (*keys[k].column)[i];
      value[k] = keys[k].ascending ? v : ~v;
    }
    items[i] = Item{uint64_t{value[0]} << 32 | value[1], uint64_t{value[2]} << 32 | ~ids[i], static_cast<uint32_t>(i)};
  }
  std::sort(items.begin(), items.end(), [](const Item& a, const Item& b) {
    if (a.high != b.high) return a.high < b.high;
    if (a.low != b.low) return a.low < b.low;
    return a.position < b.position;
  });
  std::vector<int32_t> order(count);
  for (size_t i = 0; i < count; ++i) order[i] = static_cast<int32_t>(items[i].position);
  return order;
}
