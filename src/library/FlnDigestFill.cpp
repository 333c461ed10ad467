#include "library/FlnDigestFill.h"

#include <QCryptographicHash>
#include <algorithm>
#include <cerrno>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "library/FlnAttachment.h"
#include "library/FlnContainerCheck.h"
#include "library/FlnLoad.h"
#include "format/Endian.h"

namespace {

struct Missing {
  int32_t atId, dataIndex;  // host order
  uint32_t enFileSize;      // host order
};

// The digest of the current member (of `length` bytes); empty when it cannot be read.
QByteArray DigestOfCurrent(ZEL_FILE* file, int64_t length) {
  QCryptographicHash sha(QCryptographicHash::Sha256);
  const bool whole = ReadCurrentInPieces(file, length, [&](const char* piece, size_t n) {
    sha.addData(QByteArrayView(piece, static_cast<qsizetype>(n)));
    return true;
  });
  return whole ? sha.result() : QByteArray();
}

}  // namespace

DigestFill AddMissingDigests(ZEL_FILE* file, TESK_ARY entries, TESK_ARY attachments, AttachmentHashes* hashes) {
  DigestFill fill;
  std::unordered_map<int32_t, uint32_t> sizeOf;  // en_id (as stored) → en_file_size
  for (int32_t i = 0; i < Tesk_Ary_GetSize(entries); ++i) {
    FLN_ENTRY entry;
    Tesk_Ary_GetData(entries, i, &entry);
    sizeOf.emplace(entry.en_id, static_cast<uint32_t>(ZEL_EndianLong_LtoN(entry.en_file_size)));
  }
  std::vector<Missing> missing;
  std::unordered_set<int32_t> linked;  // en_ids whose first attachment was met
  for (int32_t i = 0; i < Tesk_Ary_GetSize(attachments); ++i) {
    FLN_ATTACHMENT attachment;
    Tesk_Ary_GetData(attachments, i, &attachment);
    const auto size = sizeOf.find(attachment.en_id);
    if (size == sizeOf.end() || !linked.insert(attachment.en_id).second) continue;
    const int32_t atId = ZEL_EndianLong_LtoN(attachment.at_id);
    if (hashes->find(atId) == nullptr)
      missing.push_back({atId, ZEL_EndianLong_LtoN(attachment.dataIndex), size->second});
  }
  if (missing.empty()) return fill;
  std::stable_sort(missing.begin(), missing.end(),
                   [](const Missing& a, const Missing& b) { return a.dataIndex < b.dataIndex; });

  AttachmentDataReader reader(file);
  for (const Missing& m : missing) {
    const int64_t length = reader.seek(m.dataIndex);
    if (length > 0 && static_cast<uint64_t>(length) != m.enFileSize) {
      ++fill.suspect;
      continue;
    }
    const QByteArray digest = length > 0 ? DigestOfCurrent(file, length) : QByteArray();
    if (digest.isEmpty()) {
      ++fill.unreadable;
      continue;
    }
    const FLN_ATTACHMENT_HASH record = MakeAttachmentHash(m.atId, static_cast<uint32_t>(length), digest);
    if (ZEL_AddData(file, kTagAttachmentHash, sizeof record, &record) != ZEL_OK) {
      fill.writeFailed = true;
      break;
    }
    hashes->add(record);
    ++fill.added;
  }
  return fill;
}

FlnResult AddLibraryDigests(const char* path, DigestFill* fill) {
  *fill = DigestFill{};
  FLN_DATA data;
  FlnResult r = ReadFlnDataFromFlnFile(path, &data);
  if (!r.ok()) return r;
  ZEL_FILE file;
  AttachmentHashes hashes;
  if (ZEL_Open(path, 0, &file) != ZEL_OK) {
    r = FlnResultOfSystemCall(errno, FlnStatus::CannotOpen, "open for writing");
  } else if (!hashes.load(&file)) {
    r = DamagedResult("the member chain of 'HASH' is broken");
  } else {
    *fill = AddMissingDigests(&file, data.entry, data.attachment, &hashes);
    if (fill->writeFailed) ZEL_Rollback(&file);
    if (fill->writeFailed || ZEL_Commit(&file) != ZEL_OK) {
      r = FlnResultOfSystemCall(errno, FlnStatus::WriteFailed, "write the digests");
      fill->added = 0;  // the digests written before the failure are undone with it
    }
  }
  ZEL_Close(&file);
  FreeFlnData(&data);
  return r;
}
