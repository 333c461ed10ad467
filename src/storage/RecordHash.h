#pragma once
// A 64-bit fingerprint of a record's bytes (the XXH64 function, seed 0), used
// to tell whether a record still holds what was last written to disk without
// keeping a second copy of every record. Two different records share a
// fingerprint with a chance of about 2^-64.

#include <cstddef>
#include <cstdint>

/// XXH64 of `length` bytes at `data` with seed 0.
uint64_t RecordHash(const void* data, size_t length);

/// The same fingerprint of bytes that come in pieces: value() after add()
/// of the pieces in order is RecordHash of them laid one after another,
/// without ever holding them together.
class RecordHasher {
 public:
  RecordHasher();
  void add(const void* data, size_t length);
  uint64_t value() const;

 private:
  uint64_t lanes_[4];  // the four accumulators, set by the constructor
  unsigned char stripe_[32];
  size_t buffered_ = 0;  // bytes of stripe_ waiting for a whole stripe
  uint64_t total_ = 0;
};
