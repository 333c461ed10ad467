#include "library/FlnAttachmentHash.h"

#include <cstring>

#include "format/Endian.h"

QByteArray PdfDigest(const QByteArray& bytes) { return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256); }

FLN_ATTACHMENT_HASH MakeAttachmentHash(int32_t atId, uint32_t length, const QByteArray& digest) {
  FLN_ATTACHMENT_HASH record{};
  record.at_id = ZEL_EndianLong_NtoL(atId);
  record.length = ZEL_EndianLong_NtoL(static_cast<int32_t>(length));
  if (digest.size() == static_cast<qsizetype>(sizeof record.digest))
    std::memcpy(record.digest, digest.constData(), sizeof record.digest);
  return record;
}

bool AttachmentHashes::load(ZEL_FILE* file) {
  byId_.clear();
  passedOver_ = 0;
  int rc = ZEL_FirstMember(file, kTagAttachmentHash);
  if (rc == ZEL_ERR_NO_TAG) return true;
  while (rc == ZEL_OK) {  // the container bounds the walk
    FLN_ATTACHMENT_HASH record;
    if (ZEL_GetDataLength(file) == static_cast<int64_t>(sizeof record) &&
        ZEL_GetData(file, sizeof record, &record) == ZEL_OK &&
        byId_.emplace(ZEL_EndianLong_LtoN(record.at_id), record).second) {
      // taken
    } else {
      ++passedOver_;
    }
    rc = ZEL_NextMember(file);
  }
  return rc == ZEL_ERR_NO_MEMBER;
}

void AttachmentHashes::add(const FLN_ATTACHMENT_HASH& record) { byId_.emplace(ZEL_EndianLong_LtoN(record.at_id), record); }

const FLN_ATTACHMENT_HASH* AttachmentHashes::find(int32_t atId) const {
  const auto it = byId_.find(atId);
  return it == byId_.end() ? nullptr : &it->second;
}

int RemoveAttachmentHashes(ZEL_FILE* file, const std::unordered_set<int32_t>& atIds) {
  if (atIds.empty()) return ZEL_OK;
  // Where the digests lie, found first: removing one leaves no current item
  // to walk on from, and leaves every other member where it is.
  std::vector<uint64_t> positions;
  int rc = ZEL_FirstMember(file, kTagAttachmentHash);
  if (rc == ZEL_ERR_NO_TAG) return ZEL_OK;
  while (rc == ZEL_OK) {
    FLN_ATTACHMENT_HASH record;
    if (ZEL_GetDataLength(file) == static_cast<int64_t>(sizeof record) &&
        ZEL_GetData(file, sizeof record, &record) == ZEL_OK && atIds.count(ZEL_EndianLong_LtoN(record.at_id)) != 0)
      positions.push_back(file->current.position);
    rc = ZEL_NextMember(file);
  }
  if (rc != ZEL_ERR_NO_MEMBER) return rc;
  for (const uint64_t position : positions) {
    rc = ZEL_GoToMember(file, kTagAttachmentHash, position);
    if (rc == ZEL_OK) rc = ZEL_RemoveData(file);
    if (rc != ZEL_OK) return rc;
  }
  return ZEL_OK;
}

const char* PdfFaultText(PdfFault fault) {
  switch (fault) {
    case PdfFault::None: return "intact";
    case PdfFault::Unreadable: return "its PDF cannot be read from the library";
    case PdfFault::DigestMismatch: return "its PDF is damaged: the stored bytes differ from their SHA-256 digest";
    case PdfFault::SizeMismatch: return "its PDF is damaged: the stored length differs from the entry's file size";
  }
  return "unknown";
}

PdfVerifier::PdfVerifier(const FLN_ATTACHMENT_HASH* hash, int32_t enFileSize)
    : hash_(hash), enFileSize_(static_cast<uint32_t>(enFileSize)) {}

void PdfVerifier::add(const char* bytes, size_t n) {
  length_ += n;
  if (hash_ != nullptr) sha_.addData(QByteArrayView(bytes, static_cast<qsizetype>(n)));
}

PdfFault PdfVerifier::finish() {
  if (hash_ == nullptr) return length_ == enFileSize_ ? PdfFault::None : PdfFault::SizeMismatch;
  const QByteArray digest = sha_.result();
  const bool same = length_ == static_cast<uint32_t>(ZEL_EndianLong_LtoN(hash_->length)) &&
                    std::memcmp(digest.constData(), hash_->digest, sizeof hash_->digest) == 0;
  return same ? PdfFault::None : PdfFault::DigestMismatch;
}
