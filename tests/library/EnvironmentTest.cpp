#include <gtest/gtest.h>

#include <cstring>

#include "LibraryTestSupport.h"
#include "library/FlnEnvironment.h"
#include "library/FlnIdCounter.h"

using namespace libtest;

namespace {

class Environment : public ::testing::Test {
 protected:
  void SetUp() override { CreateAndLoad(dir.path("lib.fln"), &library); }
  FLN_ENV Record(int32_t i) {
    FLN_ENV e;
    Tesk_Ary_GetData(library.data.envAry, i, &e);
    return e;
  }
  FrozenClock clock{FixedTime()};
  TempDir dir;
  Library library;
};

TEST_F(Environment, SavingAKeyTwiceKeepsOneRecord) {
  ASSERT_EQ(SaveEnvironment(&library.data, "main_window_position", "1,2,3,4"), 0);
  ASSERT_EQ(SaveEnvironment(&library.data, "cat1_scroll_position", "0.000000,10.000000"), 0);
  clock.set(FixedTime().addSecs(1));
  ASSERT_EQ(SaveEnvironment(&library.data, "cat1_scroll_position", "0.000000,99.000000"), 0);

  ASSERT_EQ(Tesk_Ary_GetSize(library.data.envAry), 2);
  const FLN_ENV e = Record(1);
  EXPECT_EQ(Host(e.ev_id), 1);
  EXPECT_EQ(FIELD_TEXT(e, key), "cat1_scroll_position");
  EXPECT_EQ(FIELD_TEXT(e, value), "0.000000,99.000000");
  EXPECT_EQ(Chars(e.createDate, 18), kFixedDate);
  EXPECT_EQ(Chars(e.updateDate, 18), "20261208211321500");
  EXPECT_EQ(GetIdFromIdCounter(library.data.idCounter, kTagEnvironment, "ev_id"), 2);

  char out[kEnvValueBufferSize];
  ASSERT_EQ(GetEnvironmentValue(library.data.envAry, "cat1_scroll_position", out), 1);
  EXPECT_STREQ(out, "0.000000,99.000000");
}

// Whatever a value field holds reads back whole: a long category name chosen
// in a list is remembered like a short one.
TEST_F(Environment, GetAnswersEveryValueThatWasSaved) {
  const std::string japanese42 = [] {
    std::string s;
    for (int i = 0; i < 42; ++i) s += "分";
    return s;
  }();
  const struct {
    const char* name;
    std::string value;
  } cases[] = {
      {"empty", ""},
      {"126 ASCII characters", std::string(126, 'v')},
      {"42 Japanese characters, 126 bytes", japanese42},
      {"43 Japanese characters, 129 bytes", japanese42 + "類"},
      {"126 Japanese characters, 378 bytes", japanese42 + japanese42 + japanese42},
      {"63 surrogate pairs, 252 bytes", [] {
         std::string s;
         for (int i = 0; i < 63; ++i) s += "😀";
         return s;
       }()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(SaveEnvironment(&library.data, "window_cat1list_selection", c.value.c_str()), 0);
    char out[kEnvValueBufferSize];
    std::memset(out, '#', sizeof out);
    EXPECT_EQ(GetEnvironmentValue(library.data.envAry, "window_cat1list_selection", out), 1);
    EXPECT_EQ(std::string(out), c.value);
  }
}

TEST_F(Environment, AnUnknownKeyLeavesOutUnchanged) {
  ASSERT_EQ(SaveEnvironment(&library.data, "categorybox_height", "150"), 0);
  char out[kEnvValueBufferSize] = "unchanged";
  EXPECT_EQ(GetEnvironmentValue(library.data.envAry, "categorybox", out), 0);
  EXPECT_EQ(GetEnvironmentValue(library.data.envAry, "categorybox_height_", out), 0);
  EXPECT_STREQ(out, "unchanged");
}

TEST_F(Environment, RefusesWhatItCannotStore) {
  ASSERT_EQ(SaveEnvironment(&library.data, "k", "kept"), 0);
  const FLN_ENV before = Record(0);
  EXPECT_EQ(SaveEnvironment(&library.data, std::string(63, 'k').c_str(), "v"), -1);
  EXPECT_EQ(SaveEnvironment(&library.data, "k", std::string(127, 'v').c_str()), -1);
  EXPECT_EQ(SaveEnvironment(&library.data, "k", nullptr), -1);
  ASSERT_EQ(Tesk_Ary_GetSize(library.data.envAry), 1);
  const FLN_ENV after = Record(0);
  EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
  EXPECT_EQ(SaveEnvironment(&library.data, std::string(62, 'k').c_str(), std::string(126, 'v').c_str()), 0);
}

// Text fields are rewritten as every stored text is: up to the new zero unit,
// so what follows it stays (files stay byte for byte as the format writes them).
TEST_F(Environment, AShorterValueKeepsTheFieldsTail) {
  ASSERT_EQ(SaveEnvironment(&library.data, "k", "abcdef"), 0);
  ASSERT_EQ(SaveEnvironment(&library.data, "k", "xy"), 0);
  const FLN_ENV e = Record(0);
  const uint16_t expected[] = {0xFEFF, 'x', 'y', 0, 'd', 'e', 'f', 0};
  EXPECT_EQ(std::memcmp(e.value, expected, sizeof expected), 0);
}

}  // namespace
