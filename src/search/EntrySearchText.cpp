#include "search/EntrySearchText.h"

#include <cstddef>
#include <new>

#include "search/SearchWords.h"
#include "format/Endian.h"
#include "format/FieldText.h"
#include "storage/RecordHash.h"
#include "storage/TeskAryChanges.h"

namespace {

struct FieldSpan {
  size_t offset;
  size_t bytes;
};

// The searchable fields, in the order their texts are joined.
const FieldSpan kSearchedFields[] = {
    {offsetof(FLN_ENTRY, en_title), sizeof(FLN_ENTRY::en_title)},
    {offsetof(FLN_ENTRY, en_file_name), sizeof(FLN_ENTRY::en_file_name)},
    {offsetof(FLN_ENTRY, en_author_name), sizeof(FLN_ENTRY::en_author_name)},
    {offsetof(FLN_ENTRY, en_editor_name), sizeof(FLN_ENTRY::en_editor_name)},
    {offsetof(FLN_ENTRY, en_supervisor_name), sizeof(FLN_ENTRY::en_supervisor_name)},
    {offsetof(FLN_ENTRY, en_publisher_name), sizeof(FLN_ENTRY::en_publisher_name)},
    {offsetof(FLN_ENTRY, en_translator_name), sizeof(FLN_ENTRY::en_translator_name)},
    {offsetof(FLN_ENTRY, en_note), sizeof(FLN_ENTRY::en_note)},
};

// Hashes each field only up to its zero unit: bytes after it are not text,
// and most fields are short, so this reads far less than the whole fields.
uint64_t SearchedFieldsHash(const FLN_ENTRY& entry) {
  uint64_t hashes[std::size(kSearchedFields)];
  const auto* base = reinterpret_cast<const unsigned char*>(&entry);
  for (size_t f = 0; f < std::size(kSearchedFields); ++f) {
    const unsigned char* field = base + kSearchedFields[f].offset;
    size_t used = 0;
    while (used + 1 < kSearchedFields[f].bytes && (field[used] != 0 || field[used + 1] != 0)) used += 2;
    hashes[f] = RecordHash(field, used);
  }
  return RecordHash(hashes, sizeof hashes);
}

}  // namespace

QString EntrySearchTextOf(const FLN_ENTRY& entry) {
  QString joined;
  const auto* base = reinterpret_cast<const unsigned char*>(&entry);
  for (const FieldSpan& field : kSearchedFields) {
    if (!joined.isEmpty()) joined += QLatin1Char('\n');
    joined += FLN_COMM_CreateNSString_FromUniChar_LtoN(base + field.offset, field.bytes);
  }
  return FoldForSearch(joined);
}

int EntrySearchText::update(TESK_ARY entryAry) {
  const int32_t count = Tesk_Ary_GetSize(entryAry);
  if (count > 0 && entryAry->recordSize != static_cast<int32_t>(sizeof(FLN_ENTRY))) {
    _items.clear();
    return -1;
  }
  int wasLocked = 0;
  Tesk_Ary_Lock(entryAry, &wasLocked);
  try {
    _items.resize(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i)
      bringInStep(*static_cast<const FLN_ENTRY*>(Tesk_Ary_ReadDataPtr(entryAry, i)), _items[static_cast<size_t>(i)]);
  } catch (const std::bad_alloc&) {
    _items.clear();
    Tesk_Ary_Unlock(entryAry, wasLocked);
    return -1;
  }
  Tesk_Ary_Unlock(entryAry, wasLocked);
  return 0;
}

bool EntrySearchText::foldAhead(TESK_ARY entryAry, int32_t budget) {
  const int32_t count = Tesk_Ary_GetSize(entryAry);
  if (count > 0 && entryAry->recordSize != static_cast<int32_t>(sizeof(FLN_ENTRY))) return true;
  if (_aheadFrom >= count) return true;
  int wasLocked = 0;
  Tesk_Ary_Lock(entryAry, &wasLocked);
  bool reachedEnd = true;
  try {
    _items.resize(static_cast<size_t>(count));
    const int32_t end = budget < count - _aheadFrom ? _aheadFrom + budget : count;
    for (int32_t i = _aheadFrom; i < end; ++i)
      bringInStep(*static_cast<const FLN_ENTRY*>(Tesk_Ary_ReadDataPtr(entryAry, i)), _items[static_cast<size_t>(i)]);
    _aheadFrom = end;
    reachedEnd = end == count;
  } catch (const std::bad_alloc&) {
    // Whatever was folded stays; update finds out what is missing.
  }
  Tesk_Ary_Unlock(entryAry, wasLocked);
  return reachedEnd;
}

void EntrySearchText::bringInStep(const FLN_ENTRY& entry, Item& item) {
  const int32_t id = ZEL_EndianLong_LtoN(entry.en_id);
  const uint64_t hash = SearchedFieldsHash(entry);
  // A new position starts with hash 0, which no real text hashes to
  // (bar a 2^-64 chance), so it is always folded.
  if (item.id == id && item.fieldsHash == hash) return;
  item.id = id;
  item.fieldsHash = hash;
  item.text = EntrySearchTextOf(entry);
}
