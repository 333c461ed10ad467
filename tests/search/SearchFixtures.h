#pragma once
// Entries with chosen searchable fields, for the filter's tests.

#include <cstring>
#include <QString>
#include <string>
#include <vector>

#include "OwnedAry.h"
#include "RecordFields.h"
#include "format/FlnRecords.h"
#include "storage/TeskAry.h"
#include "format/Endian.h"
#include "format/FieldText.h"
#include "textfold/SearchFold.h"

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

/// Stores `units` as they are (no mark added, no terminator unless the
/// field has room after them) into a little-endian text field, zeroing the
/// rest: for fields UTF-8 cannot spell (a lone surrogate half, no mark).
template <size_t N>
void SetUnits(FlnUniChar (&field)[N], const std::u16string& units) {
  memset(field, 0, sizeof field);
  for (size_t i = 0; i < units.size() && i < N; ++i) {
    const int16_t stored = ZEL_EndianShort_NtoL(static_cast<int16_t>(units[i]));
    memcpy(&field[i], &stored, sizeof stored);
  }
}

/// An entry's searchable text worked out the plain way: each field read as
/// a string, joined by line breaks from the first text on, and the whole
/// folded by the rule itself. What EntrySearchText must hold for it.
inline QString ReferenceSearchText(const FLN_ENTRY& entry) {
  QString joined;
  for (const QString& field : {FieldText(entry.en_title), FieldText(entry.en_file_name),
                               FieldText(entry.en_author_name), FieldText(entry.en_editor_name),
                               FieldText(entry.en_supervisor_name), FieldText(entry.en_publisher_name),
                               FieldText(entry.en_translator_name), FieldText(entry.en_note)}) {
    if (!joined.isEmpty()) joined += QLatin1Char('\n');
    joined += field;
  }
  return FoldForSearchWhole(joined);
}

/// Entries whose searchable text folds in every way there is: shared
/// unchanged, case, width, composition across a field's start, growing
/// runs, surrogate pairs and lone halves, and fields read oddly (no mark,
/// two marks, no terminator, empty fields first).
inline std::vector<FLN_ENTRY> EntriesFoldedEveryWay() {
  std::vector<FLN_ENTRY> entries = {
      MakeEntry(1, {"already folded", "a.pdf", "", "", "", "", "", "", ""}),
      MakeEntry(2, {"Deep Learning", "DEEP.PDF", "Yann LeCun", "", "", "MIT Press", "", "Ｎｏｔｅｓ", ""}),
      MakeEntry(3, {"ｶﾞｷﾞｸﾞ ﾊﾟ", "か\u3099.pdf", "山田太郎", "", "", "岩波書店", "", "ひらがな カタカナ", ""}),
      MakeEntry(4, {"École", "e", "\u0301cole", "", "", "", "", "", ""}),  // a mark opening a field
      MakeEntry(5, {"", "", "", "Editor Eve", "", "", "", "", ""}),        // empty fields first
      MakeEntry(6, {"㍻ ﬁle ①②", "STRASSE Straße", "ΣΊΣΥΦΟΣ", "", "", "", "", "", ""}),
      MakeEntry(7, {"𠮷野家 𝐀𝐁𝐂", "", "", "", "", "", "Translator Tom", "\u1100\u1161\u11A8", ""}),
      MakeEntry(8, {"", "", "", "", "", "", "", "", ""}),
  };
  FLN_ENTRY lone = MakeEntry(9, {"", "lone.pdf", "", "", "", "", "", "ＮＥＥＤＳ ＮＦＫＣ", ""});
  SetUnits(lone.en_title, u"\uFEFFhalf \xD800 pair");  // a lone half, and text to normalize elsewhere
  entries.push_back(lone);
  FLN_ENTRY odd = MakeEntry(10, {"", "", "", "", "", "", "", "", ""});
  SetUnits(odd.en_title, u"No Mark");
  SetUnits(odd.en_file_name, u"\uFEFF\uFEFFTwo Marks");
  SetUnits(odd.en_author_name, std::u16string(128, u'Ａ'));  // no terminator: the last unit is not read
  SetUnits(odd.en_note, u"\uFEFF\xDC00");
  entries.push_back(odd);
  return entries;
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
