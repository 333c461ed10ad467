#include "transfer/FlxReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <sys/stat.h>

#include "FlxTestEntry.h"
#include "TestFiles.h"

namespace {

using flxtest::baseLines;
using flxtest::emptyFields;
using flxtest::Fields;
using flxtest::fieldsOf;
using flxtest::flxText;
using flxtest::Lines;
using flxtest::withValue;
using flxtest::without;

std::string repeat(const std::string& piece, size_t times) {
  std::string text;
  for (size_t i = 0; i < times; ++i) text += piece;
  return text;
}

// The chain keys from `firstLost` on, empty or zero as a broken chain leaves them.
Fields chainLostFrom(const char* firstLost) {
  const char* keys[] = {"[en_file_path]", "[en_os]", "[en_machine_name]", "[en_pdf_window_position]",
                        "[en_entry_window_ordered_index]", "[en_pdf_window_ordered_index]",
                        "[en_is_select_entrylist]"};
  const Fields empty = emptyFields();
  Fields lost;
  bool from = false;
  for (const char* key : keys) {
    from = from || std::strcmp(key, firstLost) == 0;
    if (from) lost[key] = empty.at(key);
  }
  return lost;
}

Fields merged(Fields fields, const Fields& changes) {
  for (const auto& [key, value] : changes) fields[key] = value;
  return fields;
}

struct ReaderCase {
  const char* name;
  std::string text;
  Fields expected;
};

class FlxReaderTest : public ::testing::Test {
 protected:

  // Reads `text` (any bytes) through a file, as an import does.
  Fields readBack(const std::string& text) {
    const std::string file = dir_.path("paper.flx");
    writeAll(file, std::vector<uint8_t>(text.begin(), text.end()));
    FLN_ENTRY entry;
    std::memset(&entry, 0xA5, sizeof entry);
    EXPECT_EQ(ReadFLXFile(file.c_str(), &entry), 1);
    return flxtest::describe(entry);
  }

  // Each case's file gives exactly the expected fields.
  void check(const std::vector<ReaderCase>& cases) {
    for (const ReaderCase& c : cases) {
      SCOPED_TRACE(c.name);
      const Fields actual = readBack(c.text);
      for (const auto& [key, value] : c.expected) EXPECT_EQ(actual.at(key), value) << key;
      EXPECT_EQ(actual.size(), c.expected.size());
    }
  }

