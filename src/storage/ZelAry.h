#pragma once
// Persistence of a record array as the members of one container tag:
// member i holds record i.

#include <vector>

#include "storage/TeskAry.h"
#include "storage/ZelFile.h"

/// Same as IsCompatibleTag.
int ZEL_ARY_IsLoadable(ZEL_FILE* file, int32_t tag, uint32_t recordSize, int* reason);
/// A new array of the tag's members in member order, or null when the tag is
/// missing, its members differ in length, a read fails or its chain is damaged.
/// Never allocates more than the file holds. With `positions`, also tells
/// where each member's record lies (file->current.position of member i).
/// The new array counts no record as changed (Tesk_Ary_GetChanges).
TESK_ARY ZEL_ARY_Load(ZEL_FILE* file, int32_t tag, std::vector<uint64_t>* positions = nullptr);
/// Writes `ary` into `tag`: removes surplus members from the front, appends
/// missing ones, then rewrites every member in place. An empty array removes
/// the tag. 0, the first failing container code, or -1 when the tag holds a
/// member of another length (nothing written then). With `positions`, on
/// success also tells where each member's record lies.
int ZEL_ARY_Save(ZEL_FILE* file, int32_t tag, TESK_ARY ary, uint32_t recordSize,
                 std::vector<uint64_t>* positions = nullptr);
