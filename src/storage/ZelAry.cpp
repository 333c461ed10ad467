#include "storage/ZelAry.h"
#include "storage/PagesAhead.h"
#include "storage/TeskAryChanges.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <optional>

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

// Room for at least one more record. The first call asks for room for the
// most members the file could hold: that is address space only (memory
// pages are had as records are written into them, and the reader trims the
// block afterwards), and one block of the final size is filled far faster
// than one that moves as it grows. When that much cannot be had, the block
// doubles (from 1024 records) but never past `limit`.
bool MakeRoom(TESK_ARY ary, uint64_t limit) {
  if (ary->records != nullptr && ary->count < ary->capacity) return true;
  if (ary->records == nullptr && limit <= INT32_MAX && Tesk_Ary_Reserve(ary, static_cast<int32_t>(limit)) == 0)
    return true;
  const uint64_t want = std::min<uint64_t>({limit, INT32_MAX, std::max<uint64_t>(1024, uint64_t{2} * ary->count)});
  return want > static_cast<uint64_t>(ary->count) && Tesk_Ary_Reserve(ary, static_cast<int32_t>(want)) == 0;
}

// Members read by one call of ZEL_GetMembers at most: positions grow by no
// more than this ahead of the members read, and no more than kBytesPerRead
// bytes are read between two reports of progress to the pages made ready
// ahead (PagesAhead), which tell it the pace of the reading.
constexpr int32_t kMembersPerRead = 4096;
constexpr size_t kBytesPerRead = size_t{2} << 20;

// Reads the members of `tag` from the head on, each `length` bytes, into the
// records of `ary` in one walk along the chain, straight into the block.
// When the first block has room for every member the file could hold and
// its fresh pages come slowly, a second thread makes them ready just ahead
// of the reading.
bool ReadMembers(ZEL_FILE* file, int32_t tag, uint32_t length, TESK_ARY ary, std::vector<uint64_t>* positions) {
  const uint64_t limit = MaxMembers(file, length);
  const size_t perRead = std::max<size_t>(1, kBytesPerRead / std::max<uint32_t>(length, 1));
  std::optional<PagesAhead> ahead;
  int rc = ZEL_FirstMember(file, tag);
  while (rc == ZEL_OK) {
    const uint64_t n = static_cast<uint64_t>(ary->count);
    if (ahead && ary->count >= ary->capacity) ahead.reset();  // the block may move as it grows
    if (n >= limit || !MakeRoom(ary, limit)) return false;
    int32_t room = 0;
    void* records = Tesk_Ary_SpareRoom(ary, &room);
    if (n == 0 && static_cast<uint64_t>(room) == limit)
      ahead.emplace(static_cast<unsigned char*>(records), static_cast<size_t>(limit) * length, perRead * length,
                    PagesAhead::Start::WhenSlow);
    const size_t want = static_cast<size_t>(std::min<uint64_t>(
        {static_cast<uint64_t>(room), limit - n, static_cast<uint64_t>(kMembersPerRead), perRead}));
    if (positions != nullptr) positions->resize(n + want);
    size_t read = 0;
    rc = ZEL_GetMembers(file, length, want, records, positions != nullptr ? positions->data() + n : nullptr, &read);
    if (positions != nullptr) positions->resize(n + read);
    for (size_t i = 0; i < read; ++i) Tesk_Ary_AddUncleared(ary);  // filled above
    if (ahead) ahead->filledTo(static_cast<size_t>(ary->count) * length);
  }
  return rc == ZEL_ERR_NO_MEMBER;
}

// Room for `n` positions, had before any write; false without memory.
bool ReservePositions(std::vector<uint64_t>* positions, uint64_t n) {
  try {
    if (positions != nullptr) positions->reserve(static_cast<size_t>(n));
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace

int ZEL_ARY_IsLoadable(ZEL_FILE* file, int32_t tag, uint32_t recordSize, int* reason) {
  return IsCompatibleTag(file, tag, recordSize, reason);
}

TESK_ARY ZEL_ARY_Load(ZEL_FILE* file, int32_t tag, std::vector<uint64_t>* positions) {
  if (positions != nullptr) positions->clear();
  if (ZEL_FirstMember(file, tag) != ZEL_OK) return nullptr;
  const int64_t length = ZEL_GetDataLength(file);
  if (length < 0 || length > INT32_MAX) return nullptr;

  // One walk reads every member. The block grows with the chain and never
  // beyond the members the file has room for, so a damaged chain (a loop, or
  // members overlapping one another) fails before it can take much memory.
  TESK_ARY ary = Tesk_Ary_Init(static_cast<int32_t>(length), 20, 20);
  if (ary == nullptr) return nullptr;
  bool read = false;
  try {
    read = ReadMembers(file, tag, static_cast<uint32_t>(length), ary, positions);
  } catch (const std::bad_alloc&) {
    read = false;
  }
  if (!read) {
    Tesk_Ary_Free(ary);
    if (positions != nullptr) positions->clear();
    return nullptr;
  }
  // Room for an eighth more is kept: a block of large pages that grows has
  // to move, which takes far longer than moving one of small pages.
  Tesk_Ary_Trim(ary, ary->count / 8);
  Tesk_Ary_ClearChanges(ary);  // the records are what the file holds
  return ary;
}

int ZEL_ARY_Save(ZEL_FILE* file, int32_t tag, TESK_ARY ary, uint32_t recordSize, std::vector<uint64_t>* positions) {
  if (positions != nullptr) positions->clear();
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
  if (!ReservePositions(positions, n)) {
    std::free(record);
    return ZEL_ERR_ARG;
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
      if (rc == ZEL_OK && positions != nullptr) positions->push_back(file->current.position);
      if (rc == ZEL_OK) {
        ++written;
        rc = ZEL_NextMember(file);
      }
    }
    if (rc == ZEL_ERR_NO_MEMBER) rc = written == n ? ZEL_OK : ZEL_ERR_IO;
  }
  std::free(record);
  if (rc != ZEL_OK && positions != nullptr) positions->clear();
  return rc;
}
