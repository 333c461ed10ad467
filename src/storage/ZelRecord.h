#pragma once
// The item record of a ZEL container as held in memory, and its bytes on disk
// in either version (ZelFormat.h). Everything that reads or writes item
// records goes through these two functions, so that both versions share one
// code path above them.

#include <cstdint>

#include "format/ZelFormat.h"

/// One item record in host byte order. Links that name no item hold zel::kNone
/// whatever the file's version.
struct ZEL_METADATA {
  int32_t tag;
  uint64_t dataLength;
  uint64_t position;
  uint64_t prevMember;
  uint64_t nextMember;
  uint64_t prevTag;
  uint64_t nextTag;
  uint8_t reserved[8];
};

/// Writes `record` as `layout.recordSize()` little-endian bytes to `out`.
/// Numbers wider than the layout's fields are cut to them (kNone becomes the
/// on-disk "no item"); callers keep positions and lengths within
/// layout.maxFileSize().
void ZelEncodeRecord(const zel::RecordLayout& layout, const ZEL_METADATA& record, uint8_t* out);
/// Reads `layout.recordSize()` bytes at `in` into `record`; an on-disk "no
/// item" link becomes kNone.
void ZelDecodeRecord(const zel::RecordLayout& layout, const uint8_t* in, ZEL_METADATA* record);

/// The layout a container header (at least kHeaderSize bytes) declares, or
/// null when its magic is not "ZEL" or its version is not one this program reads.
const zel::RecordLayout* ZelHeaderLayout(const uint8_t* header);
/// Fills `header` (kHeaderSize bytes) with the header of a container of `layout`.
void ZelEncodeHeader(const zel::RecordLayout& layout, uint8_t* header);
