#pragma once
// Byte-order conversion between host order and the little-endian order of
// everything stored on disk. Stored records are kept in memory exactly as on
// disk, so every read of a numeric field goes through an LtoN function and
// every write through an NtoL one.

#include <cstdint>

/// True when the host stores the low byte first (decided at run time).
bool ZEL_IsLittleEndianHost();

/// Host to little-endian; identity on a little-endian host.
int16_t ZEL_EndianShort_NtoL(int16_t value);
int32_t ZEL_EndianLong_NtoL(int32_t value);
/// Little-endian to host; identity on a little-endian host.
int16_t ZEL_EndianShort_LtoN(int16_t value);
int32_t ZEL_EndianLong_LtoN(int32_t value);
