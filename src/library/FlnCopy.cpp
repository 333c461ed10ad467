#include "library/FlnCopy.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "library/FlnAttachment.h"
#include "library/FlnContainerCheck.h"
#include "library/FlnAttachmentHash.h"
#include "library/FlnFileReplacement.h"
#include "format/Endian.h"
#include "format/LibrarySchema.h"
#include "library/FlnDataArrays.h"
#include "storage/ZelAry.h"

namespace {

// The stored arrays but the attachments (which go with their PDFs), in the
// order every copy has written them: a copy's bytes stay what they were.
constexpr int32_t kCopyOrder[] = {kTagEntry, kTagLabel, kTagIdCounter, kTagEnvironment, kTagCats};

constexpr bool CopyWritesEveryArray() {
  for (const LibraryTag& t : kLibraryTags) {
    if (t.kind != LibraryTagKind::Array || t.tag == kTagAttachment) continue;
    bool written = false;
    for (int32_t tag : kCopyOrder) written = written || tag == t.tag;
    if (!written) return false;
  }
  for (int32_t tag : kCopyOrder)
    if (!FindLibraryTag(tag) || FindLibraryTag(tag)->kind != LibraryTagKind::Array) return false;
  return true;
}
static_assert(CopyWritesEveryArray(), "a copy writes each stored array but the attachments once, in kCopyOrder");

}  // namespace

FlnResult WriteLibraryRecords(ZEL_FILE* target, const FLN_DATA* flnData, const LibraryPdfSource& source,
                              int32_t* leftOut) {
  for (int32_t tag : kCopyOrder) {
    const LibraryTag& t = *FindLibraryTag(tag);
    const FlnResult saved = RunNewFileWrite("write " + TagText(t.tag) + " of the new library", [&] {
      return ZEL_ARY_Save(target, t.tag, flnData->*ArrayOfTag(t.tag), t.recordSize);
    });
    if (!saved.ok()) return saved;
  }

  TESK_ARY attachments = flnData->attachment;
  if (attachments == nullptr) return FlnResult::success();
  if (attachments->recordSize != static_cast<int32_t>(sizeof(FLN_ATTACHMENT)))
    return FlnResult::failure(FlnStatus::NotLoaded, "the attachment records in memory are not attachment records");
  int32_t written = 0;
  const int32_t count = Tesk_Ary_GetSize(attachments);
  for (int32_t i = 0; i < count; ++i) {
    FLN_ATTACHMENT attachment;
    Tesk_Ary_GetData(attachments, i, &attachment);
    const QByteArray pdf = source(attachment);
    if (pdf.isEmpty()) {
      ++*leftOut;
      continue;
    }
    attachment.dataIndex = ZEL_EndianLong_NtoL(written);
    // The file becomes the library only once complete, so the order of
    // writes inside it does not matter for safety.
    const int32_t atId = ZEL_EndianLong_LtoN(attachment.at_id);
    const FLN_ATTACHMENT_HASH hash = MakeAttachmentHash(atId, static_cast<uint32_t>(pdf.size()), PdfDigest(pdf));
    const std::string doing = "write the PDF of attachment " + std::to_string(atId) + " into the new library";
    const FlnResult added = RunNewFileWrite(doing, [&] {
      int rc = ZEL_AddData(target, kTagAttachment, sizeof attachment, &attachment);
      if (rc == ZEL_OK)
        rc = ZEL_AddData(target, kTagAttachmentData, static_cast<uint32_t>(pdf.size()), pdf.constData());
      if (rc == ZEL_OK) rc = ZEL_AddData(target, kTagAttachmentHash, sizeof hash, &hash);
      return rc;
    });
    if (!added.ok()) return added;
    ++written;
  }
  return FlnResult::success();
}

bool IsLibraryRecordTag(int32_t tag) {
  const LibraryTag* row = FindLibraryTag(tag);
  return row != nullptr && (row->kind == LibraryTagKind::Array || row->kind == LibraryTagKind::PdfBytes ||
                            row->kind == LibraryTagKind::PdfDigest);
}

StoredPdfSource::StoredPdfSource(ZEL_FILE* file) : reader_(file) { hashes_.load(file); }

QByteArray StoredPdfSource::operator()(const FLN_ATTACHMENT& attachment) {
  QByteArray pdf = reader_.read(ZEL_EndianLong_LtoN(attachment.dataIndex));
  const FLN_ATTACHMENT_HASH* hash = hashes_.find(ZEL_EndianLong_LtoN(attachment.at_id));
  if (hash != nullptr && (pdf.size() != ZEL_EndianLong_LtoN(hash->length) ||
                          std::memcmp(PdfDigest(pdf).constData(), hash->digest, sizeof hash->digest) != 0))
    pdf.clear();
  return pdf;
}

FlnResult WriteLibraryFile(const FLN_DATA* flnData, const char* targetPath, const LibraryPdfSource& source,
                           int32_t* attachmentsLeftOut, const zel::RecordLayout& layout) {
  int32_t leftOut = 0;
  if (attachmentsLeftOut != nullptr) *attachmentsLeftOut = 0;
  FlnFileReplacement replacement(targetPath);
  ZEL_FILE copy;
  FlnResult r = replacement.create(&copy, layout);
  if (!r.ok()) {
    ZEL_Close(&copy);
    return r;
  }
  r = WriteLibraryRecords(&copy, flnData, source, &leftOut);
  if (r.ok() && !replacement.commit(&copy))
    r = FlnResultOfSystemCall(errno, FlnStatus::WriteFailed, "put the new library in place");
  ZEL_Close(&copy);
  if (r.ok() && attachmentsLeftOut != nullptr) *attachmentsLeftOut = leftOut;
  return r;
}

FlnResult WriteLibraryCopy(const FLN_DATA* flnData, const char* targetPath, int32_t* attachmentsLeftOut) {
  if (attachmentsLeftOut != nullptr) *attachmentsLeftOut = 0;
  if (flnData == nullptr || flnData->filePath[0] == '\0' || targetPath == nullptr || targetPath[0] == '\0')
    return FlnResult::failure(FlnStatus::CannotOpen, "no library or no target given");

  struct stat own, target;
  if (stat(flnData->filePath, &own) != 0)
    return FlnResultOfSystemCall(errno, FlnStatus::CannotOpen, "open the library file");
  // The same file under any name (another spelling, a link) has the same
  // device and inode; replacing it would destroy the library being copied.
  if (stat(targetPath, &target) == 0 && target.st_dev == own.st_dev && target.st_ino == own.st_ino)
    return FlnResult::failure(FlnStatus::SameFile, "the copy would replace the library's own file");

  ZEL_FILE source;
  const FlnResult opened = RunStorageStep(FlnStatus::CannotOpen, "open the library file",
                                          [&] { return ZEL_Open(flnData->filePath, 1, &source); });
  if (!opened.ok()) {
    ZEL_Close(&source);
    return opened;
  }
  StoredPdfSource pdfs(&source);
  const FlnResult r = WriteLibraryFile(flnData, targetPath, std::ref(pdfs), attachmentsLeftOut, *source.layout);
  ZEL_Close(&source);
  return r;
}