  TempDir dir_;
};

TEST_F(FlxReaderTest, CompleteFileAndTheKeyRules) {
  const Lines& base = baseLines();
  const Fields full = fieldsOf(base);
  const std::vector<ReaderCase> cases = {
      {"complete file", flxText(base), full},
      {"without [en_c2_name]: [en_c1_name] runs to the text end, over its limit",
       flxText(without(base, "[en_c2_name]")), merged(full, {{"[en_c1_name]", ""}, {"[en_c2_name]", ""}})},
      {"without [en_my_rate]: [en_note] has no end, [en_co_id] on are read",
       flxText(without(base, "[en_my_rate]")), merged(full, {{"[en_note]", ""}, {"[en_my_rate]", "0"}})},
      {"keys swapped: the first has a negative length, the second runs over the first",
       flxText([&] {
         Lines swapped = base;
         std::swap(swapped[2], swapped[3]);
         return swapped;
       }()),
       merged(full, {{"[en_file_name]", ""}, {"[en_title]", "論文の題名\n[en_file_name] paper.pdf"}})},
      {"three-line note comes back whole", flxText(withValue(base, "[en_note]", "一行目\n二行目\n三行目")),
       merged(full, {{"[en_note]", "一行目\n二行目\n三行目"}})},
      {"a key's pattern inside a value is found first",
       flxText(withValue(base, "[en_note]", "x\n[en_os] fake")),
       merged(merged(full, {{"[en_note]", "x\n[en_os] fake"}}), chainLostFrom("[en_file_path]"))},
  };
  check(cases);
}

TEST_F(FlxReaderTest, ChainStopsAtTheFirstFailure) {
  const Lines& base = baseLines();
  const Fields full = fieldsOf(base);
  const std::vector<ReaderCase> cases = {
      {"line feed in [en_os]", flxText(withValue(base, "[en_os]", "Debian\n12")),
       merged(full, chainLostFrom("[en_os]"))},
      {"line feed in [en_file_path]", flxText(withValue(base, "[en_file_path]", "/a\n/b.pdf")),
       merged(full, chainLostFrom("[en_file_path]"))},
      {"line feed in [en_pdf_window_ordered_index]",
       flxText(withValue(base, "[en_pdf_window_ordered_index]", "4\n5")),
       merged(full, chainLostFrom("[en_pdf_window_ordered_index]"))},
      {"line feed in [en_is_select_entrylist]", flxText(withValue(base, "[en_is_select_entrylist]", "1\n2")),
       merged(full, chainLostFrom("[en_is_select_entrylist]"))},
      {"without [en_machine_name]: [en_os] has no end", flxText(without(base, "[en_machine_name]")),
       merged(full, chainLostFrom("[en_os]"))},
      {"without [en_os]: values up to the text end hold line feeds, the last key is still read",
       flxText(without(base, "[en_os]")),
       merged(merged(full, chainLostFrom("[en_file_path]")), {{"[en_is_select_entrylist]", "1"}})},
      {"[en_os] of 61 bytes", flxText(withValue(base, "[en_os]", std::string(61, 'o'))),
       merged(full, {{"[en_os]", std::string(61, 'o')}})},
      {"[en_os] of 62 bytes is over the limit and breaks the chain",
       flxText(withValue(base, "[en_os]", std::string(62, 'o'))), merged(full, chainLostFrom("[en_os]"))},
      {"[en_file_path] of 510 bytes", flxText(withValue(base, "[en_file_path]", "/" + std::string(509, 'p'))),
       merged(full, {{"[en_file_path]", "/" + std::string(509, 'p')}})},
      {"[en_file_path] of 511 bytes is taken but does not fit the field; the chain goes on",
       flxText(withValue(base, "[en_file_path]", std::string(511, 'p'))), merged(full, {{"[en_file_path]", ""}})},
      {"[en_file_path] of 512 bytes is over the limit",
       flxText(withValue(base, "[en_file_path]", std::string(512, 'p'))),
       merged(full, chainLostFrom("[en_file_path]"))},
  };
  check(cases);
}

TEST_F(FlxReaderTest, TextLimitsAndConversion) {
  const Lines& base = baseLines();
  const Fields full = fieldsOf(base);
  const std::string kanji42 = repeat("字", 42);  // 126 bytes, 42 units
  const std::vector<ReaderCase> cases = {
      {"title of 126 bytes", flxText(withValue(base, "[en_title]", std::string(126, 't'))),
       merged(full, {{"[en_title]", std::string(126, 't')}})},
      {"title of 127 bytes is taken, but with mark and zero it does not fit 128 units",
       flxText(withValue(base, "[en_title]", std::string(127, 't'))), merged(full, {{"[en_title]", ""}})},
      {"title of 128 bytes is over the limit", flxText(withValue(base, "[en_title]", std::string(128, 't'))),
       merged(full, {{"[en_title]", ""}})},
      {"title of 42 kanji (126 bytes)", flxText(withValue(base, "[en_title]", kanji42)),
       merged(full, {{"[en_title]", kanji42}})},
      {"title of 128 bytes in 44 characters", flxText(withValue(base, "[en_title]", "ab" + kanji42)),
       merged(full, {{"[en_title]", ""}})},
      {"title of a megabyte", flxText(withValue(base, "[en_title]", std::string(1 << 20, 't'))),
       merged(full, {{"[en_title]", ""}})},
      {"invalid UTF-8 becomes replacement characters", flxText(withValue(base, "[en_title]", "\xff\xfe" "abc")),
       merged(full, {{"[en_title]", "\xEF\xBF\xBD\xEF\xBF\xBD" "abc"}})},
      {"note of 255 bytes", flxText(withValue(base, "[en_note]", std::string(255, 'n'))),
       merged(full, {{"[en_note]", ""}})},  // 255 units + mark + zero exceed 256 units
      {"note of 254 bytes", flxText(withValue(base, "[en_note]", std::string(254, 'n'))),
       merged(full, {{"[en_note]", std::string(254, 'n')}})},
      {"date as it stands", flxText(withValue(base, "[en_create_date]", "2024")),
       merged(full, {{"[en_create_date]", "2024"}})},
      {"date of 18 characters is over the limit",
       flxText(withValue(base, "[en_create_date]", "202401020304050070")), merged(full, {{"[en_create_date]", ""}})},
  };
  check(cases);
}

TEST_F(FlxReaderTest, NumbersAndRectangles) {
  const Lines& base = baseLines();
  const Fields full = fieldsOf(base);
  struct Number {
    const char* key;
    std::string value;
    std::string stored;
  };
  const Number numbers[] = {
      {"[en_my_rate]", "-5xyz", "-5"},
      {"[en_my_rate]", "70000", "4464"},        // low 16 bits
      {"[en_my_rate]", "1234567", "-10617"},    // 7 bytes: within the limit of 8
      {"[en_my_rate]", "12345678", "0"},        // 8 bytes: over it
      {"[en_co_id]", "-2147483648", "-2147483648"},
      {"[en_co_id]", "4294967297", "1"},        // low 32 bits
      {"[en_co_id]", "abc", "0"},
      {"[en_co_id]", "", "0"},
      {"[en_co_id]", "-", "0"},
      {"[en_scroll_position]", " +42abc", "42"},
      {"[en_window_z_index]", "\t-12 x", "-12"},
      {"[en_file_size]", "999999999999999", "-1530494977"},
      {"[en_file_size]", "9999999999999999", "0"},  // 16 bytes: over the limit
      {"[en_detail_toggle]", "300", "44"},
      {"[en_detail_toggle]", "-1", "255"},
      {"[en_is_select_entrylist]", "7", "1"},
      {"[en_is_select_entrylist]", "-1", "1"},
      {"[en_is_select_entrylist]", "0", "0"},
      {"[en_entry_window_ordered_index]", "-32769", "32767"},
      {"[en_window_position]", "10,20,300,400", "10,20,300,400"},
      {"[en_window_position]", "5", "5,0,0,0"},
      {"[en_window_position]", "1,2", "1,2,0,0"},
      {"[en_window_position]", ",,,9", "0,0,0,9"},
      {"[en_window_position]", "a,b,c,d", "0,0,0,0"},
      {"[en_window_position]", "65537,-65537,1,2,3", "1,-1,1,2"},
      {"[en_window_position]", "1,2,3,4" + std::string(24, ' '), "1,2,3,4"},  // 31 bytes
      {"[en_window_position]", "1,2,3,4" + std::string(25, ' '), "0,0,0,0"},  // 32 bytes: over the limit
      {"[en_pdf_window_position]", "-1,-2,-3,-4", "-1,-2,-3,-4"},
  };
  std::vector<ReaderCase> cases;
  for (const Number& n : numbers)
    cases.push_back({n.key, flxText(withValue(base, n.key, n.value)), merged(full, {{n.key, n.stored}})});
  check(cases);
}

TEST_F(FlxReaderTest, SparseAndDamagedFiles) {
  const Fields empty = emptyFields();
  std::string withNul = flxText(baseLines());
  withNul.insert(withNul.find("論文の題名") + std::strlen("論文"), 1, '\0');
  const std::vector<ReaderCase> cases = {
      {"empty file", "", empty},
      {"only line feeds", "\n\n\n", empty},
      {"no key", "hello\nworld [en_title] x\n", empty},
      {"no empty first line: the first key is not found", "[en_file_name] a.pdf\n[en_title] t\n",
       merged(empty, {{"[en_title]", "t"}})},
      {"value without line feed at the end", "\n[fln_version] 0090\n[en_id] 5\n[en_file_name] a.pdf",
       merged(empty, {{"[en_file_name]", "a.pdf"}})},
      {"key cut at the end of the file", "\n[en_file_name] a.pdf\n[en_tit",
       merged(empty, {{"[en_file_name]", "a.pdf\n[en_tit"}})},
      {"key without its space", "\n[en_file_name]a.pdf\n[en_title] t\n", merged(empty, {{"[en_title]", "t"}})},
      {"zero byte ends the text", withNul,
       merged(empty, {{"[en_file_name]", "paper.pdf"}, {"[en_title]", "論文"}})},
      {"note with its end", "\n[en_note] a\nb\n[en_my_rate] 4\n", merged(empty, {{"[en_note]", "a\nb"}})},
      {"[en_os] alone is not read", "\n[en_os] Linux\n", empty},
      {"last key alone", "\n[en_is_select_entrylist] 5\n", merged(empty, {{"[en_is_select_entrylist]", "1"}})},
  };
  check(cases);
}

TEST_F(FlxReaderTest, FileCutAfterALine) {
  const Lines& base = baseLines();
  struct Cut {
    size_t keptLines;
    Fields lost;
  };
  const Cut cuts[] = {
      {6, {}},                                 // through [en_c1_name]: the text end closes it
      {9, {{"[en_note]", ""}}},                // through [en_note]: not read without its end
      {32, {}},                                // through [en_file_path]
      {33, {{"[en_os]", ""}}},                 // through [en_os]: its end is the missing next key
      {37, {{"[en_pdf_window_ordered_index]", "0"}}},
      {38, {}},
  };
  std::vector<ReaderCase> cases;
  for (const Cut& cut : cuts) {
    const Lines kept(base.begin(), base.begin() + static_cast<long>(cut.keptLines));
    cases.push_back({base[cut.keptLines - 1].first.c_str(), flxText(kept), merged(fieldsOf(kept), cut.lost)});
  }
  std::string noFinalLineFeed = flxText(base);
  noFinalLineFeed.pop_back();
  cases.push_back({"complete without the final line feed", noFinalLineFeed, fieldsOf(base)});
  check(cases);
}

// Invariants of any entry the reader fills: every text field starts with the
// mark (or is untouched) and ends inside the field, every date ends inside its 18 bytes.
void expectWellFormed(const FLN_ENTRY& entry) {
  for (const auto& [key, value] : flxtest::describe(entry)) EXPECT_NE(value, "<unconvertible>") << key;
  const char* dates[] = {entry.en_file_create_date, entry.en_create_date, entry.en_update_date,
                         entry.en_last_view_date, entry.en_last_use_date};
  for (const char* date : dates) EXPECT_LT(strnlen(date, 18), 18u);
  EXPECT_LE(entry.en_is_select_entrylist, 1);
  const int32_t id = entry.en_id;
  EXPECT_EQ(id, 0);
  const auto text = reinterpret_cast<const uint8_t*>(entry.en_title);
  EXPECT_TRUE((text[0] == 0 && text[1] == 0) || (text[0] == 0xFF && text[1] == 0xFE));
}

// Fills an entry from `text` held in a heap block of exactly its size and a
// zero byte, as a file is read, so that a sanitizer sees any read past it.
FLN_ENTRY fillFromExactBuffer(const std::string& text) {
  std::unique_ptr<char[]> buffer(new char[text.size() + 1]);
  std::memcpy(buffer.get(), text.data(), text.size());
  buffer[text.size()] = '\0';
  FLN_ENTRY entry;
  FillEntry_FromFLXText(buffer.get(), &entry);
  return entry;
}

TEST(FlxReaderBoundsTest, EveryCutOfAFileReadsWithinBounds) {
  const Lines& base = baseLines();
  const std::string whole = flxText(base);
  const Fields full = fieldsOf(base);
  for (size_t length = 0; length <= whole.size(); ++length) {
    SCOPED_TRACE(length);
    const std::string cut = whole.substr(0, length);
    const FLN_ENTRY entry = fillFromExactBuffer(cut);
    expectWellFormed(entry);
    // A key before the chain whose following key is wholly in the cut is read as written.
    const Fields actual = flxtest::describe(entry);
    for (size_t i = 2; i + 1 < base.size() && base[i].first != "[en_file_path]"; ++i) {
      const std::string next = "\n" + base[i + 1].first + " ";
      if (cut.find(next) != std::string::npos) {
        EXPECT_EQ(actual.at(base[i].first), full.at(base[i].first)) << base[i].first;
      }
    }
  }
}

TEST(FlxReaderBoundsTest, GarbageReadsWithinBounds) {
  // Random runs of key patterns, digits, commas, line feeds, zero bytes and
  // broken UTF-8 in lengths around the reader limits.
  std::vector<std::string> pieces = {"\n", ",", "-", std::string(1, '\0'), "\xff", "\xe5\xad", "字", " ", "7", "\n\n"};
  for (const auto& [key, value] : baseLines()) {
    pieces.push_back("\n" + key + " ");
    pieces.push_back(key);
  }
  for (unsigned seed = 1; seed <= 300; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 random(seed);
    std::string text;
    const size_t count = random() % 400;
    for (size_t i = 0; i < count; ++i) {
      const std::string& piece = pieces[random() % pieces.size()];
      text += random() % 8 == 0 ? std::string(random() % 600, piece[0]) : piece;
    }
    expectWellFormed(fillFromExactBuffer(text));
  }
}

TEST_F(FlxReaderTest, MissingOrUnreadableFileLeavesTheEntryAlone) {
  const std::string folder = dir_.path("folder.flx");
  ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
  const std::string paths[] = {dir_.path("missing.flx"), folder};
  for (const std::string& p : paths) {
    SCOPED_TRACE(p);
    FLN_ENTRY entry;
    std::memset(&entry, 0xA5, sizeof entry);
    EXPECT_EQ(ReadFLXFile(p.c_str(), &entry), 0);
    const auto bytes = reinterpret_cast<const uint8_t*>(&entry);
    EXPECT_EQ(std::count(bytes, bytes + sizeof entry, 0xA5), static_cast<long>(sizeof entry));
  }
  FLN_ENTRY entry;
  EXPECT_EQ(ReadFLXFile(nullptr, &entry), 0);
  EXPECT_EQ(ReadFLXFile(dir_.path("missing.flx").c_str(), nullptr), 0);
}

TEST_F(FlxReaderTest, ByPDFPathReadsTheFileBesideThePDF) {
  const std::string text = flxText(baseLines());
  writeAll(dir_.path("paper.flx"), std::vector<uint8_t>(text.begin(), text.end()));
  FLN_ENTRY entry;
  EXPECT_EQ(ReadFLXFile_ByPDFPath(dir_.path("paper.pdf").c_str(), &entry), 1);
  EXPECT_EQ(flxtest::describe(entry), fieldsOf(baseLines()));
  EXPECT_EQ(ReadFLXFile_ByPDFPath(dir_.path("other.pdf").c_str(), &entry), 0);
  const std::string tooLong = dir_.path("") + std::string(600, 'p') + ".pdf";
  EXPECT_EQ(ReadFLXFile_ByPDFPath(tooLong.c_str(), &entry), 0);
}

TEST(MyGetStringParameterTest, TakesTheValueBetweenPatternAndEnd) {
  const char text[] = "\n[k] abc\n[m] a\nb\n[n] ";
  const char* k = text;          // "\n[k] "
  const char* m = text + 8;      // "\n[m] "
  const char* n = text + 16;     // "\n[n] "
  const char* textEnd = text + sizeof text - 1;
  struct Case {
    const char* name;
    const char* key;
    const char* keyPos;
    const char* end;
    size_t outSize;
    bool result;
    const char* out;  // what the buffer holds afterwards
  };
  const Case cases[] = {
      {"value", "[k]", k, m, 16, true, "abc"},
      {"exactly fits", "[k]", k, m, 4, true, "abc"},
      {"one byte short", "[k]", k, m, 3, false, "untouched"},
      {"no key", "[k]", nullptr, m, 16, false, "untouched"},
      {"no end", "[k]", k, nullptr, 16, false, "untouched"},
      {"end before start", "[m]", m, k, 16, false, "untouched"},
      {"line feed: copied, but false", "[m]", m, n, 16, false, "a\nb"},
      {"empty value at the end", "[n]", n, textEnd, 16, true, ""},
      {"no room at all", "[n]", n, textEnd, 0, false, "untouched"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    char out[16] = "untouched";
    EXPECT_EQ(MyGetStringParameter(c.key, c.keyPos, c.end, out, c.outSize), c.result);
    EXPECT_STREQ(out, c.out);
  }
}

TEST(MyGetParameterInCommaTest, SplitsAtTheFirstComma) {
  struct Case {
    std::string text, before, after;
  };
  const Case cases[] = {
      {"10,20,300,400", "10", "20,300,400"},
      {"5", "5", ""},
      {",7", "", "7"},
      {"1,", "1", ""},
      {"", "", ""},
      {std::string(100, 'b') + "," + std::string(300, 'a'), std::string(63, 'b'), std::string(254, 'a')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    char before[kCommaBeforeSize] = "x";
    char after[kCommaAfterSize] = "x";
    MyGetParameter_in_Comma(c.text.c_str(), before, after);
    EXPECT_EQ(std::string(before), c.before);
    EXPECT_EQ(std::string(after), c.after);
  }
}

}  // namespace
