#include "storage/ZelRecord.h"

#include <cstring>

using zel::RecordLayout;

namespace {

void putLE(uint8_t* p, uint64_t v, uint32_t width) {
  for (uint32_t i = 0; i < width; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint64_t getLE(const uint8_t* p, uint32_t width) {
  uint64_t v = 0;
  for (uint32_t i = 0; i < width; ++i) v |= static_cast<uint64_t>(p[i]) << (8 * i);
  return v;
}

// The on-disk "no item" of a field `width` bytes wide.
uint64_t noneOf(uint32_t width) { return width == 8 ? zel::kNone : (uint64_t{1} << (8 * width)) - 1; }

uint64_t getLink(const uint8_t* p, uint32_t width) {
  const uint64_t v = getLE(p, width);
  return v == noneOf(width) ? zel::kNone : v;
}

}  // namespace

void ZelEncodeRecord(const RecordLayout& layout, const ZEL_METADATA& r, uint8_t* out) {
  putLE(out + zel::kTagAt, static_cast<uint32_t>(r.tag), 4);
  const uint64_t fields[RecordLayout::kFields] = {r.dataLength, r.position, r.prevMember,
                                                  r.nextMember, r.prevTag,  r.nextTag};
  for (int f = 0; f < RecordLayout::kFields; ++f) putLE(out + layout.fieldAt(f), fields[f], layout.width);
  std::memcpy(out + layout.reservedAt(), r.reserved, sizeof r.reserved);
}

void ZelDecodeRecord(const RecordLayout& layout, const uint8_t* in, ZEL_METADATA* r) {
  const uint32_t w = layout.width;
  r->tag = static_cast<int32_t>(static_cast<uint32_t>(getLE(in + zel::kTagAt, 4)));
  r->dataLength = getLE(in + layout.fieldAt(zel::kDataLength), w);
  // A position is never "no item"; read plainly, a damaged one simply fails
  // to name where its record lies.
  r->position = getLE(in + layout.fieldAt(zel::kPosition), w);
  r->prevMember = getLink(in + layout.fieldAt(zel::kPrevMember), w);
  r->nextMember = getLink(in + layout.fieldAt(zel::kNextMember), w);
  r->prevTag = getLink(in + layout.fieldAt(zel::kPrevTag), w);
  r->nextTag = getLink(in + layout.fieldAt(zel::kNextTag), w);
  std::memcpy(r->reserved, in + layout.reservedAt(), sizeof r->reserved);
}

const RecordLayout* ZelHeaderLayout(const uint8_t* header) {
  if (std::memcmp(header, zel::kMagic, sizeof zel::kMagic) != 0) return nullptr;
  return zel::LayoutOfVersion(static_cast<int>(getLE(header + zel::kVersionAt, 2)));
}

void ZelEncodeHeader(const RecordLayout& layout, uint8_t* header) {
  std::memset(header, 0, zel::kHeaderSize);
  std::memcpy(header, zel::kMagic, sizeof zel::kMagic);
  putLE(header + zel::kVersionAt, layout.version, 2);
}
