// The metadata text file from both ends: what the writer writes, the reader
// reads back, through the names an export and an import use.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "FlxTestEntry.h"
#include "TestFiles.h"
#include "format/Endian.h"
#include "format/FlxKeyTable.h"
#include "transfer/FlxPath.h"
#include "transfer/FlxReader.h"
#include "transfer/FlxWriter.h"

namespace {

using flxtest::baseEntry;

// Every field set, to values near the edges of what each field and the reader take.
FLN_ENTRY fullEntry() {
  FLN_ENTRY e = baseEntry();
  SET_FIELD_TEXT(e, en_file_name, "論文　最終版.pdf");
  SET_FIELD_TEXT(e, en_title, std::string(42 * 3 - 3, 'x') + "題");  // 126 bytes
  SET_FIELD_TEXT(e, en_c1_name, "＜すべて＞ではない");
  SET_FIELD_TEXT(e, en_note, "一行目\n二行目\n三行目");
  e.en_my_rate = ZEL_EndianShort_NtoL(-32768);
  e.en_co_id = ZEL_EndianLong_NtoL(-2147483647 - 1);
  e.en_window_position = FlnRect{ZEL_EndianShort_NtoL(-32768), ZEL_EndianShort_NtoL(32767),
                                 ZEL_EndianShort_NtoL(-1), ZEL_EndianShort_NtoL(0)};
  e.en_window_z_index = ZEL_EndianLong_NtoL(2147483647);
  e.en_detail_toggle = 255;
  e.en_selection_end = ZEL_EndianLong_NtoL(-1);
  SET_FIELD_TEXT(e, en_translator_name, "訳者 (第2版)");
  SET_FIELD_TEXT(e, en_file_path, "/home/u/" + std::string(300, 'p') + "/論文　最終版.pdf");
  SET_FIELD_TEXT(e, en_os, "Debian GNU/Linux 12 (bookworm) ｘ８６");
  SET_FIELD_TEXT(e, en_machine_name, "書斎のPC");
  e.en_pdf_window_ordered_index = ZEL_EndianShort_NtoL(32767);
  return e;
}

class FlxFileTest : public ::testing::Test {
 protected:
  std::string pdfPath() const { return dir_.path("論文　最終版.pdf"); }
  std::string flxPath() const {
    char path[kFlnPathBufferSize];
    EXPECT_EQ(GenerateFLXFilePath_ByPDFPath(pdfPath().c_str(), path), 1);
    return path;
  }
  // Writes `entry` beside the PDF and reads it back as an import would.
  FLN_ENTRY roundTrip(const FLN_ENTRY& entry) {
    EXPECT_EQ(WriteFLXFile(&entry, flxPath().c_str()), kFlxWriteOk);
    FLN_ENTRY back;
    EXPECT_EQ(ReadFLXFile_ByPDFPath(pdfPath().c_str(), &back), 1);
    return back;
  }
  TempDir dir_;
};

TEST_F(FlxFileTest, FullyFilledEntryComesBackByteForByteButItsId) {
  for (const FLN_ENTRY& entry : {baseEntry(), fullEntry()}) {
    FLN_ENTRY expected = entry;
    expected.en_id = 0;  // an import gives the entry its own identifier
    const FLN_ENTRY back = roundTrip(entry);
    EXPECT_EQ(flxtest::describe(back), flxtest::describe(expected));
    EXPECT_EQ(std::memcmp(&back, &expected, sizeof back), 0);
  }
}

TEST_F(FlxFileTest, EdgeCasesOfTheText) {
  using Setter = void (*)(FLN_ENTRY&, const std::string&);
  const Setter note = [](FLN_ENTRY& e, const std::string& text) { SET_FIELD_TEXT(e, en_note, text); };
  const Setter title = [](FLN_ENTRY& e, const std::string& text) { SET_FIELD_TEXT(e, en_title, text); };
  const Setter os = [](FLN_ENTRY& e, const std::string& text) { SET_FIELD_TEXT(e, en_os, text); };
  std::string kanji42;  // 126 bytes in 42 characters
  for (int i = 0; i < 42; ++i) kanji42 += "題";
  struct Case {
    const char* name;
    const char* key;
    Setter set;
    std::string written;  // stored in the entry and written in full
    std::string readBack;
    long lines;           // of the written file
  };
  const Case cases[] = {
      {"three-line note", "[en_note]", note, "一行目\n二行目\n三行目", "一行目\n二行目\n三行目", 41},
      {"note ending in a line feed keeps it", "[en_note]", note, "本文\n", "本文\n", 40},
      {"title of 128 bytes", "[en_title]", title, "ab" + kanji42, "ab" + kanji42, 39},
      {"title of 126 bytes", "[en_title]", title, kanji42, kanji42, 39},
      {"line feed in [en_os]", "[en_os]", os, "Linux\n6.1", "Linux\n6.1", 40},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FLN_ENTRY entry = baseEntry();
    c.set(entry, c.written);
    const FLN_ENTRY back = roundTrip(entry);

    const std::vector<uint8_t> bytes = readAll(flxPath());
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_NE(text.find("\n" + std::string(c.key) + " " + c.written + "\n"), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), c.lines);
    EXPECT_EQ(flxtest::describe(back).at(c.key), c.readBack);
  }
}

