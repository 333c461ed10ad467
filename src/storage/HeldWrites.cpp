#include "storage/HeldWrites.h"

#include <algorithm>
#include <cstring>
#include <iterator>

void HeldWrites::put(uint64_t offset, const void* data, size_t n) {
  if (n == 0) return;
  const uint64_t end = offset + n;
  // The first region that overlaps or touches the new range.
  auto first = regions_.upper_bound(offset);
  if (first != regions_.begin()) {
    const auto before = std::prev(first);
    if (before->first + before->second.size() >= offset) first = before;
  }
  auto last = first;  // one past the last region that overlaps or touches
  while (last != regions_.end() && last->first <= end) ++last;

  if (first != regions_.end() && std::next(first) == last && first->first <= offset) {
    // The common case (a record rewritten twice, records written one after
    // another): one region grows in place instead of being copied.
    std::vector<uint8_t>& bytes = first->second;
    const size_t at = static_cast<size_t>(offset - first->first);
    if (bytes.size() < at + n) bytes.resize(at + n);
    std::memcpy(bytes.data() + at, data, n);
    return;
  }
  uint64_t start = offset, stop = end;
  for (auto it = first; it != last; ++it) {
    start = std::min(start, it->first);
    stop = std::max(stop, it->first + it->second.size());
  }
  std::vector<uint8_t> merged(static_cast<size_t>(stop - start));
  for (auto it = first; it != last; ++it)
    std::memcpy(merged.data() + (it->first - start), it->second.data(), it->second.size());
  std::memcpy(merged.data() + (offset - start), data, n);
  regions_.erase(first, last);
  regions_.emplace(start, std::move(merged));
}

void HeldWrites::patch(uint64_t offset, void* buffer, size_t n) const {
  const uint64_t end = offset + n;
  auto it = regions_.upper_bound(offset);
  if (it != regions_.begin()) --it;
  for (; it != regions_.end() && it->first < end; ++it) {
    const uint64_t from = std::max(offset, it->first);
    const uint64_t to = std::min(end, it->first + it->second.size());
    if (from >= to) continue;
    std::memcpy(static_cast<uint8_t*>(buffer) + (from - offset), it->second.data() + (from - it->first),
                static_cast<size_t>(to - from));
  }
}
