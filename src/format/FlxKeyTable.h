#pragma once
// The keys of the metadata text file (".flx") that travels beside every
// exported PDF and is read back by an import, possibly into another library.
// The order below is the order of the lines in the file, and the reader finds
// where one value ends by where the next key begins: this table is a file
// format, so never rename, reorder, add or drop a key.

#include <cstddef>

#include "format/FlnRecords.h"

enum class FlxValueKind {
  Version,     // no field: the format version kFlxVersion
  Identifier,  // en_id: written, but an import hands out a fresh one, so never read back
  Text,        // [nS] field, UTF-8 in the file
  Date,        // 18-byte date string, written up to its zero byte
  Long,        // 32-bit signed, little-endian
  Short,       // 16-bit signed, little-endian
  Byte,        // 8-bit unsigned
  Flag,        // 8-bit, read back as 1 for any number but 0
  Rect,        // four 16-bit numbers "top,left,bottom,right"
};

/// Where the reader ends a value when the key after it is missing from the file.
enum class FlxMissingNext {
  TextEnd,  // at the end of the whole text
  NotRead,  // nowhere: the value is dropped
  Chain,    // by the running end of the last seven keys (see FlxReader.h)
};

struct FlxKey {
  const char* key;             // with its brackets, e.g. "[en_title]"
  FlxValueKind kind;
  size_t offset;               // of the field in FLN_ENTRY (0 for Version)
  size_t size;                 // of the field in bytes (0 for Version)
  // The longest value the reader takes. Text: in UTF-16 units, as many as the
  // field holds before its zero unit, so that whatever the writer writes
  // from the field reads back. Every other kind: in bytes with a zero byte.
  size_t readerLimit;
  FlxMissingNext missingNext;  // where the reader ends this value when the next key is missing
};

constexpr const char* kFlxVersion = "0090";
/// The version written instead of kFlxVersion when some text value would not
/// read back exactly from a plain file: it holds a line that reads as a key's
/// line, or it belongs to the chain and holds a line feed. Such a file has
/// those lines escaped (FlxEscape.h), and its reader takes every value from
/// its key to the next key. Every other file is written as kFlxVersion.
constexpr const char* kFlxVersionEscaped = "0091";
constexpr int kFlxKeyCount = 38;
/// Index of "[en_file_path]": it and the keys after it form the chain.
constexpr int kFlxChainFirst = 31;

