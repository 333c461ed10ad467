#pragma once
// On-disk layout of the rollback journal that sits beside a container while
// a change overwrites its bytes ("LIB.fln-journal"). Described for humans in
// doc/file-format.md. All numbers are little-endian.

#include <cstdint>

namespace zeljournal {

constexpr char kSuffix[] = "-journal";
constexpr char kMagic[8] = {'Z', 'E', 'L', 'J', 'R', 'N', 'L', '1'};

// Header, 72 bytes.
constexpr uint32_t kHeaderSize = 72;
constexpr int kMagicAt = 0;         // 8 bytes
constexpr int kDeviceAt = 8;        // u64: device of the container the journal belongs to
constexpr int kInodeAt = 16;        // u64: its inode
constexpr int kBirthSecAt = 24;     // u64: its birth time, seconds (0: the file system keeps none)
constexpr int kBirthNsecAt = 32;    // u32: its birth time, nanoseconds
constexpr int kRegionCountAt = 36;  // u32: regions that follow
constexpr int kOldSizeAt = 40;      // u64: the container's length before the change
constexpr int kBodySizeAt = 48;     // u64: bytes after the header
constexpr int kChecksumAt = 56;     // u64: XXH64 of the header's first 56 bytes and the body
constexpr int kCommitMarkAt = 64;   // 8 bytes: kCommitMark
constexpr char kCommitMark[8] = {'C', 'O', 'M', 'P', 'L', 'E', 'T', 'E'};

// Each region: u64 offset, u32 length, then that many original bytes.
constexpr uint32_t kRegionHeaderSize = 12;

}  // namespace zeljournal
