#include "library/FlnContainerCheck.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "format/LibrarySchema.h"

namespace {

// Every tag of the file in chain order; false when the chain is broken.
bool ListTags(ZEL_FILE* file, std::vector<int32_t>* tags) {
  int rc = ZEL_FirstTag(file);
  const uint64_t limit = ZEL_MaxChainSteps(file);
  while (rc == ZEL_OK) {
    if (tags->size() >= limit) return false;  // more tags than records fit: a loop
    tags->push_back(file->current.tag);
    rc = ZEL_NextTag(file);
  }
  return rc == ZEL_ERR_NO_TAG;
}

// Whether the member chain of `tag` ends where it should.
bool MemberChainIsWhole(ZEL_FILE* file, int32_t tag) {
  int rc = ZEL_FirstMember(file, tag);
  const uint64_t limit = ZEL_MaxChainSteps(file);
  for (uint64_t steps = 0; rc == ZEL_OK; ++steps) {
    if (steps >= limit) return false;
    rc = ZEL_NextMember(file);
  }
  return rc == ZEL_ERR_NO_MEMBER;
}

}  // namespace

FlnResult DamagedResult(const std::string& what) { return FlnResult::failure(FlnStatus::Damaged, "damaged: " + what); }

std::string TagText(int32_t tag) {
  const uint32_t code = static_cast<uint32_t>(tag);
  const char c[4] = {static_cast<char>(code >> 24), static_cast<char>(code >> 16), static_cast<char>(code >> 8),
                     static_cast<char>(code)};
  char text[16];
  if (std::all_of(c, c + 4, [](char ch) { return ch >= 0x20 && ch < 0x7F; }))
    std::snprintf(text, sizeof text, "'%c%c%c%c'", c[0], c[1], c[2], c[3]);
  else
    std::snprintf(text, sizeof text, "0x%08X", code);
  return text;
}

FlnResult CheckLibraryChains(ZEL_FILE* file) {
  std::vector<int32_t> tags;
  if (!ListTags(file, &tags)) return DamagedResult("the tag chain is broken");
  for (int32_t tag : tags) {
    if (IsLoadedRecordTag(tag) || tag == kTagAttachmentData) continue;
    if (!MemberChainIsWhole(file, tag)) return DamagedResult("the member chain of " + TagText(tag) + " is broken");
  }
  return FlnResult::success();
}
