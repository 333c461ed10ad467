#pragma once
// On-disk constants of the ZEL container. These values are written into every
// library and preference file: never renumber or resize them. The layout is
// described for humans in doc/file-format.md.
//
// Two versions share one shape and differ only in how wide the numbers of an
// item record are: version 2 (what every new container is) holds offsets and
// lengths in 32 bits, so a file ends before 4 GiB; version 3 holds them in 64
// bits, for a library that has to grow past that. A reader that knows only
// version 2 refuses a version-3 file by its header's version field.

#include <cstdint>

namespace zel {

constexpr char kMagic[3] = {'Z', 'E', 'L'};
constexpr uint32_t kHeaderSize = 512;    // magic, zero, version, zeros
constexpr uint32_t kVersionAt = 4;       // 16-bit version in the header
constexpr uint32_t kRootOffset = 512;    // root record, right after the header
constexpr int32_t kRootTag = -1;         // tag of the root record only
// "No item" in a link as it is held in memory. On disk it is every bit of the
// link's width set: 0xFFFFFFFF in version 2, 0xFFFFFFFFFFFFFFFF in version 3.
constexpr uint64_t kNone = ~uint64_t{0};

// The item record of one version: a 32-bit tag, then six numbers of
// `width` bytes each (dataLength, position, prevMember, nextMember, prevTag,
// nextTag), then 8 reserved bytes.
struct RecordLayout {
  uint16_t version;
  uint32_t width;  // bytes of each offset and length: 4 or 8

  static constexpr int kFields = 6;
  constexpr uint32_t fieldAt(int field) const { return 4 + static_cast<uint32_t>(field) * width; }
  constexpr uint32_t reservedAt() const { return fieldAt(kFields); }
  constexpr uint32_t recordSize() const { return reservedAt() + 8; }
  constexpr uint32_t firstItem() const { return kRootOffset + recordSize(); }
  // No byte of a container may lie at or beyond this size: its offsets could
  // not name it (version 3 stops where the system's file offsets do).
  constexpr uint64_t maxFileSize() const { return width == 4 ? uint64_t{1} << 32 : uint64_t{1} << 63; }
};

// Field numbers for RecordLayout::fieldAt.
enum RecordField : int { kDataLength = 0, kPosition, kPrevMember, kNextMember, kPrevTag, kNextTag };

constexpr RecordLayout kLayout2{2, 4};  // 36-byte records, 32-bit offsets
constexpr RecordLayout kLayout3{3, 8};  // 60-byte records, 64-bit offsets
static_assert(kLayout2.recordSize() == 36 && kLayout3.recordSize() == 60, "item record sizes");

// The layout of `version`, or null for a version this program does not read.
constexpr const RecordLayout* LayoutOfVersion(int version) {
  return version == 2 ? &kLayout2 : version == 3 ? &kLayout3 : nullptr;
}

// Version 2, what new containers are, spelled out for code and tests that
// handle its bytes directly.
constexpr uint16_t kVersion = kLayout2.version;
constexpr uint32_t kRecordSize = kLayout2.recordSize();
constexpr uint64_t kMaxFileSize = kLayout2.maxFileSize();
constexpr int kTagAt = 0;
constexpr int kDataLengthAt = kLayout2.fieldAt(kDataLength);
constexpr int kPositionAt = kLayout2.fieldAt(kPosition);
constexpr int kPrevMemberAt = kLayout2.fieldAt(kPrevMember);
constexpr int kNextMemberAt = kLayout2.fieldAt(kNextMember);
constexpr int kPrevTagAt = kLayout2.fieldAt(kPrevTag);
constexpr int kNextTagAt = kLayout2.fieldAt(kNextTag);
constexpr int kReservedAt = kLayout2.reservedAt();
static_assert(kDataLengthAt == 4 && kNextTagAt == 24 && kReservedAt == 28, "version-2 record fields");

}  // namespace zel

// Four-character tag codes: first character in the most significant byte, so
// 'LABE' is 0x4C414245 and is stored little-endian as the bytes "EBAL".
constexpr int32_t ZelTag(const char (&s)[5]) {
  return static_cast<int32_t>((static_cast<uint32_t>(static_cast<uint8_t>(s[0])) << 24) |
                              (static_cast<uint32_t>(static_cast<uint8_t>(s[1])) << 16) |
                              (static_cast<uint32_t>(static_cast<uint8_t>(s[2])) << 8) |
                              static_cast<uint32_t>(static_cast<uint8_t>(s[3])));
}
