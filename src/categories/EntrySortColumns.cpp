#include "categories/EntrySortColumns.h"

#include <algorithm>
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

// Ranks 0, 1, 2, ... for the keys sorted by `less`: keys that are equal
// (neither less than the other) share a rank.
template <typename Key, typename Less>
std::vector<uint32_t> RanksOf(std::vector<Key>& keys, Less less) {
  std::sort(keys.begin(), keys.end(), less);
  std::vector<uint32_t> column(keys.size());
  uint32_t rank = 0;
  for (size_t i = 0; i < keys.size(); ++i) {
    if (i > 0 && less(keys[i - 1], keys[i])) ++rank;
    column[keys[i].position] = rank;
  }
  return column;
}

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

// A text field's UTF-8 form, which the entry comparison orders with strcmp,
// standing in a shared pool at `at`; `chunk` holds 8 of its bytes as a number.
struct TextKey {
  uint64_t chunk;
  size_t at;
  uint32_t position;
};

// Sorts keys whose texts agree on their first `depth` bytes by their chunks
// of bytes [depth, depth + 8), then each run that agrees on those as well by
// the next 8 bytes, and so on, giving each run of equal texts the next rank.
// Most texts part within their first chunks, so most comparisons are of
// numbers and no string is compared whole.
void RankTexts(TextKey* begin, TextKey* end, const char* pool, size_t depth, uint32_t& nextRank,
               std::vector<uint32_t>& column) {
  // Past the first chunk the texts are read in sorted order, which is no
  // order in the pool: ask for each a few keys ahead of its use.
  constexpr ptrdiff_t kAhead = 8;
  for (TextKey* key = begin; key != end; ++key) {
    if (depth > 0 && end - key > kAhead) __builtin_prefetch(pool + key[kAhead].at + depth);
    key->chunk = EightBytes(pool + key->at + depth);
  }
  // Many entries may share a long text (a publisher, a series): a run that
  // agrees on the whole chunk goes on without a sort.
  if (std::any_of(begin, end, [begin](const TextKey& key) { return key.chunk != begin->chunk; }))
    std::sort(begin, end, [](const TextKey& a, const TextKey& b) { return a.chunk < b.chunk; });
  for (TextKey* run = begin; run != end;) {
    TextKey* runEnd = run + 1;
    while (runEnd != end && runEnd->chunk == run->chunk) ++runEnd;
    // A zero byte in the chunk ends each text of the run there: all equal.
    if (runEnd - run > 1 && (run->chunk & 0xFF) != 0) {
      RankTexts(run, runEnd, pool, depth + 8, nextRank, column);
    } else {
      for (TextKey* key = run; key != runEnd; ++key) column[key->position] = nextRank;
      ++nextRank;
    }
    run = runEnd;
  }
}

std::vector<uint32_t> TextColumn(TESK_ARY entries, const std::vector<int32_t>& rows, const EntryFieldInfo& field) {
  std::vector<char> pool;
  pool.reserve(rows.size() * 32);
  std::vector<TextKey> keys(rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    keys[i].at = pool.size();
    keys[i].position = static_cast<uint32_t>(i);
    AppendFieldTextUtf8(FieldOf(entries, rows[i], field), field.size, pool);
  }
  std::vector<uint32_t> column(rows.size());
  uint32_t nextRank = 0;
  RankTexts(keys.data(), keys.data() + keys.size(), pool.data(), 0, nextRank, column);
  return column;
}

// A date field's bytes up to its zero byte (or its end), zero-padded and
// read big-endian, so that the numbers order as strncmp orders the fields.
constexpr size_t kDateKeyBytes = 24;
static_assert(sizeof(FLN_ENTRY::en_file_create_date) <= kDateKeyBytes &&
                  sizeof(FLN_ENTRY::en_create_date) <= kDateKeyBytes &&
                  sizeof(FLN_ENTRY::en_update_date) <= kDateKeyBytes &&
                  sizeof(FLN_ENTRY::en_last_view_date) <= kDateKeyBytes &&
                  sizeof(FLN_ENTRY::en_last_use_date) <= kDateKeyBytes,
              "a date key holds a whole date field");

struct DateKey {
  uint64_t word[3];
  uint32_t position;
};

std::vector<uint32_t> DateColumn(TESK_ARY entries, const std::vector<int32_t>& rows, const EntryFieldInfo& field) {
  std::vector<DateKey> keys(rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    const char* bytes = FieldOf(entries, rows[i], field);
    unsigned char padded[kDateKeyBytes] = {};
    memcpy(padded, bytes, strnlen(bytes, field.size));
    for (size_t w = 0; w < 3; ++w) {
      uint64_t value = 0;
      for (size_t b = 0; b < 8; ++b) value = value << 8 | padded[w * 8 + b];
      keys[i].word[w] = value;
    }
    keys[i].position = static_cast<uint32_t>(i);
  }
  return RanksOf(keys, [](const DateKey& a, const DateKey& b) {
    return std::lexicographical_compare(a.word, a.word + 3, b.word, b.word + 3);
  });
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
      return TextColumn(entries, rows, field);
    case EntryFieldClass::Date:
      return DateColumn(entries, rows, field);
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
