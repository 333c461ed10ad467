#include "storage/RecordHash.h"

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
  const uint8_t* p = static_cast<const uint8_t*>(data);
  const uint8_t* const end = p + length;
  uint64_t h;

  if (length >= 32) {
    uint64_t v1 = kPrime1 + kPrime2, v2 = kPrime2, v3 = 0, v4 = 0 - kPrime1;
    const uint8_t* const limit = end - 32;
    do {
      v1 = round(v1, load64(p));
      v2 = round(v2, load64(p + 8));
      v3 = round(v3, load64(p + 16));
      v4 = round(v4, load64(p + 24));
      p += 32;
    } while (p <= limit);
    h = rotl(v1, 1) + rotl(v2, 7) + rotl(v3, 12) + rotl(v4, 18);
    h = mergeRound(h, v1);
    h = mergeRound(h, v2);
    h = mergeRound(h, v3);
    h = mergeRound(h, v4);
  } else {
    h = kPrime5;
  }
  h += static_cast<uint64_t>(length);

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
