#pragma once
// Small builders for category and entry records and their arrays, and
// readers of what such arrays hold; on top of the shared owned arrays and
// record field writers.

#include <cstring>
#include <string>
#include <vector>

#include "OwnedAry.h"
#include "RecordFields.h"
#include "format/FlnRecords.h"
#include "storage/TeskAry.h"
#include "format/Endian.h"
#include "format/FieldText.h"

namespace fixtures {

using namespace testsupport;

/// `piece` written `times` times in a row, for names of a chosen length.
inline std::string Repeat(const std::string& piece, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += piece;
  return text;
}

struct Triple {
  std::string c1, c2, c3;
};

inline FLN_CATS MakeCats(int32_t id, const Triple& names) {
  FLN_CATS cats;
  memset(&cats, 0, sizeof cats);
  cats.ct_id = ZEL_EndianLong_NtoL(id);
  SET_FIELD_TEXT(cats, cat1Name, names.c1);
  SET_FIELD_TEXT(cats, cat2Name, names.c2);
  SET_FIELD_TEXT(cats, cat3Name, names.c3);
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
  for (const FLN_CATS& cats : RecordsOf<FLN_CATS>(table)) {
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
  SET_FIELD_TEXT(entry, en_c1_name, names.c1);
  SET_FIELD_TEXT(entry, en_c2_name, names.c2);
  SET_FIELD_TEXT(entry, en_c3_name, names.c3);
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
  for (const FLN_ENTRY& entry : RecordsOf<FLN_ENTRY>(entryAry)) ids.push_back(Host(entry.en_id));
  return ids;
}

}  // namespace fixtures

// The widget tests spell the shared field writer this way.
#define FIXTURE_SET_TEXT(record, field, text) SET_FIELD_TEXT(record, field, text)
