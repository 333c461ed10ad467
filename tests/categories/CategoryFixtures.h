#pragma once
// Small builders for category and entry records, and owned record arrays.

#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "library/FlnRecords.h"
#include "storage/Endian.h"
#include "storage/FolianCommon.h"
#include "storage/TeskAry.h"

namespace fixtures {

struct AryDeleter {
  void operator()(TeskAryHeader* ary) const { Tesk_Ary_Free(ary); }
};
using Ary = std::unique_ptr<TeskAryHeader, AryDeleter>;

inline Ary NewAry(size_t recordSize) {
  return Ary(Tesk_Ary_Init(static_cast<int32_t>(recordSize), 20, 20));
}

/// Stores UTF-8 `text` into a little-endian text field of `fieldBytes` bytes.
inline void SetText(void* field, size_t fieldBytes, const std::string& text) {
  memset(field, 0, fieldBytes);
  if (FLN_COMM_ConvertCharToUniChar_NtoL(text.c_str(), field, fieldBytes) != 1)
    throw std::runtime_error("text does not fit its field: " + text);
}
#define FIXTURE_SET_TEXT(record, field, text) \
  fixtures::SetText((record).field, sizeof((record).field), (text))

struct Triple {
  std::string c1, c2, c3;
};

inline FLN_CATS MakeCats(int32_t id, const Triple& names) {
  FLN_CATS cats;
  memset(&cats, 0, sizeof cats);
  cats.ct_id = ZEL_EndianLong_NtoL(id);
  FIXTURE_SET_TEXT(cats, cat1Name, names.c1);
  FIXTURE_SET_TEXT(cats, cat2Name, names.c2);
  FIXTURE_SET_TEXT(cats, cat3Name, names.c3);
  return cats;
}

/// A category table of the triples, with ct_id 0, 1, 2, ...
inline Ary MakeCatsTable(const std::vector<Triple>& triples) {
  Ary table = NewAry(sizeof(FLN_CATS));
  int32_t id = 0;
  for (const Triple& names : triples) {
    FLN_CATS cats = MakeCats(id++, names);
    Tesk_Ary_Add(table.get(), &cats);
  }
  return table;
}

/// The triples of a category table, as UTF-8 names.
inline std::vector<std::vector<std::string>> TriplesOf(TESK_ARY table) {
  std::vector<std::vector<std::string>> result;
  for (int32_t i = 0; i < Tesk_Ary_GetSize(table); ++i) {
    FLN_CATS cats;
    Tesk_Ary_GetData(table, i, &cats);
    std::vector<std::string> names;
    for (const void* field : {static_cast<const void*>(cats.cat1Name),
                              static_cast<const void*>(cats.cat2Name),
                              static_cast<const void*>(cats.cat3Name)}) {
      char utf8[512] = {};
      FLN_COMM_ConvertUniCharToChar_LtoN(field, sizeof cats.cat1Name, utf8, sizeof utf8);
      names.push_back(utf8);
    }
    result.push_back(names);
  }
  return result;
}

/// The records of a name array (128-byte UTF-8 records) in order.
inline std::vector<std::string> NamesOf(TESK_ARY nameAry) {
  std::vector<std::string> names;
  for (int32_t i = 0; i < Tesk_Ary_GetSize(nameAry); ++i) {
    char record[kCategoryNameSize];
    Tesk_Ary_GetData(nameAry, i, record);
    names.emplace_back(record, strnlen(record, sizeof record));
  }
  return names;
}

inline Ary MakeNameAry(const std::vector<std::string>& names) {
  Ary ary = NewAry(kCategoryNameSize);
  for (const std::string& name : names) {
    char record[kCategoryNameSize] = {};
    memcpy(record, name.data(), name.size());
    Tesk_Ary_Add(ary.get(), record);
  }
  return ary;
}

/// An entry with the given id and category names; every other field zero.
inline FLN_ENTRY MakeEntry(int32_t id, const Triple& names = {"その他", "その他", "その他"}) {
  FLN_ENTRY entry;
  memset(&entry, 0, sizeof entry);
  entry.en_id = ZEL_EndianLong_NtoL(id);
  FIXTURE_SET_TEXT(entry, en_c1_name, names.c1);
  FIXTURE_SET_TEXT(entry, en_c2_name, names.c2);
  FIXTURE_SET_TEXT(entry, en_c3_name, names.c3);
  return entry;
}

inline Ary MakeEntryAry(const std::vector<FLN_ENTRY>& entries) {
  Ary ary = NewAry(sizeof(FLN_ENTRY));
  for (const FLN_ENTRY& entry : entries) Tesk_Ary_Add(ary.get(), &entry);
  return ary;
}

/// The host-order en_id of each record, in order.
inline std::vector<int32_t> IdsOf(TESK_ARY entryAry) {
  std::vector<int32_t> ids;
  for (int32_t i = 0; i < Tesk_Ary_GetSize(entryAry); ++i) {
    FLN_ENTRY entry;
    Tesk_Ary_GetData(entryAry, i, &entry);
    ids.push_back(ZEL_EndianLong_LtoN(entry.en_id));
  }
  return ids;
}

}  // namespace fixtures
