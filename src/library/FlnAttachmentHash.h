#pragma once
// Digests of the stored PDFs. Tag 'HASH' holds one FLN_ATTACHMENT_HASH per
// attachment: the PDF's length and the SHA-256 of its bytes, appended right
// after the PDF itself and before the attachment record that names it. A PDF
// read back is compared with them, so that bytes changed on disk (a flipped
// bit, a cut length) are refused instead of handed out as the user's file.
//
// Digests are optional: a library written before they existed has none and
// works as before; its PDFs are then only checked against the entry's
// en_file_size. A delete takes its entries' digests with it. A digest whose
// at_id names no attachment (left by an import that stopped before saving its
// records) is stale and only warned about.

#include <QByteArray>
#include <QCryptographicHash>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "format/FlnRecords.h"
#include "storage/ZelFile.h"

/// The SHA-256 digest of `bytes` (32 bytes).
QByteArray PdfDigest(const QByteArray& bytes);

/// The record for attachment `atId` (host order) whose PDF is `length` bytes
/// with the 32-byte `digest`.
FLN_ATTACHMENT_HASH MakeAttachmentHash(int32_t atId, uint32_t length, const QByteArray& digest);

/// The digests of one library file, by at_id.
class AttachmentHashes {
 public:
  /// Reads every member of 'HASH' of the open `file` (a missing tag holds
  /// none). Members of another length than a record are passed over; of two
  /// records for one at_id the first counts. False when the chain is broken:
  /// the digests read before the break are kept.
  bool load(ZEL_FILE* file);

  /// Takes `record` as the digest of its at_id unless that has one already.
  void add(const FLN_ATTACHMENT_HASH& record);

  /// The digest of attachment `atId` (host order), or null.
  const FLN_ATTACHMENT_HASH* find(int32_t atId) const;
  /// Every digest, by at_id (host order).
  const std::unordered_map<int32_t, FLN_ATTACHMENT_HASH>& all() const { return byId_; }
  /// Members passed over: of another length, or a second record of an at_id.
  int64_t passedOver() const { return passedOver_; }

 private:
  std::unordered_map<int32_t, FLN_ATTACHMENT_HASH> byId_;
  int64_t passedOver_ = 0;
};

/// Unlinks from 'HASH' of the open, writable `file` every digest of the
/// attachments `atIds` (host order), as one part of the caller's change (it
/// commits or rolls back). A digest outliving its attachment would be
/// reported as stale until the library is compacted. ZEL_OK when every such
/// digest is gone (also when 'HASH' holds none); otherwise the container's
/// error, and the caller rolls back.
int RemoveAttachmentHashes(ZEL_FILE* file, const std::unordered_set<int32_t>& atIds);

/// What a PDF read from the library is, against its digest or, without one,
/// against the entry's en_file_size.
enum class PdfFault {
  None,            // matches its digest, or (without a digest) the entry's file size
  Unreadable,      // no attachment, no such member of 'ATTD', or its bytes cannot be read
  DigestMismatch,  // its length or its bytes differ from what its digest records
  SizeMismatch,    // no digest, and its length is not the entry's en_file_size
};

/// A short English description of `fault`.
const char* PdfFaultText(PdfFault fault);

/// Checks bytes read in pieces against a digest record (null when there is
/// none) and an entry's en_file_size (host order).
class PdfVerifier {
 public:
  PdfVerifier(const FLN_ATTACHMENT_HASH* hash, int32_t enFileSize);
  void add(const char* bytes, size_t n);
  /// The verdict once every byte was added.
  PdfFault finish();

 private:
  const FLN_ATTACHMENT_HASH* hash_;
  uint32_t enFileSize_;
  uint64_t length_ = 0;
  QCryptographicHash sha_{QCryptographicHash::Sha256};
};
