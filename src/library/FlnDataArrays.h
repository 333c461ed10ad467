#pragma once
// Where each Array tag of a library file lives in the open library: the half
// of the tag table that knows FLN_DATA, kept apart from the on-disk facts
// (format/LibrarySchema.h) so that the format layer knows no memory layout.

#include <cstddef>
#include <cstdint>
#include <iterator>

#include "format/LibrarySchema.h"
#include "library/FlnData.h"

/// One Array tag and the FLN_DATA member that holds its records.
struct FlnDataArray {
  int32_t tag;
  TESK_ARY FLN_DATA::*array;
};

inline constexpr FlnDataArray kFlnDataArrays[] = {
    {kTagIdCounter, &FLN_DATA::idCounter}, {kTagLabel, &FLN_DATA::label},
    {kTagEntry, &FLN_DATA::entry},         {kTagAttachment, &FLN_DATA::attachment},
    {kTagEnvironment, &FLN_DATA::envAry},  {kTagCats, &FLN_DATA::catsAry},
};

/// The member of FLN_DATA that holds the records of `tag`, or null for a tag
/// that is not an Array tag of kLibraryTags.
constexpr TESK_ARY FLN_DATA::*ArrayOfTag(int32_t tag) {
  for (const FlnDataArray& row : kFlnDataArrays)
    if (row.tag == tag) return row.array;
  return nullptr;
}

namespace fln_data_arrays_detail {
constexpr bool CoversExactlyTheArrayTags() {
  size_t arrayTags = 0;
  for (const LibraryTag& row : kLibraryTags) {
    if (row.kind != LibraryTagKind::Array) continue;
    ++arrayTags;
    if (ArrayOfTag(row.tag) == nullptr) return false;
  }
  if (arrayTags != std::size(kFlnDataArrays)) return false;
  for (size_t i = 0; i < std::size(kFlnDataArrays); ++i) {
    const LibraryTag* row = FindLibraryTag(kFlnDataArrays[i].tag);
    if (row == nullptr || row->kind != LibraryTagKind::Array) return false;
    if (kFlnDataArrays[i].array == nullptr) return false;
    for (size_t j = 0; j < i; ++j)
      if (kFlnDataArrays[j].tag == kFlnDataArrays[i].tag || kFlnDataArrays[j].array == kFlnDataArrays[i].array)
        return false;
  }
  return true;
}
}  // namespace fln_data_arrays_detail

static_assert(fln_data_arrays_detail::CoversExactlyTheArrayTags(),
              "every Array tag of kLibraryTags has exactly one FLN_DATA member, each member one tag, and no other "
              "tag has one");
