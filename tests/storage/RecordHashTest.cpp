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

// Bytes that come in pieces (a journal written piece by piece) give the
// fingerprint of the same bytes in one buffer, wherever the cuts fall:
// inside a stripe, on its edges, in pieces shorter and longer than one.
TEST(RecordHash, PiecesGiveTheFingerprintOfTheWhole) {
  std::vector<uint8_t> bytes(300);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 37 + 11);
  const struct {
    size_t length;
    std::vector<size_t> cuts;  // where one piece ends and the next begins
  } cases[] = {
      {0, {}},          {5, {0, 5}},         {31, {1, 30}},         {32, {16}},          {33, {32}},
      {64, {31, 33}},   {100, {3, 4, 5, 90}}, {300, {32, 64, 96}},   {300, {1, 299}},     {300, {7, 77, 177, 277}},
      {300, {}},        {300, {0, 0, 150}},
  };
  for (const auto& c : cases) {
    RecordHasher hasher;
    size_t from = 0;
    for (size_t cut : c.cuts) {
      hasher.add(bytes.data() + from, cut - from);
      from = cut;
    }
    hasher.add(bytes.data() + from, c.length - from);
    EXPECT_EQ(hasher.value(), RecordHash(bytes.data(), c.length)) << c.length << " bytes, " << c.cuts.size() << " cuts";
  }
}

}  // namespace
