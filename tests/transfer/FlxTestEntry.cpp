#include "FlxTestEntry.h"

#include <cstring>

#include "format/Endian.h"
#include "format/FieldText.h"

namespace flxtest {

namespace {

std::string textOf(const void* field, size_t bytes) {
  char out[2048];
  if (FLN_COMM_ConvertUniCharToChar_LtoN(field, bytes, out, sizeof out) != 1) return "<unconvertible>";
  return out;
}
std::string longOf(int32_t stored) { return std::to_string(ZEL_EndianLong_LtoN(stored)); }
std::string shortOf(int16_t stored) { return std::to_string(ZEL_EndianShort_LtoN(stored)); }
std::string rectOf(FlnRect r) {
  return shortOf(r.top) + "," + shortOf(r.left) + "," + shortOf(r.bottom) + "," + shortOf(r.right);
}
int32_t storedLong(int32_t value) { return ZEL_EndianLong_NtoL(value); }
int16_t storedShort(int16_t value) { return ZEL_EndianShort_NtoL(value); }
FlnRect storedRect(int16_t top, int16_t left, int16_t bottom, int16_t right) {
  return FlnRect{storedShort(top), storedShort(left), storedShort(bottom), storedShort(right)};
}

}  // namespace

const Lines& baseLines() {
  static const Lines lines = {
      {"[fln_version]", "0090"},
      {"[en_id]", "17"},
      {"[en_file_name]", "paper.pdf"},
      {"[en_title]", "論文の題名"},
      {"[en_file_create_date]", "20240102030405006"},
      {"[en_c1_name]", "物理"},
      {"[en_c2_name]", "講義"},
      {"[en_c3_name]", "その他"},
      {"[en_note]", "ひとこと"},
      {"[en_my_rate]", "-3"},
      {"[en_co_id]", "123456"},
      {"[en_create_date]", "20240102030405007"},
      {"[en_update_date]", "20240102030405008"},
      {"[en_last_view_date]", "20240102030405009"},
      {"[en_last_use_date]", "20240102030405010"},
      {"[en_window_position]", "10,20,300,400"},
      {"[en_window_z_index]", "-7"},
      {"[en_focus_item]", "2"},
      {"[en_detail_toggle]", "200"},
      {"[en_scroll_position]", "4000"},
      {"[en_caret_position]", "12"},
      {"[en_selection_start]", "3"},
      {"[en_selection_end]", "9"},
      {"[en_author_name]", "著者"},
      {"[en_editor_name]", "編者"},
      {"[en_supervisor_name]", "監修者"},
      {"[en_publisher_name]", "出版社"},
      {"[en_translator_name]", "訳者"},
      {"[en_dlg_focus_tab]", "1"},
      {"[en_dlg_focus_item]", "5"},
      {"[en_file_size]", "2097152"},
      {"[en_file_path]", "/home/u/論文/paper.pdf"},
      {"[en_os]", "Debian GNU/Linux 12 (bookworm)"},
      {"[en_machine_name]", "desk"},
      {"[en_pdf_window_position]", "-5,0,700,-32768"},
      {"[en_entry_window_ordered_index]", "2"},
      {"[en_pdf_window_ordered_index]", "-1"},
      {"[en_is_select_entrylist]", "1"},
  };
  return lines;
}

std::string flxText(const Lines& lines) {
  std::string text = "\n";
  for (const auto& [key, value] : lines) text += key + " " + value + "\n";
  return text;
}

Lines withValue(Lines lines, const std::string& key, const std::string& value) {
  for (auto& line : lines)
    if (line.first == key) line.second = value;
  return lines;
}

Lines without(Lines lines, const std::string& key) {
  Lines kept;
  for (auto& line : lines)
    if (line.first != key) kept.push_back(line);
  return kept;
}

Fields describe(const FLN_ENTRY& e) {
  return {
      {"[en_id]", longOf(e.en_id)},
      {"[en_file_name]", textOf(e.en_file_name, sizeof e.en_file_name)},
      {"[en_title]", textOf(e.en_title, sizeof e.en_title)},
      {"[en_file_create_date]", FIELD_CHARS(e, en_file_create_date)},
      {"[en_c1_name]", textOf(e.en_c1_name, sizeof e.en_c1_name)},
      {"[en_c2_name]", textOf(e.en_c2_name, sizeof e.en_c2_name)},
      {"[en_c3_name]", textOf(e.en_c3_name, sizeof e.en_c3_name)},
      {"[en_note]", textOf(e.en_note, sizeof e.en_note)},
      {"[en_my_rate]", shortOf(e.en_my_rate)},
      {"[en_co_id]", longOf(e.en_co_id)},
      {"[en_create_date]", FIELD_CHARS(e, en_create_date)},
      {"[en_update_date]", FIELD_CHARS(e, en_update_date)},
      {"[en_last_view_date]", FIELD_CHARS(e, en_last_view_date)},
      {"[en_last_use_date]", FIELD_CHARS(e, en_last_use_date)},
      {"[en_window_position]", rectOf(e.en_window_position)},
      {"[en_window_z_index]", longOf(e.en_window_z_index)},
      {"[en_focus_item]", longOf(e.en_focus_item)},
      {"[en_detail_toggle]", std::to_string(e.en_detail_toggle)},
      {"[en_scroll_position]", longOf(e.en_scroll_position)},
      {"[en_caret_position]", longOf(e.en_caret_position)},
      {"[en_selection_start]", longOf(e.en_selection_start)},
      {"[en_selection_end]", longOf(e.en_selection_end)},
      {"[en_author_name]", textOf(e.en_author_name, sizeof e.en_author_name)},
      {"[en_editor_name]", textOf(e.en_editor_name, sizeof e.en_editor_name)},
      {"[en_supervisor_name]", textOf(e.en_supervisor_name, sizeof e.en_supervisor_name)},
      {"[en_publisher_name]", textOf(e.en_publisher_name, sizeof e.en_publisher_name)},
      {"[en_translator_name]", textOf(e.en_translator_name, sizeof e.en_translator_name)},
      {"[en_dlg_focus_tab]", longOf(e.en_dlg_focus_tab)},
      {"[en_dlg_focus_item]", longOf(e.en_dlg_focus_item)},
      {"[en_file_size]", longOf(e.en_file_size)},
      {"[en_file_path]", textOf(e.en_file_path, sizeof e.en_file_path)},
      {"[en_os]", textOf(e.en_os, sizeof e.en_os)},
      {"[en_machine_name]", textOf(e.en_machine_name, sizeof e.en_machine_name)},
      {"[en_pdf_window_position]", rectOf(e.en_pdf_window_position)},
      {"[en_entry_window_ordered_index]", shortOf(e.en_entry_window_ordered_index)},
      {"[en_pdf_window_ordered_index]", shortOf(e.en_pdf_window_ordered_index)},
      {"[en_is_select_entrylist]", std::to_string(e.en_is_select_entrylist)},
  };
}

Fields fieldsOf(const Lines& lines) {
  Fields fields = emptyFields();
  for (const auto& [key, value] : lines)
    if (fields.count(key) != 0) fields[key] = value;
  fields["[en_id]"] = "0";
  return fields;
}

Fields emptyFields() {
  FLN_ENTRY empty;
  std::memset(&empty, 0, sizeof empty);
  return describe(empty);
}

FLN_ENTRY baseEntry() {
  FLN_ENTRY e;
  std::memset(&e, 0, sizeof e);
  e.en_id = storedLong(17);
  SET_FIELD_TEXT(e, en_file_name, "paper.pdf");
  SET_FIELD_TEXT(e, en_title, "論文の題名");
  std::strcpy(e.en_file_create_date, "20240102030405006");
  SET_FIELD_TEXT(e, en_c1_name, "物理");
  SET_FIELD_TEXT(e, en_c2_name, "講義");
  SET_FIELD_TEXT(e, en_c3_name, "その他");
  SET_FIELD_TEXT(e, en_note, "ひとこと");
  e.en_my_rate = storedShort(-3);
  e.en_co_id = storedLong(123456);
  std::strcpy(e.en_create_date, "20240102030405007");
  std::strcpy(e.en_update_date, "20240102030405008");
  std::strcpy(e.en_last_view_date, "20240102030405009");
  std::strcpy(e.en_last_use_date, "20240102030405010");
  e.en_window_position = storedRect(10, 20, 300, 400);
  e.en_window_z_index = storedLong(-7);
  e.en_focus_item = storedLong(2);
  e.en_detail_toggle = 200;
  e.en_scroll_position = storedLong(4000);
  e.en_caret_position = storedLong(12);
  e.en_selection_start = storedLong(3);
  e.en_selection_end = storedLong(9);
  SET_FIELD_TEXT(e, en_author_name, "著者");
  SET_FIELD_TEXT(e, en_editor_name, "編者");
  SET_FIELD_TEXT(e, en_supervisor_name, "監修者");
  SET_FIELD_TEXT(e, en_publisher_name, "出版社");
  SET_FIELD_TEXT(e, en_translator_name, "訳者");
  e.en_dlg_focus_tab = storedLong(1);
  e.en_dlg_focus_item = storedLong(5);
  e.en_file_size = storedLong(2097152);
  SET_FIELD_TEXT(e, en_file_path, "/home/u/論文/paper.pdf");
  SET_FIELD_TEXT(e, en_os, "Debian GNU/Linux 12 (bookworm)");
  SET_FIELD_TEXT(e, en_machine_name, "desk");
  e.en_pdf_window_position = storedRect(-5, 0, 700, -32768);
  e.en_entry_window_ordered_index = storedShort(2);
  e.en_pdf_window_ordered_index = storedShort(-1);
  e.en_is_select_entrylist = 1;
  return e;
}

}  // namespace flxtest
