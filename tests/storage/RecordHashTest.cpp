#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <vector>

#include "storage/RecordHash.h"

namespace {

TEST(RecordHash, IsXxh64WithSeedZero) {
  const struct {
    const char* text;
    uint64_t expected;
  } vectors[] = {
      {"", 0xEF46DB3751D8E999ull},
      {"a", 0xD24EC4F1A98C6E5Bull},
      {"abc", 0x44BC2CF5AD770999ull},
      {"Nobody inspects the spammish repetition", 0xFBCEA83C8A378BF1ull},  // takes the 32-byte stripes
  };
  for (const auto& v : vectors) EXPECT_EQ(RecordHash(v.text, std::strlen(v.text)), v.expected) << v.text;
}

// What the incremental save relies on: a change to any single byte of an
// entry-sized record, including the bytes after the last full stripe and
// word, changes the fingerprint.
TEST(RecordHash, EverySingleByteChangeOfARecordShows) {
  std::vector<uint8_t> record(4644);
  for (size_t i = 0; i < record.size(); ++i) record[i] = static_cast<uint8_t>(i * 7);
  const uint64_t original = RecordHash(record.data(), record.size());
  std::set<uint64_t> seen{original};
  for (size_t i = 0; i < record.size(); ++i) {
    record[i] ^= 0x01;
    EXPECT_TRUE(seen.insert(RecordHash(record.data(), record.size())).second) << "byte " << i;
    record[i] ^= 0x01;
  }
  EXPECT_EQ(RecordHash(record.data(), record.size()), original);
  EXPECT_NE(RecordHash(record.data(), record.size() - 1), original);
}

}  // namespace
