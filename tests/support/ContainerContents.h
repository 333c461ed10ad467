#pragma once
// A container file seen as plain values: its tags in chain order, each with
// its members' bytes in member order. Made by walking the file with the
// container reader, so tests compare what any reader would see.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "format/ZelFormat.h"

namespace testsupport {

using Contents = std::vector<std::pair<int32_t, std::vector<std::string>>>;

/// Walks every tag and member of the container at `path` (read-only), giving
/// up on chains longer than 10000 items. Returns the first error code met, or
/// ZEL_OK with `out` holding the whole file; on error `out` holds the tags read
/// before it.
int WalkContainer(const std::string& path, Contents* out);

/// What the container at `path` holds; a test failure when it cannot be
/// walked to its end (then what was read before the error).
Contents ReadContents(const std::string& path);

/// The tags of `contents`, in chain order.
std::vector<int32_t> TagsOf(const Contents& contents);
/// The members of `tag`, or null when `contents` has no such tag.
const std::vector<std::string>* MembersOf(const Contents& contents, int32_t tag);

/// Creates a container at `path` of `layout`'s version with the given tags
/// and members, in order (test failure when a step fails).
void MakeContainer(const std::string& path, const Contents& contents,
                   const zel::RecordLayout& layout = zel::kLayout2);

/// Replaces the members of `tag` of the container at `path` with `members`
/// (removing the tag when empty).
void SetMembers(const std::string& path, int32_t tag, const std::vector<std::string>& members);

/// Offset of the item record of the first member of `tag`; -1 without one.
int64_t FirstItemOffset(const std::string& path, int32_t tag);

}  // namespace testsupport
