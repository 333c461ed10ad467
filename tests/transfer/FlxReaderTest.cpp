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
#include "format/Utf8Text.h"
#include "format/FlxKeyTable.h"

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
      {"a note line of the next key ends the note, whose key then runs over its limit",
       flxText(withValue(base, "[en_note]", "x\n[en_my_rate] 5")),
       merged(full, {{"[en_note]", "x"}, {"[en_my_rate]", "0"}})},
      {"an escaped line means nothing in a plain file",
       flxText(withValue(base, "[en_note]", "x\n\\[en_my_rate] 5")),
       merged(full, {{"[en_note]", "x\n\\[en_my_rate] 5"}})},
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
      {"[en_os] of 62 units", flxText(withValue(base, "[en_os]", std::string(62, 'o'))),
       merged(full, {{"[en_os]", std::string(62, 'o')}})},
      {"[en_os] of 63 units fills its field without the mark",
       flxText(withValue(base, "[en_os]", std::string(63, 'o'))), merged(full, {{"[en_os]", std::string(63, 'o')}})},
      {"[en_os] of 64 units is over the limit and breaks the chain",
       flxText(withValue(base, "[en_os]", std::string(64, 'o'))), merged(full, chainLostFrom("[en_os]"))},
      {"[en_file_path] of 511 units fills its field without the mark",
       flxText(withValue(base, "[en_file_path]", "/" + std::string(510, 'p'))),
       merged(full, {{"[en_file_path]", "/" + std::string(510, 'p')}})},
      {"[en_file_path] of 512 units is over the limit",
       flxText(withValue(base, "[en_file_path]", std::string(512, 'p'))),
       merged(full, chainLostFrom("[en_file_path]"))},
  };
  check(cases);
}

// Text is limited by the units its field holds before its zero unit, however
// many bytes of UTF-8 they take: with the mark where it fits so, else filling
// the field without it.
TEST_F(FlxReaderTest, TextLimitsAndConversion) {
  const Lines& base = baseLines();
  const Fields full = fieldsOf(base);
  const std::string kanji127 = repeat("字", 127);  // 381 bytes
  const std::string pairs63 = repeat("😀", 63);    // 252 bytes, 126 units
  const std::vector<ReaderCase> cases = {
      {"title of 126 units", flxText(withValue(base, "[en_title]", std::string(126, 't'))),
       merged(full, {{"[en_title]", std::string(126, 't')}})},
      {"title of 127 units", flxText(withValue(base, "[en_title]", std::string(127, 't'))),
       merged(full, {{"[en_title]", std::string(127, 't')}})},
      {"title of 128 units is over the limit", flxText(withValue(base, "[en_title]", std::string(128, 't'))),
       merged(full, {{"[en_title]", ""}})},
      {"title of 127 kanji (381 bytes)", flxText(withValue(base, "[en_title]", kanji127)),
       merged(full, {{"[en_title]", kanji127}})},
      {"title of 128 kanji is over the limit", flxText(withValue(base, "[en_title]", kanji127 + "字")),
       merged(full, {{"[en_title]", ""}})},
      {"title of 63 surrogate pairs and a kanji (127 units)",
       flxText(withValue(base, "[en_title]", pairs63 + "字")), merged(full, {{"[en_title]", pairs63 + "字"}})},
      {"title of 64 surrogate pairs (128 units) is over the limit",
       flxText(withValue(base, "[en_title]", pairs63 + "😀")), merged(full, {{"[en_title]", ""}})},
      {"title beginning with U+FEFF keeps it", flxText(withValue(base, "[en_title]", "\xEF\xBB\xBF" "abc")),
       merged(full, {{"[en_title]", "\xEF\xBB\xBF" "abc"}})},
      {"title beginning with U+FEFF that fits only without the mark is not stored",
       flxText(withValue(base, "[en_title]", "\xEF\xBB\xBF" + std::string(126, 't'))),
       merged(full, {{"[en_title]", ""}})},
      {"title of a megabyte", flxText(withValue(base, "[en_title]", std::string(1 << 20, 't'))),
       merged(full, {{"[en_title]", ""}})},
      {"note of 255 kanji", flxText(withValue(base, "[en_note]", repeat("字", 255))),
       merged(full, {{"[en_note]", repeat("字", 255)}})},
      {"note of 256 units is over the limit", flxText(withValue(base, "[en_note]", std::string(256, 'n'))),
       merged(full, {{"[en_note]", ""}})},
      {"date as it stands", flxText(withValue(base, "[en_create_date]", "2024")),
       merged(full, {{"[en_create_date]", "2024"}})},
      {"date of 18 characters is over the limit",
       flxText(withValue(base, "[en_create_date]", "202401020304050070")), merged(full, {{"[en_create_date]", ""}})},
  };
  check(cases);
}

// Text that is not UTF-8 would change on its way into a field; the file is
// refused whole and the entry is left alone.
TEST_F(FlxReaderTest, TextThatIsNotUtf8IsRefused) {
  const Lines& base = baseLines();
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"Latin-1 in a title", flxText(withValue(base, "[en_title]", "caf\xe9"))},
      {"cut sequence in a name", flxText(withValue(base, "[en_c2_name]", "\xe5\xad"))},
      {"surrogate half as UTF-8", flxText(withValue(base, "[en_note]", "\xed\xa0\x80"))},
      {"overlong slash in a path", flxText(withValue(base, "[en_file_path]", "/a\xc0\xaf" "b"))},
      {"stray byte in a number", flxText(withValue(base, "[en_my_rate]", "3\xff"))},
      {"stray byte between lines", flxText(base) + "\xfe\n"},
  };
  for (const auto& [name, text] : cases) {
    SCOPED_TRACE(name);
    const std::string file = dir_.path("paper.flx");
    writeAll(file, std::vector<uint8_t>(text.begin(), text.end()));
    FLN_ENTRY entry;
    std::memset(&entry, 0xA5, sizeof entry);
    EXPECT_EQ(ReadFLXFile(file.c_str(), &entry), kFlxReadNotUtf8);
    const auto bytes = reinterpret_cast<const uint8_t*>(&entry);
    EXPECT_EQ(std::count(bytes, bytes + sizeof entry, 0xA5), static_cast<long>(sizeof entry));
    FLN_ENTRY filled;
    EXPECT_FALSE(FillEntry_FromFLXText(text.c_str(), &filled));
    EXPECT_EQ(flxtest::describe(filled), emptyFields());
  }
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
  // Every text field ends with a zero unit, whether its text has the mark or fills it.
  for (const FlxKey& key : kFlxKeys) {
    if (key.kind != FlxValueKind::Text) continue;
    const auto field = reinterpret_cast<const uint8_t*>(&entry) + key.offset;
    EXPECT_TRUE(field[key.size - 2] == 0 && field[key.size - 1] == 0) << key.key;
  }
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
    if (!IsUtf8Text(cut)) {
      // Cut inside a character: refused whole.
      EXPECT_EQ(flxtest::describe(entry), emptyFields());
      continue;
    }
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
  // Random runs of key patterns, digits, commas, line feeds, zero bytes,
  // kanji, surrogate pairs, backslashes and the escaped version in lengths
  // around the reader limits. Text that is not UTF-8 is refused before any
  // of it is read, so the runs are UTF-8 for the reading to be tried.
  std::vector<std::string> pieces = {"\n", ",", "-", std::string(1, '\0'), "\\", "😀", "字", " ", "7", "\n\n",
                                     "\n[fln_version] 0091"};
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
      const size_t times = random() % 8 == 0 ? random() % 600 : 1;
      for (size_t t = 0; t < times; ++t) text += piece;
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