// Stores `units` into a little-endian text field, with or without the
// leading mark, and zeroes the rest: a field as full as any writer can fill it.
void fillField(void* field, size_t fieldBytes, const std::u16string& units, bool mark) {
  std::memset(field, 0, fieldBytes);
  std::u16string stored = mark ? u"\uFEFF" + units : units;
  ASSERT_LT(stored.size(), fieldBytes / 2) << "room for the zero unit";
  for (size_t i = 0; i < stored.size(); ++i) {
    const int16_t unit = ZEL_EndianShort_NtoL(static_cast<int16_t>(stored[i]));
    std::memcpy(static_cast<char*>(field) + 2 * i, &unit, 2);
  }
}

// `count` units of kanji, or of surrogate pairs (an odd count ends in one kanji).
std::u16string kanji(size_t count) { return std::u16string(count, u'字'); }
std::u16string pairs(size_t count) {
  std::u16string units;
  for (size_t i = 0; i + 1 < count; i += 2) units += u"\U0001F600";
  if (count % 2 == 1) units += u'字';
  return units;
}

TEST_F(FlxFileTest, EveryTextFieldAtFullCapacityComesBack) {
  struct Fill {
    const char* what;
    std::u16string (*units)(size_t);
    bool mark;
  };
  const Fill fills[] = {
      {"kanji after the mark", kanji, true},
      {"kanji filling the field without the mark", kanji, false},
      {"surrogate pairs after the mark", pairs, true},
      {"surrogate pairs filling the field without the mark", pairs, false},
  };
  for (const Fill& fill : fills) {
    FLN_ENTRY all = baseEntry();
    all.en_id = 0;
    for (const FlxKey& key : kFlxKeys) {
      if (key.kind != FlxValueKind::Text) continue;
      SCOPED_TRACE(std::string(fill.what) + " in " + key.key);
      // The units a field holds before its zero unit, less the mark's.
      const size_t count = key.size / 2 - 1 - (fill.mark ? 1 : 0);
      FLN_ENTRY entry = baseEntry();
      entry.en_id = 0;
      char* field = reinterpret_cast<char*>(&entry) + key.offset;
      fillField(field, key.size, fill.units(count), fill.mark);
      std::memcpy(reinterpret_cast<char*>(&all) + key.offset, field, key.size);
      const FLN_ENTRY back = roundTrip(entry);
      EXPECT_EQ(flxtest::describe(back).at(key.key), flxtest::describe(entry).at(key.key));
      EXPECT_EQ(std::memcmp(&back, &entry, sizeof back), 0);
    }
    SCOPED_TRACE(std::string(fill.what) + " in every field at once");
    const FLN_ENTRY back = roundTrip(all);
    EXPECT_EQ(flxtest::describe(back), flxtest::describe(all));
    EXPECT_EQ(std::memcmp(&back, &all, sizeof back), 0);
  }
}

