#pragma once
// The ZEL tagged container: a 512-byte header, a root record, then items
// (a 36-byte record followed by its data) appended in order. Items of one
// tag form a doubly linked member chain; the first member of each tag (its
// tag head) sits in a doubly linked tag chain that starts at the root record.
// Nothing is ever moved: new items are appended, removed items are unlinked.
//
// Every function returns one of the ZEL_* result codes below. A file is input
// like any other: every offset and length read from it is checked against the
// file's size before it is followed, and every chain walk is bounded, so a
// damaged file yields ZEL_ERR_IO (-2) instead of a crash, hang or huge allocation.

#include <cstddef>
#include <cstdint>

#include "storage/FileIo.h"
#include "storage/ZelRecord.h"
#include "format/ZelFormat.h"

enum : int {
  ZEL_OK = 0,
  ZEL_ERR_ARG = -1,         // bad argument/handle, cannot open/create, exists, wrong magic/version,
                            // buffer too small, length mismatch, tag -1, past the 4 GiB limit
  ZEL_ERR_IO = -2,          // short read/write, failed seek, damaged links
  ZEL_ERR_NO_CURRENT = -3,  // no current item
  ZEL_ERR_NO_MEMBER = -4,   // no next or previous member
  ZEL_ERR_NO_TAG = -5,      // tag not found, or no next or previous tag
  ZEL_ERR_READ_ONLY = -6    // the handle is read-only and the operation writes
};

/// Caller-owned handle of an open container.
struct ZEL_FILE {
  FileStream* stream = nullptr;
  ZEL_METADATA current{};
  uint8_t hasCurrent = 0;
  int32_t openMode = 0;  // 0 = read and write, 1 = read-only
  uint64_t fileSize = 0; // size as last seen; every offset read is checked against it
  // The width of its item records, from its header's version.
  const zel::RecordLayout* layout = &zel::kLayout2;
  // Where the current item lies along the tag chain and along its member
  // chain, counted in steps (forward positive) from where the walk began: the
  // item that ZEL_FirstTag or ZEL_FirstMember made current (ZEL_FirstMember
  // of the tag the current item belongs to keeps the tag walk's count), or,
  // for the member chain, the tag head a tag move reached. In a sound chain no item lies
  // further from another than the file has items, whichever way and however
  // often a caller turns; a walk that gets further has met a cycle, and its
  // next step fails with -2 instead of going round forever.
  int64_t tagOffset = 0;
  int64_t memberOffset = 0;
};

/// Creates a new, empty container (548 bytes, version 2) and leaves `file`
/// open read/write. Never overwrites: an existing path gives -1. Nothing is
/// on disk for sure before ZEL_Commit.
int ZEL_Create(const char* path, ZEL_FILE* file);
/// ZEL_Create for a container of `layout`'s version (zel::kLayout3: 64-bit
/// offsets, 572 bytes when empty).
int ZEL_CreateWithLayout(const char* path, const zel::RecordLayout& layout, ZEL_FILE* file);
/// Opens an existing container of version 2 or 3; mode 0 read/write, 1
/// read-only. A file shorter than the header gives -2; another magic or
/// version gives -1. Call ZEL_Close
/// afterwards also when this fails. Mode 0 first rolls back an unfinished
/// change that a journal beside the file records (ZelJournal.h); when that
/// cannot be done the result is -2 and nothing is opened. Changes through a
/// read/write handle stay in memory or past the file's old end until
/// ZEL_Commit makes them part of the file all at once.
int ZEL_Open(const char* path, int mode, ZEL_FILE* file);
/// Makes every change since the opening or the last commit durable and
/// atomic (ZelJournal.h). 0 on success (also for a read-only handle); -2
/// when it fails, and then the file holds what it held before those changes.
int ZEL_Commit(ZEL_FILE* file);
/// Undoes every change since the opening or the last commit: the file holds
/// what it held then. 0 on success (also for a read-only handle), -2 when
/// the appended bytes could not be cut off (they are unreachable).
int ZEL_Rollback(ZEL_FILE* file);
/// Commits a read/write handle (callers that need the result call ZEL_Commit
/// first) and closes the stream if any; harmless on a null or closed handle.
void ZEL_Close(ZEL_FILE* file);

