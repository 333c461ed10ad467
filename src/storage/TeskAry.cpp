#include "storage/TeskAry.h"
#include "storage/TeskAryChanges.h"

#include <sys/mman.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

// A resizable heap block. While `locked` is set a caller may hold addresses
// inside it, so the block must not move: growing a locked block fails rather
// than relocate it. The block also carries the notes of which records may
// have changed (TeskAryChanges.h).
struct TeskHandleBlock {
  unsigned char* bytes;
  size_t size;
  bool locked;
  uint64_t serial;       // unique among the blocks of this process
  int32_t changedFrom;   // records [changedFrom, changedTo) may have changed;
  int32_t changedTo;     // none while changedFrom >= changedTo
  // Byte ranges changed by Tesk_Ary_UpdateField: per range, one bit per
  // record index it was changed in. A note is only meaningful for a record
  // outside [changedFrom, changedTo): every change that moves records
  // (insertion, removal, swap, sort) notes the records it moves as changed
  // whole, so the indexes of the others still name the same records.
  struct FieldNote {
    int32_t offset, length;
    std::vector<uint64_t> rows;
  };
  std::vector<FieldNote> fieldNotes;
  // Change stamps (Tesk_Ary_ChangeStamp): `stamp` moves on with every change
  // that may touch any byte of a record, each field stamp with every
  // Tesk_Ary_UpdateField of its range. Saving clears the notes above but
  // never these.
  uint64_t stamp;
  struct FieldStamp {
    int32_t offset, length;
    uint64_t stamp;
    // Per record, the stamp of its last Tesk_Ary_UpdateField of this range
    // (0 for none; records past the end have had none): moves with the
    // records like `recordStamps`.
    std::vector<uint64_t> rows;
  };
  std::vector<FieldStamp> fieldStamps;
  // Record stamps (Tesk_Ary_RecordStamps): one per record, given afresh
  // whenever the record may change whole, and moved along when records are
  // inserted or removed before it. While `recordStampsLost` (memory ran
  // out keeping them) they are not kept and every record is told apart as
  // changed.
  std::vector<uint64_t> recordStamps;
  bool recordStampsLost;
  // The byte spans that Tesk_Ary_Update changed, with the stamp each was
  // given, oldest first. A span's stamp counts for its bytes, in the change
  // stamp of the array and in the record stamp of its record, on top of
  // `stamp` and `recordStamps`; so an update moves the stamps of the bytes
  // it changes alone. The spans move along with their records; a record
  // renewed whole may keep spans that name an older change of it, which its
  // newer record stamp outweighs. Past kSpanLogLimit spans the log is folded
  // into `stamp` and the record stamps, as if its updates had been whole.
  struct SpanChange {
    int32_t index, offset, length;
    uint64_t stamp;
  };
  std::vector<SpanChange> spanLog;
  // The key index of Tesk_Ary_FindKey: every record's 4-byte key at
  // `keyOffset`, by key, and the records that share one in their order. It holds while `keyStamp` is the change stamp of
  // those bytes; changes that keep it true say so by renewing `keyStamp`.
  int32_t keyOffset;
  uint64_t keyStamp;
  std::vector<std::pair<int32_t, int32_t>> keyIndex;  // (key as stored, index) of every record, in order
};

