#pragma once
// Which records of an array may have changed, so that a save can rewrite
// those alone instead of comparing every record; and reading records in
// place without counting them as changed.
//
// The notes belong to the array's block of records. Every function of
// TeskAry.h that can change a record notes it, Tesk_Ary_GetDataPtr included
// (its address may be written through); code that only reads in place uses
// Tesk_Ary_ReadDataPtr. A new block (an array's first record, or the first
// after RemoveAll or SetSize) counts all of its records as changed.

#include <cstdint>
#include <vector>

#include "storage/TeskAry.h"

/// Address of record `index` for reading only, while the block is locked,
/// or null. Unlike Tesk_Ary_GetDataPtr it does not count the record as changed.
const void* Tesk_Ary_ReadDataPtr(TESK_ARY ary, int32_t index);

/// The records that may differ from what they were at the last
/// Tesk_Ary_ClearChanges of this block: indexes [*from, *to) within the
/// current count, *from == *to when none may. Records moved by an insertion
/// or removal count as changed; so does every record after a sort.
void Tesk_Ary_GetChanges(TESK_ARY ary, int32_t* from, int32_t* to);
/// Overwrites `length` bytes of record `index`, starting `offset` bytes into
/// it, with `src`, and notes only those bytes as changed, so that a save can
/// write them alone: setting one flag in every record of a large array then
/// costs a save a few bytes per record rather than every record whole. A bad
/// index or a range outside the record changes nothing. Without memory for
/// the note the record counts as changed whole.
void Tesk_Ary_UpdateField(TESK_ARY ary, int32_t index, int32_t offset, int32_t length, const void* src);

/// Bytes of one record noted by Tesk_Ary_UpdateField: [offset, offset + length).
struct TeskFieldChange {
  int32_t index;
  int32_t offset;
  int32_t length;
};
/// The byte ranges noted by Tesk_Ary_UpdateField since the last
/// Tesk_Ary_ClearChanges, for the records outside the range that
/// Tesk_Ary_GetChanges gives (those may differ anywhere): by record, then by
/// offset, ranges of one record that touch joined into one. Throws
/// std::bad_alloc without memory.
std::vector<TeskFieldChange> Tesk_Ary_GetFieldChanges(TESK_ARY ary);

/// From now on no record of the current block counts as changed.
void Tesk_Ary_ClearChanges(TESK_ARY ary);
/// Names the array's current block: a number no other block of this
/// process has had, 0 while the array has none. Notes of changes are only
/// meaningful for the block they were taken on.
uint64_t Tesk_Ary_BlockSerial(TESK_ARY ary);

/// A number that moves on, to one this process has never given out before,
/// whenever a byte within [offset, offset + length) of any record of `ary`
/// may have changed: through any function of TeskAry.h or
/// Tesk_Ary_UpdateField (of an overlapping range), by records added, removed
/// or moved, or a new block; 0 while the array has no block. Tesk_Ary_Update
/// moves it only where the new record differs from the old one (within a
/// few bytes: changes close together count as one), and not at all for a
/// record written as it was; it may still move on for an update of other
/// bytes now and then, when the notes of such updates run long. Saving
/// (Tesk_Ary_ClearChanges) leaves it as it is. Whoever keeps something worked
/// out from those bytes compares the stamp to tell whether it still holds.
uint64_t Tesk_Ary_ChangeStamp(TESK_ARY ary, int32_t offset, int32_t length);

/// Sets `stamps` to one number per record (count of them) that names the
/// record's bytes [offset, offset + length) as they are: it moves on, to one
/// this process has never given out before, whenever one of those bytes may
/// change (Tesk_Ary_Update changing one of them, as for the change stamp;
/// Tesk_Ary_GetDataPtr, an overlapping Tesk_Ary_UpdateField, a swap or sort,
/// a new block), and it moves along with the record when records are
/// inserted or removed before it. So no two
/// records share a number, and a record showing the number that some record
/// showed earlier is that record with those bytes unchanged. 0 where the
/// array does not keep track (memory ran out, records made by
/// Tesk_Ary_SetSize): such a record must be taken as changed. Throws std::bad_alloc without memory for `stamps`.
void Tesk_Ary_RecordStamps(TESK_ARY ary, int32_t offset, int32_t length, std::vector<uint64_t>* stamps);

/// Index of the first record whose four bytes at `offset` hold `key` (both
/// as stored), or -1 (also for an offset outside the record): what a walk
/// from the first record finds. The array keeps an index of those bytes for
/// one offset and makes it again only after a change that may have touched
/// them: updating a record without changing its key, appending and removing
/// records with Tesk_Ary_RemoveMany keep it,
/// so that finding a record by its id costs a lookup, not a walk.
int32_t Tesk_Ary_FindKey(TESK_ARY ary, int32_t offset, int32_t key);

/// Grows the block so that it holds at least `capacity` records without
/// moving again; the count is unchanged. 0, or -1 without memory or while
/// the block is locked.
int Tesk_Ary_Reserve(TESK_ARY ary, int32_t capacity);
/// Gives back the capacity beyond room for `spare` more records (as after a
/// Reserve larger than was needed); harmless when the block cannot shrink.
void Tesk_Ary_Trim(TESK_ARY ary, int32_t spare);
/// Appends one record within the reserved capacity without clearing it and
/// returns its address, for a caller that fills every byte of it at once
/// (a reader copying records in); null when the capacity is used up. The
/// block does not move, as it does not grow.
void* Tesk_Ary_AddUncleared(TESK_ARY ary);
/// Address of the first record past the count within the reserved
/// capacity, and in *room how many records fit there; null (room 0) when
/// none does. A reader that fills records there in one go takes each one
/// with Tesk_Ary_AddUncleared afterwards.
void* Tesk_Ary_SpareRoom(TESK_ARY ary, int32_t* room);