#define FLX_FIELD(name) offsetof(FLN_ENTRY, name), sizeof(FLN_ENTRY::name)
// A text field and its reader limit: its units less the zero unit.
#define FLX_TEXT(name) FlxValueKind::Text, FLX_FIELD(name), sizeof(FLN_ENTRY::name) / sizeof(FlnUniChar) - 1
inline constexpr FlxKey kFlxKeys[kFlxKeyCount] = {
    {"[fln_version]", FlxValueKind::Version, 0, 0, 8, FlxMissingNext::NotRead},
    {"[en_id]", FlxValueKind::Identifier, FLX_FIELD(en_id), 8, FlxMissingNext::TextEnd},
    {"[en_file_name]", FLX_TEXT(en_file_name), FlxMissingNext::TextEnd},
    {"[en_title]", FLX_TEXT(en_title), FlxMissingNext::TextEnd},
    {"[en_file_create_date]", FlxValueKind::Date, FLX_FIELD(en_file_create_date), 18, FlxMissingNext::TextEnd},
    {"[en_c1_name]", FLX_TEXT(en_c1_name), FlxMissingNext::TextEnd},
    {"[en_c2_name]", FLX_TEXT(en_c2_name), FlxMissingNext::TextEnd},
    {"[en_c3_name]", FLX_TEXT(en_c3_name), FlxMissingNext::NotRead},
    {"[en_note]", FLX_TEXT(en_note), FlxMissingNext::NotRead},
    {"[en_my_rate]", FlxValueKind::Short, FLX_FIELD(en_my_rate), 8, FlxMissingNext::NotRead},
    {"[en_co_id]", FlxValueKind::Long, FLX_FIELD(en_co_id), 16, FlxMissingNext::NotRead},
    {"[en_create_date]", FlxValueKind::Date, FLX_FIELD(en_create_date), 18, FlxMissingNext::NotRead},
    {"[en_update_date]", FlxValueKind::Date, FLX_FIELD(en_update_date), 18, FlxMissingNext::NotRead},
    {"[en_last_view_date]", FlxValueKind::Date, FLX_FIELD(en_last_view_date), 18, FlxMissingNext::NotRead},
    {"[en_last_use_date]", FlxValueKind::Date, FLX_FIELD(en_last_use_date), 18, FlxMissingNext::NotRead},
    {"[en_window_position]", FlxValueKind::Rect, FLX_FIELD(en_window_position), 32, FlxMissingNext::NotRead},
    {"[en_window_z_index]", FlxValueKind::Long, FLX_FIELD(en_window_z_index), 16, FlxMissingNext::NotRead},
    {"[en_focus_item]", FlxValueKind::Long, FLX_FIELD(en_focus_item), 16, FlxMissingNext::NotRead},
    {"[en_detail_toggle]", FlxValueKind::Byte, FLX_FIELD(en_detail_toggle), 16, FlxMissingNext::NotRead},
    {"[en_scroll_position]", FlxValueKind::Long, FLX_FIELD(en_scroll_position), 16, FlxMissingNext::NotRead},
    {"[en_caret_position]", FlxValueKind::Long, FLX_FIELD(en_caret_position), 16, FlxMissingNext::NotRead},
    {"[en_selection_start]", FlxValueKind::Long, FLX_FIELD(en_selection_start), 16, FlxMissingNext::NotRead},
    {"[en_selection_end]", FlxValueKind::Long, FLX_FIELD(en_selection_end), 16, FlxMissingNext::NotRead},
    {"[en_author_name]", FLX_TEXT(en_author_name), FlxMissingNext::NotRead},
    {"[en_editor_name]", FLX_TEXT(en_editor_name), FlxMissingNext::NotRead},
    {"[en_supervisor_name]", FLX_TEXT(en_supervisor_name), FlxMissingNext::NotRead},
    {"[en_publisher_name]", FLX_TEXT(en_publisher_name), FlxMissingNext::NotRead},
    {"[en_translator_name]", FLX_TEXT(en_translator_name), FlxMissingNext::NotRead},
    {"[en_dlg_focus_tab]", FlxValueKind::Long, FLX_FIELD(en_dlg_focus_tab), 16, FlxMissingNext::NotRead},
    {"[en_dlg_focus_item]", FlxValueKind::Long, FLX_FIELD(en_dlg_focus_item), 16, FlxMissingNext::NotRead},
    {"[en_file_size]", FlxValueKind::Long, FLX_FIELD(en_file_size), 16, FlxMissingNext::NotRead},
    {"[en_file_path]", FLX_TEXT(en_file_path), FlxMissingNext::Chain},
    {"[en_os]", FLX_TEXT(en_os), FlxMissingNext::Chain},
    {"[en_machine_name]", FLX_TEXT(en_machine_name), FlxMissingNext::Chain},
    {"[en_pdf_window_position]", FlxValueKind::Rect, FLX_FIELD(en_pdf_window_position), 32, FlxMissingNext::Chain},
    {"[en_entry_window_ordered_index]", FlxValueKind::Short, FLX_FIELD(en_entry_window_ordered_index), 16,
     FlxMissingNext::Chain},
    {"[en_pdf_window_ordered_index]", FlxValueKind::Short, FLX_FIELD(en_pdf_window_ordered_index), 16,
     FlxMissingNext::Chain},
    {"[en_is_select_entrylist]", FlxValueKind::Flag, FLX_FIELD(en_is_select_entrylist), 16, FlxMissingNext::Chain},
};
#undef FLX_TEXT
#undef FLX_FIELD