namespace {

constexpr int32_t kDefaultCount = 20;

// Bytes needed by `records` records of `recordSize` bytes; false when the
// product does not fit in memory's address range.
bool BlockBytes(int32_t records, int32_t recordSize, size_t* bytes) {
  if (records < 0 || recordSize < 0) return false;
  const size_t n = static_cast<size_t>(records);
  const size_t r = static_cast<size_t>(recordSize);
  if (r != 0 && n > static_cast<size_t>(PTRDIFF_MAX) / r) return false;
  *bytes = n * r;
  return true;
}

std::atomic<uint64_t> gLastSerial{0};

// New blocks this large (a loaded library's entries run to hundreds of
// megabytes) ask for 2 MiB pages: filling a block of small pages costs one
// page fault per 4 KiB, which made up most of the time of opening a large
// library. Only the whole 2 MiB pages inside the block are advised; the
// advice is a hint the system may ignore, so its result does not matter.
// Blocks that grow are not advised again: huge pages of a block that
// moves in small steps would be split at every move.
constexpr size_t kHugePage = size_t{2} << 20;
void AdviseLargePages(unsigned char* bytes, size_t size) {
  if (size < 2 * kHugePage) return;
  const uintptr_t begin = (reinterpret_cast<uintptr_t>(bytes) + kHugePage - 1) & ~(kHugePage - 1);
  const uintptr_t end = (reinterpret_cast<uintptr_t>(bytes) + size) & ~(kHugePage - 1);
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

// A zero-filled block of `size` bytes, or null. A zero-sized block still gets
// real storage, so that "no block" and "empty block" stay distinct. All of
// a new block's records count as changed.
TeskHandle NewHandleClear(size_t size) {
  const uint64_t serial = ++gLastSerial;
  TeskHandle h =
      new (std::nothrow) TeskHandleBlock{nullptr, size, false, serial, 0, INT32_MAX, {}, serial, {}, {}, false, {}, -1, 0, {}};
  if (h == nullptr) return nullptr;
  h->bytes = static_cast<unsigned char*>(std::calloc(size != 0 ? size : 1, 1));
  if (h->bytes == nullptr) {
    delete h;
    return nullptr;
  }
  AdviseLargePages(h->bytes, size);
  return h;
}

// Grows the block to `size` bytes keeping the contents; bytes added are not
// cleared. False (block unchanged) when memory cannot be had, or when the
// block is locked, since growing may have to move it.
bool GrowHandle(TeskHandle h, size_t size) {
  if (size <= h->size) return true;  // zero-sized records: nothing to add
  if (h->locked) return false;
  void* grown = std::realloc(h->bytes, size);
  if (grown == nullptr) return false;
  h->bytes = static_cast<unsigned char*>(grown);
  h->size = size;
  return true;
}

// Shrinks the block to `size` bytes (at least one), keeping the contents it
// still holds; a block that cannot shrink stays as it is.
void ShrinkHandle(TeskHandle h, size_t size) {
  if (size == 0) size = 1;
  if (size >= h->size || h->locked) return;
  void* shrunk = std::realloc(h->bytes, size);
  if (shrunk == nullptr) return;
  h->bytes = static_cast<unsigned char*>(shrunk);
  h->size = size;
}

void DisposeHandle(TeskHandle h) {
  if (h == nullptr) return;
  std::free(h->bytes);
  delete h;
}

// Drops the block and leaves the array without storage.
void ReleaseStorage(TESK_ARY ary) {
  DisposeHandle(ary->records);
  ary->records = nullptr;
  ary->capacity = 0;
  ary->count = 0;
}

unsigned char* RecordAt(unsigned char* base, TESK_ARY ary, int32_t index) {
  return base + static_cast<size_t>(index) * static_cast<size_t>(ary->recordSize);
}

bool HasRecord(TESK_ARY ary, int32_t index) {
  return ary != nullptr && ary->records != nullptr && index >= 0 && index < ary->count;
}

// Notes for the save that records [from, to) may differ from what it last
// wrote, without moving any stamp.
void NoteUnsaved(TeskHandle h, int32_t from, int32_t to) {
  if (from >= to) return;
  if (h->changedFrom >= h->changedTo) {
    h->changedFrom = from;
    h->changedTo = to;
    return;
  }
  if (from < h->changedFrom) h->changedFrom = from;
  if (to > h->changedTo) h->changedTo = to;
}

// Notes that records [from, to) may have changed. The stamp moves on even
// for an empty range: removing the last record moves no record but still
// changes the array.
void NoteChanged(TESK_ARY ary, int32_t from, int32_t to) {
  TeskHandle h = ary->records;
  if (h == nullptr) return;
  h->stamp = ++gLastSerial;
  NoteUnsaved(h, from, to);
}

// Gives records [from, to) record stamps never given before, as after a
// change of each of them whole.
void RenewRecordStamps(TeskHandle h, int32_t from, int32_t to) {
  if (h->recordStampsLost || from >= to) return;
  const uint64_t first = gLastSerial.fetch_add(static_cast<uint64_t>(to - from)) + 1;
  for (int32_t i = from; i < to; ++i) h->recordStamps[static_cast<size_t>(i)] = first + static_cast<uint64_t>(i - from);
}

// A byte span [offset, offset + length) of a record.
struct ByteSpan {
  int32_t offset, length;
};

// Spans an array's log may hold before it is folded: enough for hundreds of
// edits between two listings, few enough that a stamp is worked out in a
// moment.
constexpr size_t kSpanLogLimit = 1024;
// Changed bytes with fewer equal bytes than this between them join into one
// span: a retyped text differs at most of its bytes, not all of them. An
// unchanged field of four bytes or more between two changes is never taken
// in.
constexpr size_t kSpanJoinGap = 4;
// Spans noted for one update at most; the last one stretches over the rest.
constexpr int kSpansPerUpdate = 8;

// The first position from `at` on where `a` and `b` differ, or `size`.
size_t FirstDifference(const unsigned char* a, const unsigned char* b, size_t at, size_t size) {
  for (; at + 8 <= size; at += 8) {
    uint64_t x, y;
    std::memcpy(&x, a + at, 8);
    std::memcpy(&y, b + at, 8);
    if (x != y) break;
  }
  while (at < size && a[at] == b[at]) ++at;
  return at;
}

// Fills `spans` with the bytes where records `a` and `b` differ, joined
// across gaps below kSpanJoinGap, and returns how many (0 when the records
// are equal, at most kSpansPerUpdate).
int DifferingSpans(const unsigned char* a, const unsigned char* b, size_t size, ByteSpan* spans) {
  int n = 0;
  size_t at = FirstDifference(a, b, 0, size);
  while (at < size) {
    size_t end = at + 1, next;
    while ((next = FirstDifference(a, b, end, size)) < size && next - end < kSpanJoinGap) end = next + 1;
    if (n == kSpansPerUpdate) {
      spans[n - 1].length = static_cast<int32_t>(end) - spans[n - 1].offset;
    } else {
      spans[n++] = ByteSpan{static_cast<int32_t>(at), static_cast<int32_t>(end - at)};
    }
    at = next;
  }
  return n;
}

bool Overlap(int32_t offset, int32_t length, int32_t otherOffset, int32_t otherLength) {
  return otherOffset < offset + length && offset < otherOffset + otherLength;
}

// Folds the span log into the stamps it stood for: the array's stamp and
// the stamp of each logged record move on, as after whole updates, and the
// log empties.
void FoldSpanLog(TeskHandle h) {
  h->stamp = ++gLastSerial;
  for (const TeskHandleBlock::SpanChange& change : h->spanLog) RenewRecordStamps(h, change.index, change.index + 1);
  h->spanLog.clear();
}

// Moves the stamps of the `n` spans of record `index` that an update
// changed, and no other: a new stamp for those bytes in the span log. Without
// memory for the log the record counts as changed whole.
void StampSpans(TeskHandle h, int32_t index, const ByteSpan* spans, int n) {
  const uint64_t stamp = ++gLastSerial;
  try {
    if (h->spanLog.size() + static_cast<size_t>(n) > kSpanLogLimit) FoldSpanLog(h);
    h->spanLog.reserve(kSpanLogLimit);
    for (int k = 0; k < n; ++k) h->spanLog.push_back({index, spans[k].offset, spans[k].length, stamp});
  } catch (const std::bad_alloc&) {
    h->stamp = stamp;
    RenewRecordStamps(h, index, index + 1);
  }
}

// Follows the removal of the records at `indexes` (ascending, distinct) in
// `notes`, whose record index each `indexOf(note)` gives: the notes of the
// removed records go, the later records' indexes move down with them.
template <typename Note, typename IndexOf>
void EraseRemovedRecordNotes(std::vector<Note>& notes, const int32_t* indexes, size_t n, IndexOf indexOf) {
  notes.erase(std::remove_if(notes.begin(), notes.end(),
                             [&](Note& note) { return std::binary_search(indexes, indexes + n, indexOf(note)); }),
              notes.end());
  for (Note& note : notes)
    indexOf(note) -= static_cast<int32_t>(std::lower_bound(indexes, indexes + n, indexOf(note)) - indexes);
}

int32_t& SpanIndex(TeskHandleBlock::SpanChange& change) { return change.index; }

// Follows an insertion (`added`) or removal of the record at `index` in the
// span log: the spans of a removed record go, those of later records move
// along with them.
void ShiftSpanLog(TeskHandle h, int32_t index, bool added) {
  if (!added) {
    EraseRemovedRecordNotes(h->spanLog, &index, 1, SpanIndex);
    return;
  }
  for (TeskHandleBlock::SpanChange& change : h->spanLog)
    if (change.index >= index) ++change.index;
}

// Follows an insertion (`added`) or removal of the record at `index`: the
// stamps of the records after it move along with them, an inserted record
// gets a stamp never given before.
void ShiftRecordStamps(TeskHandle h, int32_t index, bool added) {
  ShiftSpanLog(h, index, added);
  if (h->recordStampsLost) return;
  const size_t at = static_cast<size_t>(index);
  try {
    if (added) {
      h->recordStamps.insert(h->recordStamps.begin() + static_cast<std::ptrdiff_t>(at), ++gLastSerial);
    } else {
      h->recordStamps.erase(h->recordStamps.begin() + static_cast<std::ptrdiff_t>(at));
    }
    for (TeskHandleBlock::FieldStamp& field : h->fieldStamps) {
      if (at >= field.rows.size()) continue;
      if (added) {
        field.rows.insert(field.rows.begin() + static_cast<std::ptrdiff_t>(at), 0);
      } else {
        field.rows.erase(field.rows.begin() + static_cast<std::ptrdiff_t>(at));
      }
    }
  } catch (const std::bad_alloc&) {
    h->recordStampsLost = true;
    h->recordStamps.clear();
    h->recordStamps.shrink_to_fit();
  }
}

// Calls move(to, from, length) for each run of records that stays after
// removing the ascending, distinct `indexes` (all below `count`), in order:
// the run [from, from + length) goes down to `to`, over the gaps before it.
template <typename Move>
void ForEachSurvivorRun(const int32_t* indexes, size_t n, int32_t count, Move move) {
  for (size_t k = 0; k < n; ++k) {
    const int32_t from = indexes[k] + 1;
    const int32_t end = k + 1 < n ? indexes[k + 1] : count;
    if (end > from) move(from - static_cast<int32_t>(k + 1), from, end - from);
  }
}

// Erases the positions `indexes` (ascending, distinct) from `rows`, which may
// be shorter than the array: positions past its end are not there to erase.
void EraseRows(std::vector<uint64_t>& rows, const int32_t* indexes, size_t n) {
  const int32_t size = static_cast<int32_t>(rows.size());
  const size_t inside = static_cast<size_t>(std::lower_bound(indexes, indexes + n, size) - indexes);
  ForEachSurvivorRun(indexes, inside, size, [&](int32_t to, int32_t from, int32_t length) {
    std::copy(rows.begin() + from, rows.begin() + from + length, rows.begin() + to);
  });
  rows.resize(rows.size() - inside);
}

bool KeyBefore(const std::pair<int32_t, int32_t>& entry, int32_t key) { return entry.first < key; }

// Adds the key of `record`, just appended at `index`, to a key index that
// held before the append: after the records that hold the key already.
// False when memory ran out (the index no longer holds then).
bool IndexAppendedKey(TeskHandle h, const unsigned char* record, int32_t index) {
  int32_t key;
  std::memcpy(&key, record + h->keyOffset, sizeof key);
  const auto at = std::lower_bound(h->keyIndex.begin(), h->keyIndex.end(), std::make_pair(key, index));
  try {
    h->keyIndex.insert(at, {key, index});
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

}  // namespace

TESK_ARY Tesk_Ary_Init(int32_t recordSize, int32_t initialCount, int32_t growCount) {
  if (recordSize < 0) return nullptr;
  TESK_ARY ary = new (std::nothrow) TeskAryHeader;
  if (ary == nullptr) return nullptr;
  ary->records = nullptr;
  ary->capacity = 0;
  ary->count = 0;
  ary->recordSize = recordSize;
  ary->initialCount = initialCount >= 1 ? initialCount : kDefaultCount;
  ary->growCount = growCount >= 1 ? growCount : kDefaultCount;
  return ary;
}

void Tesk_Ary_Free(TESK_ARY ary) {
  if (ary == nullptr) return;
  DisposeHandle(ary->records);
  delete ary;
}

int32_t Tesk_Ary_GetSize(TESK_ARY ary) {
  if (ary == nullptr || ary->records == nullptr) return 0;
  return ary->count;
}

void Tesk_Ary_RemoveAll(TESK_ARY ary) {
  if (ary == nullptr || ary->records == nullptr || ary->count <= 0) return;
  ReleaseStorage(ary);
}

void Tesk_Ary_GetData(TESK_ARY ary, int32_t index, void* dest) {
  if (ary == nullptr || dest == nullptr) return;
  std::memset(dest, 0, static_cast<size_t>(ary->recordSize));
  if (!HasRecord(ary, index)) return;
  int wasLocked;
  unsigned char* base = static_cast<unsigned char*>(Tesk_HLock(ary->records, &wasLocked));
  std::memcpy(dest, RecordAt(base, ary, index), static_cast<size_t>(ary->recordSize));
  Tesk_HUnlock(ary->records, wasLocked);
}

void Tesk_Ary_Update(TESK_ARY ary, int32_t index, const void* src) {
  if (src == nullptr || !HasRecord(ary, index)) return;
  int wasLocked;
  unsigned char* base = static_cast<unsigned char*>(Tesk_HLock(ary->records, &wasLocked));
  unsigned char* record = RecordAt(base, ary, index);
  const auto* from = static_cast<const unsigned char*>(src);
  TeskHandle h = ary->records;
  // Only the bytes that differ move stamps, so that whatever was worked out
  // from the others (a sort column, a folded text) still holds.
  ByteSpan spans[kSpansPerUpdate];
  const int n = DifferingSpans(record, from, static_cast<size_t>(ary->recordSize), spans);
  // A record that keeps its key keeps the key index true, even where a
  // span stretches over the key's bytes.
  const bool keepsKeys = n > 0 && h->keyStamp != 0 && h->keyStamp == Tesk_Ary_ChangeStamp(ary, h->keyOffset, 4) &&
                         std::memcmp(record + h->keyOffset, from + h->keyOffset, 4) == 0;
  if (n > 0) std::memcpy(record, src, static_cast<size_t>(ary->recordSize));
  Tesk_HUnlock(h, wasLocked);
  if (n == 0) return;
  NoteUnsaved(h, index, index + 1);
  StampSpans(h, index, spans, n);
  if (keepsKeys) h->keyStamp = Tesk_Ary_ChangeStamp(ary, h->keyOffset, 4);
}

int Tesk_Ary_Insert(TESK_ARY ary, int32_t index, const void* src) {
  if (ary == nullptr) return -1;
  size_t bytes;
  if (ary->records == nullptr) {
    ary->records = BlockBytes(ary->initialCount, ary->recordSize, &bytes) ? NewHandleClear(bytes) : nullptr;
    if (ary->records == nullptr) {
      ReleaseStorage(ary);
      return -1;
    }
    ary->capacity = ary->initialCount;
    ary->count = 0;
  }
  if (ary->capacity <= ary->count) {
    // An eighth more once that exceeds the growth step: a long array (a
    // loaded library's entries, given back their spare room) then moves a
    // few dozen times while it doubles instead of once every few records.
    const int32_t step = std::max(ary->growCount, ary->capacity / 8);
    if (ary->capacity > INT32_MAX - step) return -1;
    const int32_t grown = ary->capacity + step;
    if (!BlockBytes(grown, ary->recordSize, &bytes) || !GrowHandle(ary->records, bytes)) return -1;
    ary->capacity = grown;
  }
  if (index < 0) index = 0;
  if (index > ary->count) index = ary->count;

  const size_t size = static_cast<size_t>(ary->recordSize);
  TeskHandle h = ary->records;
  const bool appendKeepsKeys = index == ary->count && h->keyStamp != 0 &&
                               h->keyStamp == Tesk_Ary_ChangeStamp(ary, h->keyOffset, 4);
  int wasLocked;
  unsigned char* base = static_cast<unsigned char*>(Tesk_HLock(h, &wasLocked));
  unsigned char* slot = RecordAt(base, ary, index);
  std::memmove(slot + size, slot, static_cast<size_t>(ary->count - index) * size);
  if (src != nullptr) {
    std::memcpy(slot, src, size);
  } else {
    std::memset(slot, 0, size);  // the slot may hold bytes of a removed record
  }
  ary->count += 1;
  Tesk_HUnlock(h, wasLocked);
  NoteChanged(ary, index, ary->count);
  ShiftRecordStamps(h, index, true);
  if (appendKeepsKeys && IndexAppendedKey(h, slot, index)) h->keyStamp = Tesk_Ary_ChangeStamp(ary, h->keyOffset, 4);
  return 0;
}

int Tesk_Ary_Add(TESK_ARY ary, const void* src) {
  if (ary == nullptr) return -1;
  return Tesk_Ary_Insert(ary, ary->count, src);
}

void Tesk_Ary_Remove(TESK_ARY ary, int32_t index) {
  if (!HasRecord(ary, index)) return;
  const size_t size = static_cast<size_t>(ary->recordSize);
  int wasLocked;
  unsigned char* base = static_cast<unsigned char*>(Tesk_HLock(ary->records, &wasLocked));
  unsigned char* slot = RecordAt(base, ary, index);
  std::memmove(slot, slot + size, static_cast<size_t>(ary->count - index - 1) * size);
  ary->count -= 1;
  Tesk_HUnlock(ary->records, wasLocked);
  NoteChanged(ary, index, ary->count);
  ShiftRecordStamps(ary->records, index, false);
}

int Tesk_Ary_RemoveMany(TESK_ARY ary, const int32_t* indexes, size_t n) {
  if (n == 0) return 0;
  if (indexes == nullptr || !HasRecord(ary, indexes[0]) || !HasRecord(ary, indexes[n - 1])) return -1;
  for (size_t k = 1; k < n; ++k)
    if (indexes[k] <= indexes[k - 1]) return -1;
  const size_t size = static_cast<size_t>(ary->recordSize);
  TeskHandle h = ary->records;
  const bool keepsKeys = h->keyStamp != 0 && h->keyStamp == Tesk_Ary_ChangeStamp(ary, h->keyOffset, 4);
  int wasLocked;
  unsigned char* base = static_cast<unsigned char*>(Tesk_HLock(h, &wasLocked));
  ForEachSurvivorRun(indexes, n, ary->count, [&](int32_t to, int32_t from, int32_t length) {
    std::memmove(RecordAt(base, ary, to), RecordAt(base, ary, from), static_cast<size_t>(length) * size);
  });
  ary->count -= static_cast<int32_t>(n);
  Tesk_HUnlock(h, wasLocked);
  // What single removals note together: every record from the first
  // removed one on has moved.
  NoteChanged(ary, indexes[0], ary->count);
  // Erasing in place allocates nothing, so unlike an insertion it cannot
  // lose the stamps for want of memory.
  if (!h->recordStampsLost) {
    EraseRows(h->recordStamps, indexes, n);
    for (TeskHandleBlock::FieldStamp& field : h->fieldStamps) EraseRows(field.rows, indexes, n);
  }
  EraseRemovedRecordNotes(h->spanLog, indexes, n, SpanIndex);
  // The key index follows in one pass too (erasing allocates nothing), so
  // that the first lookup after a delete finds it ready.
  if (keepsKeys) {
    EraseRemovedRecordNotes(h->keyIndex, indexes, n,
                            [](std::pair<int32_t, int32_t>& k) -> int32_t& { return k.second; });
    h->keyStamp = Tesk_Ary_ChangeStamp(ary, h->keyOffset, 4);
  }
  return 0;
}

void Tesk_Ary_Swap(TESK_ARY ary, int32_t i, int32_t j) {
  if (!HasRecord(ary, i) || !HasRecord(ary, j) || i == j) return;
  const size_t size = static_cast<size_t>(ary->recordSize);
  void* temp = std::malloc(size != 0 ? size : 1);
  if (temp == nullptr) return;
  int wasLocked;
  unsigned char* base = static_cast<unsigned char*>(Tesk_HLock(ary->records, &wasLocked));
  unsigned char* a = RecordAt(base, ary, i);
  unsigned char* b = RecordAt(base, ary, j);
  std::memcpy(temp, a, size);
  std::memcpy(a, b, size);
  std::memcpy(b, temp, size);
  Tesk_HUnlock(ary->records, wasLocked);
  std::free(temp);
  NoteChanged(ary, i < j ? i : j, (i < j ? j : i) + 1);
  RenewRecordStamps(ary->records, i, i + 1);
  RenewRecordStamps(ary->records, j, j + 1);
}

void Tesk_Ary_QuickSort(TESK_ARY ary, int (*compare)(const void*, const void*)) {
  if (compare == nullptr || Tesk_Ary_GetSize(ary) == 0 || ary->recordSize == 0) return;
  int wasLocked;
  void* base = Tesk_HLock(ary->records, &wasLocked);
  std::qsort(base, static_cast<size_t>(ary->count), static_cast<size_t>(ary->recordSize), compare);
  Tesk_HUnlock(ary->records, wasLocked);
  NoteChanged(ary, 0, ary->count);
  RenewRecordStamps(ary->records, 0, ary->count);
  ary->records->spanLog.clear();  // outweighed by the new stamps, and naming other records now
}

int32_t Tesk_Ary_SeqSearch(TESK_ARY ary, int32_t key, int (*match)(int32_t, const void*)) {
  if (match == nullptr || Tesk_Ary_GetSize(ary) == 0) return -1;
  int wasLocked;
  unsigned char* base = static_cast<unsigned char*>(Tesk_HLock(ary->records, &wasLocked));
  int32_t found = -1;
  for (int32_t i = 0; i < ary->count; ++i) {
    if (match(key, RecordAt(base, ary, i)) == 1) {
      found = i;
      break;
    }
  }
  Tesk_HUnlock(ary->records, wasLocked);
  return found;
}

int Tesk_Ary_SetSize(TESK_ARY ary, int32_t n) {
  if (ary == nullptr) return -1;
  ReleaseStorage(ary);
  if (n < 1) return 0;
  size_t bytes;
  if (!BlockBytes(n, ary->recordSize, &bytes)) return -1;
  ary->records = NewHandleClear(bytes);
  if (ary->records == nullptr) return -1;
  ary->capacity = n;
  ary->count = n;
  // No record stamps are kept for the records made here, whose number can
  // reach the 32-bit limit without memory for the records (zero-byte
  // records): every one of them counts as changed.
  ary->records->recordStampsLost = true;
  return 0;
}

void Tesk_Ary_Lock(TESK_ARY ary, int* wasLocked) {
  int was = 0;
  if (ary != nullptr && ary->records != nullptr) Tesk_HLock(ary->records, &was);
  if (wasLocked != nullptr) *wasLocked = was;
}

void* Tesk_Ary_GetDataPtr(TESK_ARY ary, int32_t index) {
  if (!HasRecord(ary, index)) return nullptr;
  NoteChanged(ary, index, index + 1);  // the caller may write through the address
  RenewRecordStamps(ary->records, index, index + 1);
  return RecordAt(ary->records->bytes, ary, index);
}

const void* Tesk_Ary_ReadDataPtr(TESK_ARY ary, int32_t index) {
  if (!HasRecord(ary, index)) return nullptr;
  return RecordAt(ary->records->bytes, ary, index);
}

void* Tesk_Ary_AddUncleared(TESK_ARY ary) {
  if (ary == nullptr || ary->records == nullptr || ary->count >= ary->capacity) return nullptr;
  ary->count += 1;
  NoteChanged(ary, ary->count - 1, ary->count);
  ShiftRecordStamps(ary->records, ary->count - 1, true);
  return RecordAt(ary->records->bytes, ary, ary->count - 1);
}

void* Tesk_Ary_SpareRoom(TESK_ARY ary, int32_t* room) {
  *room = 0;
  if (ary == nullptr || ary->records == nullptr || ary->count >= ary->capacity) return nullptr;
  *room = ary->capacity - ary->count;
  return RecordAt(ary->records->bytes, ary, ary->count);
}

int Tesk_Ary_Reserve(TESK_ARY ary, int32_t capacity) {
  if (ary == nullptr) return -1;
  if (ary->records != nullptr && capacity <= ary->capacity) return 0;
  size_t bytes;
  if (!BlockBytes(capacity, ary->recordSize, &bytes)) return -1;
  if (ary->records == nullptr) {
    ary->records = NewHandleClear(bytes);
    if (ary->records == nullptr) return -1;
    ary->count = 0;
  } else if (!GrowHandle(ary->records, bytes)) {
    return -1;
  }
  ary->capacity = capacity;
  return 0;
}

void Tesk_Ary_Trim(TESK_ARY ary, int32_t spare) {
  if (ary == nullptr || ary->records == nullptr || spare < 0) return;
  const int32_t keep = ary->count > INT32_MAX - spare ? INT32_MAX : ary->count + spare;
  size_t bytes;
  if (keep >= ary->capacity || !BlockBytes(keep, ary->recordSize, &bytes)) return;
  ShrinkHandle(ary->records, bytes);
  if (ary->records->size == bytes || bytes == 0) ary->capacity = keep;
}

void Tesk_Ary_GetChanges(TESK_ARY ary, int32_t* from, int32_t* to) {
  const int32_t count = Tesk_Ary_GetSize(ary);
  int32_t f = 0, t = 0;
  if (count > 0) {
    t = ary->records->changedTo < count ? ary->records->changedTo : count;
    f = ary->records->changedFrom < t ? ary->records->changedFrom : t;
  }
  if (from != nullptr) *from = f;
  if (to != nullptr) *to = t;
}

void Tesk_Ary_UpdateField(TESK_ARY ary, int32_t index, int32_t offset, int32_t length, const void* src) {
  if (src == nullptr || !HasRecord(ary, index) || offset < 0 || length <= 0 || offset > ary->recordSize - length)
    return;
  std::memcpy(RecordAt(ary->records->bytes, ary, index) + offset, src, static_cast<size_t>(length));
  TeskHandle h = ary->records;
  try {
    auto field = std::find_if(h->fieldStamps.begin(), h->fieldStamps.end(),
                              [&](const TeskHandleBlock::FieldStamp& f) { return f.offset == offset && f.length == length; });
    if (field == h->fieldStamps.end())
      field = h->fieldStamps.insert(field, TeskHandleBlock::FieldStamp{offset, length, 0, {}});
    field->stamp = ++gLastSerial;
    // Records past the end of `rows` have had no update of the range.
    if (field->rows.size() <= static_cast<size_t>(index)) field->rows.resize(static_cast<size_t>(index) + 1);
    field->rows[static_cast<size_t>(index)] = field->stamp;
  } catch (const std::bad_alloc&) {
    // Without room for the field's stamps, every field counts as changed.
    h->stamp = ++gLastSerial;
    RenewRecordStamps(h, index, index + 1);
  }
  if (index >= h->changedFrom && index < h->changedTo) return;  // already changed whole
  try {
    auto note = std::find_if(h->fieldNotes.begin(), h->fieldNotes.end(), [&](const TeskHandleBlock::FieldNote& n) {
      return n.offset == offset && n.length == length;
    });
    if (note == h->fieldNotes.end()) note = h->fieldNotes.insert(note, TeskHandleBlock::FieldNote{offset, length, {}});
    const size_t word = static_cast<size_t>(index) / 64;
    if (note->rows.size() <= word) note->rows.resize(static_cast<size_t>(ary->count + 63) / 64);
    note->rows[word] |= uint64_t{1} << (static_cast<size_t>(index) % 64);
  } catch (const std::bad_alloc&) {
    NoteChanged(ary, index, index + 1);
  }
}

std::vector<TeskFieldChange> Tesk_Ary_GetFieldChanges(TESK_ARY ary) {
  std::vector<TeskFieldChange> changes;
  if (Tesk_Ary_GetSize(ary) == 0 || ary->records->fieldNotes.empty()) return changes;
  int32_t from, to;
  Tesk_Ary_GetChanges(ary, &from, &to);
  std::vector<const TeskHandleBlock::FieldNote*> notes;
  for (const auto& note : ary->records->fieldNotes) notes.push_back(&note);
  std::sort(notes.begin(), notes.end(), [](const auto* a, const auto* b) { return a->offset < b->offset; });
  size_t words = 0;
  for (const auto* note : notes) words = std::max(words, note->rows.size());
  for (size_t w = 0; w < words; ++w) {
    uint64_t any = 0;
    for (const auto* note : notes) any |= w < note->rows.size() ? note->rows[w] : 0;
    for (; any != 0; any &= any - 1) {
      const int32_t index = static_cast<int32_t>(w * 64 + static_cast<size_t>(__builtin_ctzll(any)));
      if (index >= ary->count) return changes;
      if (index >= from && index < to) continue;
      const size_t first = changes.size();
      for (const auto* note : notes) {
        if (w >= note->rows.size() || !(note->rows[w] >> (index % 64) & 1)) continue;
        if (changes.size() > first && note->offset <= changes.back().offset + changes.back().length)
          changes.back().length =
              std::max(changes.back().length, note->offset + note->length - changes.back().offset);
        else
          changes.push_back(TeskFieldChange{index, note->offset, note->length});
      }
    }
  }
  return changes;
}

void Tesk_Ary_ClearChanges(TESK_ARY ary) {
  if (ary == nullptr || ary->records == nullptr) return;
  ary->records->changedFrom = 0;
  ary->records->changedTo = 0;
  ary->records->fieldNotes.clear();
}

uint64_t Tesk_Ary_BlockSerial(TESK_ARY ary) {
  return ary == nullptr || ary->records == nullptr ? 0 : ary->records->serial;
}

uint64_t Tesk_Ary_ChangeStamp(TESK_ARY ary, int32_t offset, int32_t length) {
  if (ary == nullptr || ary->records == nullptr) return 0;
  const TeskHandle h = ary->records;
  // Every stamp comes from one counter, so the largest of those that
  // concern the range moves on whenever any one of them does.
  uint64_t stamp = h->stamp;
  for (const TeskHandleBlock::FieldStamp& field : h->fieldStamps)
    if (Overlap(offset, length, field.offset, field.length)) stamp = std::max(stamp, field.stamp);
  for (const TeskHandleBlock::SpanChange& change : h->spanLog)
    if (Overlap(offset, length, change.offset, change.length)) stamp = std::max(stamp, change.stamp);
  return stamp;
}

void Tesk_Ary_RecordStamps(TESK_ARY ary, int32_t offset, int32_t length, std::vector<uint64_t>* stamps) {
  const int32_t count = Tesk_Ary_GetSize(ary);
  stamps->assign(static_cast<size_t>(count), 0);
  if (count == 0 || ary->records->recordStampsLost) return;
  const TeskHandle h = ary->records;
  std::copy(h->recordStamps.begin(), h->recordStamps.end(), stamps->begin());
  // As for the change stamp: every stamp comes from one counter, so the
  // largest of those that concern the range moves on whenever one does.
  for (const TeskHandleBlock::FieldStamp& field : h->fieldStamps) {
    if (!Overlap(offset, length, field.offset, field.length)) continue;
    const size_t rows = std::min(field.rows.size(), stamps->size());
    for (size_t i = 0; i < rows; ++i) (*stamps)[i] = std::max((*stamps)[i], field.rows[i]);
  }
  for (const TeskHandleBlock::SpanChange& change : h->spanLog) {
    uint64_t& stamp = (*stamps)[static_cast<size_t>(change.index)];
    if (Overlap(offset, length, change.offset, change.length)) stamp = std::max(stamp, change.stamp);
  }
}

int32_t Tesk_Ary_FindKey(TESK_ARY ary, int32_t offset, int32_t key) {
  const int32_t count = Tesk_Ary_GetSize(ary);
  if (count == 0 || offset < 0 || offset > ary->recordSize - 4) return -1;
  const TeskHandle h = ary->records;
  const uint64_t stamp = Tesk_Ary_ChangeStamp(ary, offset, 4);
  if (h->keyOffset != offset || h->keyStamp != stamp) {
    h->keyOffset = offset;
    h->keyStamp = 0;
    h->keyIndex.clear();
    try {
      h->keyIndex.reserve(static_cast<size_t>(count));
      for (int32_t i = 0; i < count; ++i) {
        int32_t stored;
        std::memcpy(&stored, RecordAt(h->bytes, ary, i) + offset, sizeof stored);
        h->keyIndex.emplace_back(stored, i);
      }
    } catch (const std::bad_alloc&) {
      // Without memory for the index, a walk finds the key as well.
      h->keyIndex.clear();
      for (int32_t i = 0; i < count; ++i)
        if (std::memcmp(RecordAt(h->bytes, ary, i) + offset, &key, sizeof key) == 0) return i;
      return -1;
    }
    // By key, the records that share a key in their order, so that the
    // first of them is found first. Keys such as ids mostly come in
    // ascending order already: then nothing moves.
    if (!std::is_sorted(h->keyIndex.begin(), h->keyIndex.end())) std::sort(h->keyIndex.begin(), h->keyIndex.end());
    h->keyStamp = stamp;
  }
  const auto at = std::lower_bound(h->keyIndex.begin(), h->keyIndex.end(), key, KeyBefore);
  return at != h->keyIndex.end() && at->first == key ? at->second : -1;
}

void Tesk_Ary_Unlock(TESK_ARY ary, int wasLocked) {
  if (ary == nullptr) return;
  Tesk_HUnlock(ary->records, wasLocked);
}

void* Tesk_HLock(TeskHandle h, int* wasLocked) {
  if (h == nullptr) {
    if (wasLocked != nullptr) *wasLocked = 0;
    return nullptr;
  }
  if (wasLocked != nullptr) *wasLocked = h->locked ? 1 : 0;
  h->locked = true;
  return h->bytes;
}

void Tesk_HUnlock(TeskHandle h, int wasLocked) {
  if (h == nullptr || wasLocked == 1) return;
  h->locked = false;
}

char* Tesk_ConvertTag_ToTagName(int32_t tag, char* buffer) {
  if (buffer == nullptr) return nullptr;
  std::memcpy(buffer, &tag, sizeof tag);
  return buffer;
}
