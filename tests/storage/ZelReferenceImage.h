#pragma once
// An independent, in-memory model of a container image that applies each
// change exactly in the documented order of writes (links first, new item
// last). Tests compare the real file with it byte for byte, which shows that
// the crash-safe order of writes ends in the very same bytes.

#include <cstdint>
#include <string>
#include <vector>

namespace zeltest {

class ReferenceImage {
 public:
  /// A fresh container: header and root record.
  ReferenceImage();
  explicit ReferenceImage(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

  void add(int32_t tag, const std::string& data);
  /// Inserts before the item at `position`.
  void insertBefore(uint32_t position, const std::string& data);
  /// Unlinks the item at `position`.
  void remove(uint32_t position);

  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  struct Rec {
    int32_t tag;
    uint32_t len, pos, prevM, nextM, prevT, nextT;
  };
  Rec read(uint32_t at) const;
  void write(const Rec& r);
  void append(const Rec& r, const std::string& data);

  std::vector<uint8_t> bytes_;
};

}  // namespace zeltest
