#pragma once
// Bytes written over a file's existing content that are kept in memory until
// the change they belong to is committed. Reads lay them over what the disk
// holds, so the writer sees its own change while the file itself still holds
// the old bytes, which the commit first copies into the rollback journal.

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

class HeldWrites {
 public:
  /// Keeps `n` bytes from `data` for the file range at `offset`; later bytes
  /// win over earlier ones for the same range.
  void put(uint64_t offset, const void* data, size_t n);
  /// Copies every held byte of [offset, offset + n) over `buffer`, which holds
  /// what the disk has for that range.
  void patch(uint64_t offset, void* buffer, size_t n) const;

  bool empty() const { return regions_.empty(); }
  void clear() { regions_.clear(); }
  /// The held ranges by their offset: none overlaps or touches another.
  const std::map<uint64_t, std::vector<uint8_t>>& regions() const { return regions_; }

 private:
  std::map<uint64_t, std::vector<uint8_t>> regions_;
};
