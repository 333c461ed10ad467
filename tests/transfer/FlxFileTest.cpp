// The metadata text file from both ends: what the writer writes, the reader
// reads back, through the names an export and an import use.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "FlxTestEntry.h"
#include "TestFiles.h"
#include "storage/Endian.h"
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
      {"title of 128 bytes", "[en_title]", title, "ab" + kanji42, "", 39},
      {"title of 126 bytes", "[en_title]", title, kanji42, kanji42, 39},
      {"line feed in [en_os]", "[en_os]", os, "Linux\n6.1", "", 40},
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

}  // namespace
