// Overwrites held in memory until a commit: reads see exactly the bytes the
// last writes left, and the held ranges stay disjoint, as a plain byte array
// written the same way would show.

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "storage/HeldWrites.h"

namespace {

// Every held byte over a "disk" of `size` bytes of 0xEE.
std::vector<uint8_t> Seen(const HeldWrites& held, size_t size) {
  std::vector<uint8_t> bytes(size, 0xEE);
  held.patch(0, bytes.data(), bytes.size());
  return bytes;
}

TEST(HeldWrites, ReadsSeeTheLastWriteOfEveryByte) {
  const struct {
    const char* name;
    std::vector<std::pair<uint64_t, std::string>> writes;
    size_t regions;  // held ranges afterwards
  } cases[] = {
      {"one write", {{10, "abc"}}, 1},
      {"apart", {{10, "abc"}, {20, "de"}}, 2},
      {"touching joins", {{10, "abc"}, {13, "de"}}, 1},
      {"touching from before joins", {{13, "de"}, {10, "abc"}}, 1},
      {"overlap: the later wins", {{10, "abcdef"}, {12, "XY"}}, 1},
      {"bridging two", {{10, "ab"}, {20, "cd"}, {11, "0123456789"}}, 1},
      {"covering all", {{12, "a"}, {15, "b"}, {18, "c"}, {10, "0123456789"}}, 1},
      {"growing at the end", {{10, "ab"}, {12, "cd"}, {14, "ef"}, {16, "gh"}}, 1},
      {"zero length", {{10, ""}}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    HeldWrites held;
    std::vector<uint8_t> model(64, 0xEE);
    for (const auto& [offset, text] : c.writes) {
      held.put(offset, text.data(), text.size());
      std::memcpy(model.data() + offset, text.data(), text.size());
    }
    EXPECT_EQ(Seen(held, model.size()), model);
    EXPECT_EQ(held.regions().size(), c.regions);
  }
}

// Many random writes and reads against the model; no two ranges overlap or touch.
TEST(HeldWrites, RandomWritesAgreeWithAPlainArray) {
  std::mt19937 random(20261210);
  HeldWrites held;
  std::vector<uint8_t> model(4096, 0xEE);
  for (int i = 0; i < 3000; ++i) {
    const size_t offset = random() % 4000, n = 1 + random() % 90;
    std::vector<uint8_t> bytes(n);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
    held.put(offset, bytes.data(), n);
    std::memcpy(model.data() + offset, bytes.data(), n);

    const size_t at = random() % 4000, length = random() % 96;
    std::vector<uint8_t> read(model.size(), 0xEE);
    held.patch(at, read.data() + at, length);
    ASSERT_TRUE(std::equal(read.begin() + static_cast<long>(at), read.begin() + static_cast<long>(at + length),
                           model.begin() + static_cast<long>(at)))
        << "write " << i;
  }
  bool first = true;
  uint64_t end = 0;
  for (const auto& [offset, bytes] : held.regions()) {
    if (!first) {
      EXPECT_GT(offset, end) << "ranges overlap or touch";
    }
    first = false;
    end = offset + bytes.size();
  }
  EXPECT_EQ(Seen(held, model.size()), model);
}

}  // namespace
