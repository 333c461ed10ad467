#include "storage/ZelAry.h"

#include <algorithm>
#include <cstdlib>

namespace {

// The most members of `length` data bytes the file could hold: in a sound
// container every member has a record and data of its own after the header
// and the root record. A chain that runs longer loops or overlaps itself.
uint64_t MaxMembers(const ZEL_FILE* file, uint32_t length) {
  const uint64_t used = file->layout->firstItem();
  const uint64_t room = file->fileSize > used ? file->fileSize - used : 0;
  return std::min(ZEL_MaxChainSteps(file), room / ZEL_ItemSize(*file->layout, length));
}

// Counts the members of `tag`, all of which must hold `length` bytes.
// The container's code when the walk fails (-5 for a missing tag), -1 for a
// member of another length, -2 for a chain longer than the file could hold.
int CountMembers(ZEL_FILE* file, int32_t tag, uint32_t length, uint64_t* count) {
  int rc = ZEL_FirstMember(file, tag);
  if (rc != ZEL_OK) return rc;
  const uint64_t limit = MaxMembers(file, length);
  for (uint64_t n = 1;; ++n) {
    if (ZEL_GetDataLength(file) != static_cast<int64_t>(length)) return ZEL_ERR_ARG;
    if (n > limit) return ZEL_ERR_IO;
    rc = ZEL_NextMember(file);
    if (rc == ZEL_ERR_NO_MEMBER) {
      *count = n;
      return ZEL_OK;
    }
    if (rc != ZEL_OK) return rc;
  }
}

// Reads `count` members of `tag`, each `length` bytes, into the records of `ary`.
bool ReadMembers(ZEL_FILE* file, int32_t tag, uint32_t length, TESK_ARY ary, int32_t count) {
  int wasLocked;
  Tesk_Ary_Lock(ary, &wasLocked);
  int rc = ZEL_FirstMember(file, tag);
  for (int32_t i = 0; i < count && rc == ZEL_OK; ++i) {
    if (i > 0) rc = ZEL_NextMember(file);
    if (rc == ZEL_OK && ZEL_GetDataLength(file) != static_cast<int64_t>(length)) rc = ZEL_ERR_ARG;
    if (rc == ZEL_OK) rc = ZEL_GetData(file, length, Tesk_Ary_GetDataPtr(ary, i));
  }
  Tesk_Ary_Unlock(ary, wasLocked);
  return rc == ZEL_OK;
}

}  // namespace

int ZEL_ARY_IsLoadable(ZEL_FILE* file, int32_t tag, uint32_t recordSize, int* reason) {
  return IsCompatibleTag(file, tag, recordSize, reason);
}

TESK_ARY ZEL_ARY_Load(ZEL_FILE* file, int32_t tag) {
  if (ZEL_FirstMember(file, tag) != ZEL_OK) return nullptr;
  const int64_t length = ZEL_GetDataLength(file);
  if (length < 0 || length > INT32_MAX) return nullptr;
  const uint32_t recordSize = static_cast<uint32_t>(length);

  // Walking the chain before allocating means a damaged chain (a loop, or
  // members overlapping one another) is found before any memory is taken,
  // and the block never holds more records than the file has room for.
  uint64_t count = 0;
  if (CountMembers(file, tag, recordSize, &count) != ZEL_OK || count > INT32_MAX) return nullptr;

  TESK_ARY ary = Tesk_Ary_Init(static_cast<int32_t>(recordSize), 20, 20);
  if (ary == nullptr) return nullptr;
  if (Tesk_Ary_SetSize(ary, static_cast<int32_t>(count)) != 0 ||
      !ReadMembers(file, tag, recordSize, ary, static_cast<int32_t>(count))) {
    Tesk_Ary_Free(ary);
    return nullptr;
  }
  return ary;
}

int ZEL_ARY_Save(ZEL_FILE* file, int32_t tag, TESK_ARY ary, uint32_t recordSize) {
  // Records are copied out of the array into a buffer of `recordSize` bytes.
  if (ary != nullptr && static_cast<uint32_t>(ary->recordSize) != recordSize) return ZEL_ERR_ARG;

  int reason = 0;
  if (!IsCompatibleTag(file, tag, recordSize, &reason)) {
    if (reason == 2) return ZEL_ERR_ARG;
    if (reason != 1) return ZEL_ERR_IO;  // a damaged chain is left as it is
  }

  const uint64_t n = static_cast<uint64_t>(Tesk_Ary_GetSize(ary));
  uint64_t m = 0;
  int rc = CountMembers(file, tag, recordSize, &m);
  if (rc != ZEL_OK && rc != ZEL_ERR_NO_TAG) return rc;

  // One record buffer serves both the zero records that new members start
  // with and the copies of the array's records; it is had before any write.
  void* record = nullptr;
  if (n > 0) {
    record = std::calloc(recordSize != 0 ? recordSize : 1, 1);
    if (record == nullptr) return ZEL_ERR_ARG;
  }

  // Surplus members go from the front: the next one becomes the tag head.
  rc = ZEL_OK;
  for (; m > n && rc == ZEL_OK; --m) {
    rc = ZEL_FirstMember(file, tag);
    if (rc == ZEL_OK) rc = ZEL_RemoveData(file);
  }
  for (; m < n && rc == ZEL_OK; ++m) rc = ZEL_AddData(file, tag, recordSize, record);

  if (rc == ZEL_OK && n > 0) {
    rc = ZEL_FirstMember(file, tag);
    uint64_t written = 0;
    while (rc == ZEL_OK) {
      if (written == n) {  // more members than were just counted and adjusted
        rc = ZEL_ERR_IO;
        break;
      }
      Tesk_Ary_GetData(ary, static_cast<int32_t>(written), record);
      rc = ZEL_ReplaceData(file, recordSize, record);
      if (rc == ZEL_OK) {
        ++written;
        rc = ZEL_NextMember(file);
      }
    }
    if (rc == ZEL_ERR_NO_MEMBER) rc = written == n ? ZEL_OK : ZEL_ERR_IO;
  }
  std::free(record);
  return rc;
}
