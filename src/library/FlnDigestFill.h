#pragma once
// Giving the PDFs of a library written before digests existed their digests.

#include <cstdint>

#include "library/FlnAttachmentHash.h"
#include "format/FlnRecords.h"
#include "storage/TeskAry.h"
#include "library/FlnResult.h"
#include "storage/ZelFile.h"

struct DigestFill {
  int32_t added = 0;       // digests appended to 'HASH'
  int32_t unreadable = 0;  // PDFs that could not be read (left without one)
  int32_t suspect = 0;     // PDFs whose length is not their entry's en_file_size (left without one)
  bool writeFailed = false;
};

/// Appends to 'HASH' of the open, writable `file` a digest of the PDF of
/// every attachment of `attachments` that `hashes` holds none for and that is
/// the first attachment of an entry of `entries`, reading the PDF from
/// 'ATTD' in pieces (member order, so the file is walked once), and adds
/// each to `hashes`. A PDF whose length differs from its entry's
/// en_file_size is damaged already and gets none: a digest would vouch for
/// the damage. Stops at the first failed write. Only 'HASH' is written; callers that keep a disk image around it
/// bracket the call with BeginWriteOutsideSavedTags.
DigestFill AddMissingDigests(ZEL_FILE* file, TESK_ARY entries, TESK_ARY attachments, AttachmentHashes* hashes);

/// Loads the library file at `path` and gives its PDFs without a digest one
/// (AddMissingDigests), writing only 'HASH'. The caller holds the library's
/// write lock. Refused like ReadFlnDataFromFlnFile, and (FlnStatus::Damaged)
/// when the chain of 'HASH' is broken; FlnStatus::WriteFailed when a digest
/// could not be written or committed (then none is added).
FlnResult AddLibraryDigests(const char* path, DigestFill* fill);