/// Moves along the tag chain; the current item becomes a tag head.
int ZEL_FirstTag(ZEL_FILE* file);
int ZEL_NextTag(ZEL_FILE* file);
int ZEL_PreviousTag(ZEL_FILE* file);

/// Makes the tag head of `tag` current (-5 when the tag does not exist).
int ZEL_FirstMember(ZEL_FILE* file, int32_t tag);
/// Moves along the current item's member chain (-4 at its end, current kept).
int ZEL_NextMember(ZEL_FILE* file);
int ZEL_PreviousMember(ZEL_FILE* file);
/// Makes the item whose record lies at `position` current, for a caller
/// that remembered where a member of `tag` lies (file->current.position).
/// -2 when no item of `tag` lies there; the current item is kept then.
int ZEL_GoToMember(ZEL_FILE* file, int32_t tag, uint64_t position);

/// dataLength of the current item, or -1 without handle, stream or current item.
int64_t ZEL_GetDataLength(ZEL_FILE* file);
/// Copies the current item's data into `buffer` (-1 if it holds fewer than dataLength bytes).
int ZEL_GetData(ZEL_FILE* file, uint32_t bufferSize, void* buffer);

/// Reads members as ZEL_GetData and then ZEL_NextMember would, one after
/// another, from the current one on: up to `count` of them, each exactly
/// `length` bytes, into `records` back to back (and, with `positions`, the
/// position of each one's item record). *read tells how many were read.
/// Returns the last ZEL_NextMember's code: 0 with the member after the last
/// one read current, -4 at the chain's end; -1 (nothing more read) at a
/// member of another length. Members stored right after one another along
/// the chain, as the members of a tag written at once are, are read
/// together, straight into `records`.
int ZEL_GetMembers(ZEL_FILE* file, uint32_t length, size_t count, void* records, uint64_t* positions,
                   size_t* read);

/// Copies `length` data bytes of the current item, starting `from` bytes into
/// its data, into `buffer`; -1 when that range is not within its data. Lets
/// a large member be read in bounded pieces.
int ZEL_GetDataPart(ZEL_FILE* file, uint64_t from, uint32_t length, void* buffer);

/// Appends a member at the end of `tag`, creating the tag at the end of the
/// tag chain when missing. Does not touch the current item. -1 (nothing
/// written) when the item would end beyond what the file's offsets can
/// name (ZEL_Fits).
int ZEL_AddData(ZEL_FILE* file, int32_t tag, uint32_t length, const void* data);
/// ZEL_AddData for `length` bytes that the regular file `sourceFd` holds at
/// `sourceOffset`, copied inside the kernel where the file systems allow it
/// (FileStream::copyFrom). A source that ends early is a failed write (-2),
/// undone like any other.
int ZEL_AddDataFrom(ZEL_FILE* file, int32_t tag, uint32_t length, int sourceFd, uint64_t sourceOffset);
/// Inserts a member of the current item's tag just before the current item.
int ZEL_InsertData(ZEL_FILE* file, uint32_t length, const void* data);
/// Unlinks the current item (its bytes stay as dead space); no current item afterwards.
int ZEL_RemoveData(ZEL_FILE* file);
/// Overwrites the current item's data in place; `length` must equal its dataLength.
int ZEL_ReplaceData(ZEL_FILE* file, uint32_t length, const void* data);

/// 1 when `tag` exists and every member's dataLength is `recordLength`, else 0
/// with *reason (if given) = 1 for a missing tag, 2 for a member of another
/// length, 3 for a damaged chain. Moves the current item.
int IsCompatibleTag(ZEL_FILE* file, int32_t tag, uint32_t recordLength, int* reason);

/// Bytes a new item of `length` data bytes adds to a container of `layout`.
uint64_t ZEL_ItemSize(const zel::RecordLayout& layout, uint64_t length);
/// Whether `growth` more bytes still fit a container of `layout` that is
/// `size` bytes long: its last byte stays below layout.maxFileSize().
bool ZEL_Fits(const zel::RecordLayout& layout, uint64_t size, uint64_t growth);

/// Upper bound on the number of items a chain in this file can hold; a walk
/// that takes more steps has met a cycle.
uint64_t ZEL_MaxChainSteps(const ZEL_FILE* file);
