#pragma once
// Writing the open library back to its file after every change, and putting
// a changed entry back into an entry array.

#include <unordered_set>

#include "library/FlnData.h"
#include "library/FlnResult.h"

/// Writes the library's arrays into the existing library file at `path`
/// (always flnData->filePath): 'IDCO', 'LABE', 'ENTR', 'ATTA', 'ENVI', 'CATS'
/// in that order, then the three sort records 'ENSO' made from entryListInfo
/// with both dates now. The file ends byte for byte as rewriting every record
/// leaves it, but only records that changed since the last load or save are
/// written (FlnArraySync.h). The save is one atomic change of the file
/// (ZEL_Commit): after a failure, or a crash at any point, the file holds
/// everything of it or nothing.
/// Succeeds when everything was written; fails, with nothing written, and
/// says why (FlnResult: the system's errno and text when a call failed;
/// NoSpace for a full disk). Nothing at all is written when the file does not
/// open as a container for writing (CannotOpen: a foreign file, no
/// permission), when it is not the file this program loaded or last wrote
/// (Replaced: replaced by another file or changed by another program), or
/// when flnData is not a loaded library (a stored array is null). The result
/// is also kept for LastSaveResult.
FlnResult SaveAll(const char* path, FLN_DATA* flnData);

/// SaveAll for a delete: within the same change, the digests of the removed
/// attachments `removedAtIds` (host order) leave 'HASH' too
/// (RemoveAttachmentHashes), so that a crash leaves both or neither. Fails,
/// with nothing written, also when a digest could not be removed.
FlnResult SaveAllRemovingDigests(const char* path, FLN_DATA* flnData, const std::unordered_set<int32_t>& removedAtIds);

/// SaveAll without the sort records: 'ENSO' stays as the file holds it.
/// Used by the entry information and PDF viewer windows.
FlnResult SaveAllWithoutEntrySort(const char* path, FLN_DATA* flnData);

/// The result of the last save of the library that got as far as its disk
/// image (any argument given and every array loaded): for a caller told
/// only that a save failed, such as the window when its entry, viewer or
/// category commands report one (a transfer's result carries its own).
/// Success before any save.
FlnResult LastSaveResult(const FLN_DATA* flnData);

/// Finds the (first) record of `entryArray` with the en_id of `entry`, sets
/// the caller's entry->en_update_date to now and writes the entry over that
/// record. Returns 1; 0 when no record has that en_id (or an argument is
/// null), and then nothing is changed, the caller's entry included. The
/// record is found by the array's index of en_id (Tesk_Ary_FindKey): edits
/// one after another, and imports between them, find it without a walk.
int UpdateEntry(TESK_ARY entryArray, FLN_ENTRY* entry);
/// UpdateEntry for a caller that already knows where the entry is: when
/// record `index` has the en_id of `entry`, stamps entry's en_update_date
/// with now, replaces the record with it and returns 1; otherwise 0.
int UpdateEntryAt(TESK_ARY entryArray, int32_t index, FLN_ENTRY* entry);
