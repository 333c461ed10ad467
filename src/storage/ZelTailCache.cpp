#include "storage/ZelTailCache.h"

#include <map>
#include <unordered_map>
#include <utility>

namespace {

struct Entry {
  FileStream::Stamp stamp;
  std::unordered_map<int32_t, uint64_t> tails;
};

// Keyed by (device, inode). Only a handful of files are ever open in one run.
std::map<std::pair<uint64_t, uint64_t>, Entry> gEntries;

std::pair<uint64_t, uint64_t> keyOf(const FileStream::Stamp& s) { return {s.device, s.inode}; }

Entry* currentEntry(FileStream* stream, FileStream::Stamp* now) {
  if (!stream->stamp(now)) return nullptr;
  const auto it = gEntries.find(keyOf(*now));
  if (it == gEntries.end() || !(it->second.stamp == *now)) return nullptr;  // invariant 1
  return &it->second;
}

}  // namespace

namespace ZelTailCache {

bool lookup(FileStream* stream, int32_t tag, uint64_t* lastMember) {
  FileStream::Stamp now;
  Entry* entry = currentEntry(stream, &now);
  if (entry == nullptr) return false;
  const auto it = entry->tails.find(tag);
  if (it == entry->tails.end()) return false;
  *lastMember = it->second;
  return true;
}

bool isCurrent(FileStream* stream) {
  FileStream::Stamp now;
  return currentEntry(stream, &now) != nullptr;
}

void afterChange(FileStream* stream, bool wasCurrent, int32_t tag, uint64_t lastMember) {
  FileStream::Stamp now;
  if (!stream->stamp(&now)) return;
  Entry& entry = gEntries[keyOf(now)];
  if (!wasCurrent) entry.tails.clear();  // invariant 3
  entry.stamp = now;
  if (tag == 0) return;
  if (lastMember == zel::kNone) entry.tails.erase(tag);
  else entry.tails[tag] = lastMember;
}

void remember(FileStream* stream, int32_t tag, uint64_t lastMember) {
  afterChange(stream, isCurrent(stream), tag, lastMember);
}

void clear() { gEntries.clear(); }

}  // namespace ZelTailCache
