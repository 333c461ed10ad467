#pragma once
// Growable arrays of fixed-size plain records, copied in and out by value and
// addressed by index only. The record block is a plain heap block; its "lock"
// is a flag kept for callers that hold a record's address across a call
// (Tesk_Ary_GetDataPtr), since a block must not move while they do.

#include <cstddef>
#include <cstdint>

struct TeskHandleBlock;               // a resizable heap block with a lock flag
typedef TeskHandleBlock* TeskHandle;  // null while there is no block

struct TeskAryHeader {
  TeskHandle records;    // null while the array has no storage
  int32_t capacity;      // records the block can hold
  int32_t count;         // records in use
  int32_t recordSize;    // bytes per record, fixed at creation
  int32_t initialCount;  // records allocated by the first insertion (default 20)
  int32_t growCount;     // records added at each growth (default 20), or an
                         // eighth of the capacity once that is more
};
typedef TeskAryHeader* TESK_ARY;

/// New empty array without storage, or null. Counts below 1 become 20.
TESK_ARY Tesk_Ary_Init(int32_t recordSize, int32_t initialCount, int32_t growCount);
/// Releases the block and the header; null is ignored.
void Tesk_Ary_Free(TESK_ARY ary);
/// Number of records in use; 0 for null or without storage.
int32_t Tesk_Ary_GetSize(TESK_ARY ary);
/// Releases the block when it holds records; an emptied array keeps its block.
void Tesk_Ary_RemoveAll(TESK_ARY ary);
/// Zero-fills `dest` (recordSize bytes), then copies record `index` if it exists.
void Tesk_Ary_GetData(TESK_ARY ary, int32_t index, void* dest);
/// Overwrites record `index` with `src`; a bad index changes nothing, and
/// neither does a record equal to the one stored (no change is noted).
void Tesk_Ary_Update(TESK_ARY ary, int32_t index, const void* src);
/// Inserts at `index` clamped to 0..count; `src` null inserts zeros. 0, or -1 without memory.
int Tesk_Ary_Insert(TESK_ARY ary, int32_t index, const void* src);
/// Appends; 0, or -1 without memory.
int Tesk_Ary_Add(TESK_ARY ary, const void* src);
/// Removes record `index`, moving later ones down; a bad index changes nothing.
void Tesk_Ary_Remove(TESK_ARY ary, int32_t index);
/// Removes the `n` records at `indexes` (ascending, distinct, each below the
/// count) in one pass, the later records moving down over the gaps: records,
/// count and every note kept of them (changes, change and record stamps)
/// end as removing them one at a time from the last down leaves them, and
/// Tesk_Ary_FindKey answers as it would then, while each record moves at
/// most once and the key index is kept rather than made again. 0; -1 (nothing changed) for
/// indexes that are not ascending, distinct and in range.
int Tesk_Ary_RemoveMany(TESK_ARY ary, const int32_t* indexes, size_t n);
/// Exchanges records i and j when both exist.
void Tesk_Ary_Swap(TESK_ARY ary, int32_t i, int32_t j);
/// Sorts in place with qsort (not stable).
void Tesk_Ary_QuickSort(TESK_ARY ary, int (*compare)(const void*, const void*));
/// First index whose record `match(key, record)` answers exactly 1, or -1.
int32_t Tesk_Ary_SeqSearch(TESK_ARY ary, int32_t key, int (*match)(int32_t, const void*));
/// Discards everything, then holds `n` zero records. 0, or -1 (array empty) without memory.
int Tesk_Ary_SetSize(TESK_ARY ary, int32_t n);
/// Locks the block (if any); *wasLocked tells whether it was locked already.
void Tesk_Ary_Lock(TESK_ARY ary, int* wasLocked);
/// Address of record `index` while the block is locked, or null.
void* Tesk_Ary_GetDataPtr(TESK_ARY ary, int32_t index);
/// Unlocks unless `wasLocked` is 1.
void Tesk_Ary_Unlock(TESK_ARY ary, int wasLocked);

/// Locks `h` unless already locked; returns the block's bytes (null for null).
void* Tesk_HLock(TeskHandle h, int* wasLocked);
/// Unlocks `h` unless it is null or `wasLocked` is 1.
void Tesk_HUnlock(TeskHandle h, int wasLocked);
/// Stores the 32-bit tag code into `buffer` in host order and returns it.
char* Tesk_ConvertTag_ToTagName(int32_t tag, char* buffer);