// A value holding a line that reads as a key's line, or a line feed in a value
// of the chain, is written escaped under another version and comes back
// exactly, leaving every other field as it was.
TEST_F(FlxFileTest, ValuesThatLookLikeKeysComeBackExactly) {
  using Setter = void (*)(FLN_ENTRY&, const std::string&);
  const Setter note = [](FLN_ENTRY& e, const std::string& t) { SET_FIELD_TEXT(e, en_note, t); };
  const Setter title = [](FLN_ENTRY& e, const std::string& t) { SET_FIELD_TEXT(e, en_title, t); };
  const Setter c1 = [](FLN_ENTRY& e, const std::string& t) { SET_FIELD_TEXT(e, en_c1_name, t); };
  const Setter translator = [](FLN_ENTRY& e, const std::string& t) { SET_FIELD_TEXT(e, en_translator_name, t); };
  const Setter path = [](FLN_ENTRY& e, const std::string& t) { SET_FIELD_TEXT(e, en_file_path, t); };
  const Setter os = [](FLN_ENTRY& e, const std::string& t) { SET_FIELD_TEXT(e, en_os, t); };
  const Setter machine = [](FLN_ENTRY& e, const std::string& t) { SET_FIELD_TEXT(e, en_machine_name, t); };
  struct Case {
    const char* what;
    Setter set;
    std::string value;
    const char* version;
  };
  const Case cases[] = {
      {"note line of the next key", note, "一行目\n[en_my_rate] 5", "0091"},
      {"note line of its own key and of the version", note, "a\n[en_note] b\n[fln_version] 0090", "0091"},
      {"note beginning and ending with a line feed", note, "\n[en_id] 3\n", "0091"},
      {"note whose only line looks like a key", note, "[en_my_rate] 5", "0090"},
      {"note line already behind a backslash", note, "a\n\\[en_my_rate] 5", "0090"},
      {"note with both", note, "a\n\\[en_my_rate] 5\n[en_co_id] 1", "0091"},
      {"title line of the date after it", title, "題\n[en_file_create_date] 20000101000000000", "0091"},
      {"level-1 name holding the level-2 key", c1, "x\n[en_c2_name] y", "0091"},
      {"translator line of a later key", translator, "訳\n[en_dlg_focus_tab] 9", "0091"},
      {"path with a line feed", path, "/home/u/a\nb.pdf", "0091"},
      {"system with a line feed", os, "Linux\n6.1", "0091"},
      {"machine name holding the last key", machine, "pc\n[en_is_select_entrylist] 0", "0091"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FLN_ENTRY entry = fullEntry();
    entry.en_id = 0;
    c.set(entry, c.value);
    const FLN_ENTRY back = roundTrip(entry);
    EXPECT_EQ(flxtest::describe(back), flxtest::describe(entry));
    EXPECT_EQ(std::memcmp(&back, &entry, sizeof back), 0);

    const std::vector<uint8_t> bytes = readAll(flxPath());
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(text.rfind(std::string("\n[fln_version] ") + c.version + "\n", 0), 0u);
    // Each key's pattern once: no value line reads as a key's line.
    for (const FlxKey& key : kFlxKeys) {
      const std::string pattern = std::string("\n") + key.key + " ";
      const size_t first = text.find(pattern);
      EXPECT_NE(first, std::string::npos) << key.key;
      if (std::string(c.version) == "0091") {
        EXPECT_EQ(text.find(pattern, first + 1), std::string::npos) << key.key;
      }
    }
  }
}

}  // namespace
