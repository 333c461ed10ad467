#pragma once
// A 64-bit fingerprint of a record's bytes (the XXH64 function, seed 0), used
// to tell whether a record still holds what was last written to disk without
// keeping a second copy of every record. Two different records share a
// fingerprint with a chance of about 2^-64.

#include <cstddef>
#include <cstdint>

/// XXH64 of `length` bytes at `data` with seed 0.
uint64_t RecordHash(const void* data, size_t length);
