#include "transfer/FlxEscape.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const FlxKey& keyNamed(const std::string& name) {
  for (const FlxKey& key : kFlxKeys)
    if (name == key.key) return key;
  ADD_FAILURE() << "no key " << name;
  return kFlxKeys[0];
}

TEST(FlxEscapeTest, KeyLinesAreTheKeysOfTheTableAndASpace) {
  const struct {
    std::string line;
    bool keyLine;
  } cases[] = {
      {"[en_my_rate] 5", true},
      {"[en_my_rate] ", true},
      {"[fln_version] 0090", true},
      {"[en_is_select_entrylist] 1", true},
      {"[en_my_rate]", false},     // no space: the reader's pattern needs one
      {"[en_my_rate]5", false},
      {" [en_my_rate] 5", false},  // not at the line's start
      {"\\[en_my_rate] 5", false},
      {"[en_my_rating] 5", false},
      {"[EN_MY_RATE] 5", false},
      {"[1] 参考文献", false},
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsFlxKeyLine(c.line), c.keyLine) << c.line;
}

TEST(FlxEscapeTest, ValuesThatAPlainFileCannotCarry) {
  const struct {
    const char* key;
    std::string value;
    bool needsEscape;
  } cases[] = {
      {"[en_note]", "一行目\n[en_my_rate] 5", true},
      {"[en_note]", "[en_my_rate] 5", false},  // the first line follows the note's own key
      {"[en_note]", "a\n[en_note] b", true},
      {"[en_note]", "a\n[en_title] b", true},   // an earlier key reads right, but is escaped alike
      {"[en_note]", "a\n\\[en_my_rate] 5", false},
      {"[en_note]", "a\n[en_my_rate]5\nb", false},
      {"[en_title]", "a\nb", false},
      {"[en_c1_name]", "x\n[en_c2_name] y", true},
      {"[en_file_path]", "/a\n/b.pdf", true},  // the chain takes no line feed
      {"[en_os]", "Linux\n6.1", true},
      {"[en_machine_name]", "pc\n", true},
      {"[en_file_path]", "/a/b.pdf", false},
      {"[en_my_rate]", "5\n[en_co_id] 1", false},  // only text values are written from text
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.key) + " " + c.value);
    EXPECT_EQ(FlxValueNeedsEscape(keyNamed(c.key), c.value), c.needsEscape);
  }
}

TEST(FlxEscapeTest, EscapingMarksKeyLinesAndComesBackExactly) {
  const struct {
    std::string value;
    std::string escaped;
  } cases[] = {
      {"", ""},
      {"[en_note] first line stays", "[en_note] first line stays"},
      {"a\n[en_my_rate] 5", "a\n\\[en_my_rate] 5"},
      {"a\n\\[en_my_rate] 5", "a\n\\\\[en_my_rate] 5"},
      {"a\n\\\\[en_my_rate] 5", "a\n\\\\\\[en_my_rate] 5"},
      {"a\n\\x\n[1] b\n\\", "a\n\\x\n[1] b\n\\"},
      {"\n[en_id] 3\n", "\n\\[en_id] 3\n"},
      {"\n\n[en_os] a\n[en_os] b\n", "\n\n\\[en_os] a\n\\[en_os] b\n"},
      {"語\n[en_note]\n[en_note] ", "語\n[en_note]\n\\[en_note] "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(FlxEscapeValue(c.value), c.escaped);
    EXPECT_EQ(FlxUnescapeValue(c.escaped), c.value);
    // No line of the escaped value begins as a key's line does.
    for (size_t feed = c.escaped.find('\n'); feed != std::string::npos; feed = c.escaped.find('\n', feed + 1))
      EXPECT_FALSE(IsFlxKeyLine(std::string_view(c.escaped).substr(feed + 1)));
  }
}

}  // namespace
