#pragma once
// On-disk constants of the ZEL container. These values are written into every
// library and preference file: never renumber or resize them. The layout is
// described for humans in doc/file-format.md.

#include <cstdint>

namespace zel {

constexpr char kMagic[3] = {'Z', 'E', 'L'};
constexpr uint16_t kVersion = 2;
constexpr uint32_t kHeaderSize = 512;    // magic, zero, version, zeros
constexpr uint32_t kRecordSize = 36;     // one ZEL_METADATA on disk
constexpr uint32_t kRootOffset = 512;    // root record, right after the header
constexpr uint32_t kNone = 0xFFFFFFFFu;  // "no item" in every link
constexpr int32_t kRootTag = -1;         // tag of the root record only

// Offsets are 32-bit: no byte of a container may lie at or beyond 4 GiB.
constexpr uint64_t kMaxFileSize = 0x100000000ull;

// Byte offsets inside a 36-byte item record.
constexpr int kTagAt = 0;
constexpr int kDataLengthAt = 4;
constexpr int kPositionAt = 8;
constexpr int kPrevMemberAt = 12;
constexpr int kNextMemberAt = 16;
constexpr int kPrevTagAt = 20;
constexpr int kNextTagAt = 24;
constexpr int kReservedAt = 28;

}  // namespace zel

// Four-character tag codes: first character in the most significant byte, so
// 'LABE' is 0x4C414245 and is stored little-endian as the bytes "EBAL".
constexpr int32_t ZelTag(const char (&s)[5]) {
  return static_cast<int32_t>((static_cast<uint32_t>(static_cast<uint8_t>(s[0])) << 24) |
                              (static_cast<uint32_t>(static_cast<uint8_t>(s[1])) << 16) |
                              (static_cast<uint32_t>(static_cast<uint8_t>(s[2])) << 8) |
                              static_cast<uint32_t>(static_cast<uint8_t>(s[3])));
}
