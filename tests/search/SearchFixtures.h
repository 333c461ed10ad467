#pragma once
// Entries with chosen searchable fields, for the filter's tests.

#include <cstring>
#include <string>
#include <vector>

#include "OwnedAry.h"
#include "RecordFields.h"
#include "format/FlnRecords.h"
#include "storage/TeskAry.h"
#include "format/Endian.h"

namespace searchfixtures {

using testsupport::Ary;

/// The fields a filter looks at (and one it must not: a category name).
struct EntryText {
  std::string title, fileName, author, editor, supervisor, publisher, translator, note, category;
};

inline FLN_ENTRY MakeEntry(int32_t id, const EntryText& text) {
  FLN_ENTRY entry;
  memset(&entry, 0, sizeof entry);
  entry.en_id = ZEL_EndianLong_NtoL(id);
  SET_FIELD_TEXT(entry, en_title, text.title);
  SET_FIELD_TEXT(entry, en_file_name, text.fileName);
  SET_FIELD_TEXT(entry, en_author_name, text.author);
  SET_FIELD_TEXT(entry, en_editor_name, text.editor);
  SET_FIELD_TEXT(entry, en_supervisor_name, text.supervisor);
  SET_FIELD_TEXT(entry, en_publisher_name, text.publisher);
  SET_FIELD_TEXT(entry, en_translator_name, text.translator);
  SET_FIELD_TEXT(entry, en_note, text.note);
  SET_FIELD_TEXT(entry, en_c1_name, text.category);
  return entry;
}

inline Ary MakeEntryAry(const std::vector<FLN_ENTRY>& entries) {
  Ary ary = testsupport::NewAry(sizeof(FLN_ENTRY));
  for (const FLN_ENTRY& entry : entries) Tesk_Ary_Add(ary.get(), &entry);
  return ary;
}

inline std::vector<int32_t> IdsOf(TESK_ARY entryAry) {
  std::vector<int32_t> ids;
  for (const FLN_ENTRY& entry : testsupport::RecordsOf<FLN_ENTRY>(entryAry))
    ids.push_back(testsupport::Host(entry.en_id));
  return ids;
}

}  // namespace searchfixtures
