#include "storage/RecordHash.h"

#include <cstring>

namespace {

constexpr uint64_t kPrime1 = 0x9E3779B185EBCA87ull;
constexpr uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Full;
constexpr uint64_t kPrime3 = 0x165667B19E3779F9ull;
constexpr uint64_t kPrime4 = 0x85EBCA77C2B2AE63ull;
constexpr uint64_t kPrime5 = 0x27D4EB2F165667C5ull;

uint64_t rotl(uint64_t x, int r) { return (x << r) | (x >> (64 - r)); }

// Little-endian loads, so that the value is the same on every host.
uint64_t load64(const uint8_t* p) {
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}
uint32_t load32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

uint64_t round(uint64_t acc, uint64_t input) {
  acc += input * kPrime2;
  acc = rotl(acc, 31);
  return acc * kPrime1;
}

uint64_t mergeRound(uint64_t acc, uint64_t value) {
  acc ^= round(0, value);
  return acc * kPrime1 + kPrime4;
}

}  // namespace

uint64_t RecordHash(const void* data, size_t length) {
  RecordHasher hasher;
  hasher.add(data, length);
  return hasher.value();
}

RecordHasher::RecordHasher() : lanes_{kPrime1 + kPrime2, kPrime2, 0, 0 - kPrime1} {}

void RecordHasher::add(const void* data, size_t length) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  total_ += length;
  if (buffered_ + length < sizeof stripe_) {
    if (length > 0) std::memcpy(stripe_ + buffered_, p, length);
    buffered_ += length;
    return;
  }
  const auto consume = [this](const uint8_t* s) {
    for (int lane = 0; lane < 4; ++lane) lanes_[lane] = round(lanes_[lane], load64(s + 8 * lane));
  };
  if (buffered_ > 0) {  // the waiting bytes make a stripe with the first new ones
    const size_t fill = sizeof stripe_ - buffered_;
    std::memcpy(stripe_ + buffered_, p, fill);
    consume(stripe_);
    p += fill;
    length -= fill;
    buffered_ = 0;
  }
  for (; length >= sizeof stripe_; p += sizeof stripe_, length -= sizeof stripe_) consume(p);
  if (length > 0) std::memcpy(stripe_, p, length);
  buffered_ = length;
}

uint64_t RecordHasher::value() const {
  uint64_t h;
  if (total_ >= 32) {
    const uint64_t* v = lanes_;
    h = rotl(v[0], 1) + rotl(v[1], 7) + rotl(v[2], 12) + rotl(v[3], 18);
    for (int lane = 0; lane < 4; ++lane) h = mergeRound(h, v[lane]);
  } else {
    h = kPrime5;
  }
  h += total_;

  const uint8_t* p = stripe_;
  const uint8_t* const end = stripe_ + buffered_;
  for (; p + 8 <= end; p += 8) {
    h ^= round(0, load64(p));
    h = rotl(h, 27) * kPrime1 + kPrime4;
  }
  if (p + 4 <= end) {
    h ^= static_cast<uint64_t>(load32(p)) * kPrime1;
    h = rotl(h, 23) * kPrime2 + kPrime3;
    p += 4;
  }
  for (; p < end; ++p) {
    h ^= static_cast<uint64_t>(*p) * kPrime5;
    h = rotl(h, 11) * kPrime1;
  }

  h ^= h >> 33;
  h *= kPrime2;
  h ^= h >> 29;
  h *= kPrime3;
  h ^= h >> 32;
  return h;
}
