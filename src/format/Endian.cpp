#include "format/Endian.h"

#include <cstring>

bool ZEL_IsLittleEndianHost() {
  const uint32_t one = 1;
  unsigned char first;
  std::memcpy(&first, &one, 1);
  return first == 1;
}

static int16_t swapShort(int16_t v) {
  const uint16_t u = static_cast<uint16_t>(v);
  return static_cast<int16_t>(static_cast<uint16_t>((u >> 8) | (u << 8)));
}

static int32_t swapLong(int32_t v) {
  const uint32_t u = static_cast<uint32_t>(v);
  return static_cast<int32_t>((u >> 24) | ((u >> 8) & 0xFF00u) | ((u << 8) & 0xFF0000u) | (u << 24));
}

int16_t ZEL_EndianShort_NtoL(int16_t value) { return ZEL_IsLittleEndianHost() ? value : swapShort(value); }
int32_t ZEL_EndianLong_NtoL(int32_t value) { return ZEL_IsLittleEndianHost() ? value : swapLong(value); }
int16_t ZEL_EndianShort_LtoN(int16_t value) { return ZEL_IsLittleEndianHost() ? value : swapShort(value); }
int32_t ZEL_EndianLong_LtoN(int32_t value) { return ZEL_IsLittleEndianHost() ? value : swapLong(value); }
