#include "library/FlnPdfAudit.h"

#include <QCryptographicHash>
#include <algorithm>
#include <cstring>
#include <map>
#include <unordered_set>

#include "library/FlnAttachment.h"
#include "library/FlnAttachmentHash.h"
#include "format/Endian.h"

namespace {

struct Use {
  int32_t enId, atId;  // host order
  uint32_t enFileSize;
};

std::string Member(int32_t dataIndex) { return "member " + std::to_string(dataIndex) + " of 'ATTD'"; }

// The uses of each PDF, by its member index: the first attachment of each entry.
std::map<int32_t, std::vector<Use>> UsesByMember(const FLN_DATA* data) {
  std::map<int32_t, Use> firstOf;  // en_id → its first attachment
  std::map<int32_t, std::pair<int32_t, int32_t>> attachmentOf;
  for (int32_t i = 0; i < Tesk_Ary_GetSize(data->attachment); ++i) {
    FLN_ATTACHMENT a;
    Tesk_Ary_GetData(data->attachment, i, &a);
    attachmentOf.emplace(ZEL_EndianLong_LtoN(a.en_id),
                         std::make_pair(ZEL_EndianLong_LtoN(a.at_id), ZEL_EndianLong_LtoN(a.dataIndex)));
  }
  std::map<int32_t, std::vector<Use>> uses;
  std::unordered_set<int32_t> seen;
  for (int32_t i = 0; i < Tesk_Ary_GetSize(data->entry); ++i) {
    FLN_ENTRY entry;
    Tesk_Ary_GetData(data->entry, i, &entry);
    const int32_t enId = ZEL_EndianLong_LtoN(entry.en_id);
    const auto link = attachmentOf.find(enId);
    if (link == attachmentOf.end() || link->second.second < 0 || !seen.insert(enId).second) continue;
    uses[link->second.second].push_back(
        {enId, link->second.first, static_cast<uint32_t>(ZEL_EndianLong_LtoN(entry.en_file_size))});
  }
  return uses;
}

}  // namespace

PdfAudit AuditLibraryPdfs(const FLN_DATA* data) {
  PdfAudit audit;
  ZEL_FILE file;
  if (ZEL_Open(data->filePath, 1, &file) != ZEL_OK) {
    ZEL_Close(&file);
    audit.damage.push_back({"unreadable", "the library file cannot be opened to read its PDFs"});
    return audit;
  }
  AttachmentHashes hashes;
  hashes.load(&file);  // a broken chain is damage the container walk reports
  AttachmentDataReader reader(&file);

  std::unordered_set<int32_t> attachmentIds;
  for (int32_t i = 0; i < Tesk_Ary_GetSize(data->attachment); ++i) {
    FLN_ATTACHMENT a;
    Tesk_Ary_GetData(data->attachment, i, &a);
    attachmentIds.insert(ZEL_EndianLong_LtoN(a.at_id));
  }

  for (const auto& [dataIndex, uses] : UsesByMember(data)) {
    if (uses.size() > 1) {
      std::string ids;
      for (const Use& use : uses) ids += (ids.empty() ? "" : ", ") + std::to_string(use.enId);
      audit.damage.push_back({"shared pdf", "the entries " + ids + " share one PDF (" + Member(dataIndex) + ")"});
    }
    const int64_t length = reader.seek(dataIndex);
    QCryptographicHash sha(QCryptographicHash::Sha256);
    const bool read = length > 0 && ReadCurrentInPieces(&file, length, [&](const char* piece, size_t n) {
                        sha.addData(QByteArrayView(piece, static_cast<qsizetype>(n)));
                        return true;
                      });
    const QByteArray digest = sha.result();
    for (const Use& use : uses) {
      const std::string entry = "entry " + std::to_string(use.enId);
      if (!read) {
        // A member past the last one is reported with the records.
        if (length >= 0)
          audit.damage.push_back({"unreadable pdf", "the PDF of " + entry + " (" + Member(dataIndex) +
                                                        ") cannot be read"});
        continue;
      }
      if (const FLN_ATTACHMENT_HASH* hash = hashes.find(use.atId)) {
        const uint32_t recorded = static_cast<uint32_t>(ZEL_EndianLong_LtoN(hash->length));
        if (recorded != static_cast<uint64_t>(length) ||
            std::memcmp(digest.constData(), hash->digest, sizeof hash->digest) != 0)
          audit.damage.push_back({"damaged pdf", "the PDF of " + entry + " (" + Member(dataIndex) +
                                                     ") is damaged: its " + std::to_string(length) +
                                                     " bytes differ from their SHA-256 digest (recorded for " +
                                                     std::to_string(recorded) + " bytes)"});
        else
          ++audit.verified;
      } else {
        ++audit.withoutDigest;
      }
      if (use.enFileSize != static_cast<uint64_t>(length))
        audit.damage.push_back({"file size", entry + ": its file size " + std::to_string(use.enFileSize) +
                                                 " differs from the length of its stored PDF, " +
                                                 std::to_string(length) + " bytes"});
    }
  }
  ZEL_Close(&file);

  int64_t stale = 0;
  for (const auto& [atId, hash] : hashes.all())
    if (attachmentIds.count(atId) == 0) ++stale;
  if (stale != 0)
    audit.warnings.push_back(std::to_string(stale) + " digests name no attachment (stale; ignored)");
  if (hashes.passedOver() != 0)
    audit.warnings.push_back(std::to_string(hashes.passedOver()) +
                             " members of 'HASH' are not digest records or repeat one (ignored)");
  return audit;
}
