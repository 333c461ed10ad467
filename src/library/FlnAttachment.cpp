#include "library/FlnAttachment.h"

#include <algorithm>
#include <new>
#include <vector>

#include "format/Endian.h"

int32_t GetAttachmentIndex(TESK_ARY entryArray, TESK_ARY attachmentArray, int32_t entryIndex) {
  if (entryArray == nullptr || entryArray->recordSize != static_cast<int32_t>(sizeof(FLN_ENTRY)) || entryIndex < 0 ||
      entryIndex >= Tesk_Ary_GetSize(entryArray))
    return -1;
  if (attachmentArray == nullptr || attachmentArray->recordSize != static_cast<int32_t>(sizeof(FLN_ATTACHMENT)))
    return -1;
  FLN_ENTRY entry;
  Tesk_Ary_GetData(entryArray, entryIndex, &entry);
  const int32_t count = Tesk_Ary_GetSize(attachmentArray);
  for (int32_t i = 0; i < count; ++i) {
    FLN_ATTACHMENT attachment;
    Tesk_Ary_GetData(attachmentArray, i, &attachment);
    if (attachment.en_id == entry.en_id) return ZEL_EndianLong_LtoN(attachment.dataIndex);
  }
  return -1;
}

int64_t AttachmentDataReader::seek(int32_t dataIndex) {
  if (dataIndex < 0) return -1;
  if (current_ < 0 || dataIndex < current_) {
    current_ = -1;
    if (ZEL_FirstMember(file_, kTagAttachmentData) != ZEL_OK) return -1;
    current_ = 0;
  }
  // Bounded: a chain that loops back on itself must not keep the walk going.
  // Each member must name the one before it as its predecessor: a link that
  // leads back (or anywhere else) would hand out another entry's PDF.
  const uint64_t limit = ZEL_MaxChainSteps(file_);
  while (current_ < dataIndex) {
    const uint64_t previous = file_->current.position;
    if (static_cast<uint64_t>(current_) >= limit || ZEL_NextMember(file_) != ZEL_OK ||
        file_->current.prevMember != previous) {
      current_ = -1;
      return -1;
    }
    ++current_;
  }
  return ZEL_GetDataLength(file_);
}

QByteArray AttachmentDataReader::read(int32_t dataIndex) {
  const int64_t length = seek(dataIndex);
  if (length < 1) return QByteArray();
  QByteArray bytes;
  try {
    bytes.resize(static_cast<qsizetype>(length));
  } catch (const std::bad_alloc&) {
    return QByteArray();
  }
  if (ZEL_GetData(file_, static_cast<uint32_t>(length), bytes.data()) != ZEL_OK) return QByteArray();
  return bytes;
}

bool ReadCurrentInPieces(ZEL_FILE* file, int64_t length, const std::function<bool(const char*, size_t)>& sink) {
  std::vector<char> piece;
  try {
    piece.resize(static_cast<size_t>(std::min<int64_t>(length, kPdfPieceSize)));
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (int64_t done = 0; done < length;) {
    const uint32_t n = static_cast<uint32_t>(std::min<int64_t>(length - done, kPdfPieceSize));
    if (ZEL_GetDataPart(file, static_cast<uint32_t>(done), n, piece.data()) != ZEL_OK || !sink(piece.data(), n))
      return false;
    done += n;
  }
  return true;
}

QByteArray ReadPDFData_ByFLNFile(int32_t dataIndex, const char* libraryPath) {
  if (dataIndex < 0 || libraryPath == nullptr) return QByteArray();
  AttachmentDataFile file;
  return file.open(libraryPath).ok() ? file.read(dataIndex) : QByteArray();
}

FlnResult AttachmentDataFile::open(const char* libraryPath) {
  ZEL_Close(&file_);
  reader_ = AttachmentDataReader(&file_);  // no member of a file opened before is current
  const FlnResult result = RunStorageStep(FlnStatus::CannotOpen, "read the library",
                                          [&] { return ZEL_Open(libraryPath, 1, &file_); });
  opened_ = result.ok();
  return result;
}
