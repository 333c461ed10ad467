#include "library/FlnAppendSession.h"

#include <cerrno>

#include "library/FlnArraySync.h"
#include "library/FlnContainerCheck.h"
#include "library/FlnDigestFill.h"
#include "library/FlnPreference.h"
#include "storage/OwnedAry.h"
#include "storage/ZelAry.h"

FlnResult FlnAppendSession::open() {
  FlnResult opened = RunStorageStep(FlnStatus::CannotOpen, "open the library file for writing",
                                    [&] { return ZEL_Open(flnData_->filePath, 0, &file_); });
  if (!opened.ok()) {
    ZEL_Close(&file_);
    return opened;
  }
  if (!BeginWriteOutsideSavedTags(flnData_, &file_)) {
    ZEL_Close(&file_);
    return FlnResult::failure(FlnStatus::Replaced, "the library file was replaced or changed by another program");
  }
  isOpen_ = true;
  // Opened again, the file is as this program left it (checked above), and
  // between two sessions only SaveAll wrote to it, which adds nothing to
  // 'ATTD' and 'HASH' (a delete's save only unlinks digests of attachments
  // that are gone, which no one looks up again): what this session counted
  // and read is still true, and walking those chains again would cost a long
  // library's whole length for every batch of PDFs.
  if (counted_) return FlnResult::success();
  FlnResult walked = FlnResult::success();
  if (!countStoredPdfs())
    walked = DamagedResult("the member chain of " + TagText(kTagAttachmentData) + " is broken");
  else if (!hashes_.load(&file_))
    walked = DamagedResult("the member chain of " + TagText(kTagAttachmentHash) + " is broken");
  if (!walked.ok()) {
    close();
    return walked;
  }
  AddMissingDigests(&file_, flnData_->entry, flnData_->attachment, &hashes_);
  counted_ = true;
  return FlnResult::success();
}

FlnResult FlnAppendSession::close() {
  if (!isOpen_) return FlnResult::success();
  const FlnResult committed =
      RunStorageStep(FlnStatus::WriteFailed, "commit the stored PDFs", [&] { return ZEL_Commit(&file_); });
  if (!committed.ok()) counted_ = false;  // the PDFs and digests stored since the last commit are gone
  EndWriteOutsideSavedTags(flnData_, &file_);
  ZEL_Close(&file_);
  isOpen_ = false;
  return committed;
}

FlnResult FlnAppendSession::added(int zelCode, int error, int32_t* dataIndex) {
  // The container refuses an item that its offsets could not name before
  // writing anything (ZEL_Fits); every other refusal is a failed write.
  if (zelCode == ZEL_ERR_ARG)
    return FlnResult::failure(FlnStatus::TooLarge, "the library file would pass the largest size it can have");
  const FlnResult result = FlnResultOfStorage(zelCode, error, FlnStatus::WriteFailed, "store the PDF");
  if (result.ok()) *dataIndex = storedPdfs_++;
  return result;
}

FlnResult FlnAppendSession::store(const QByteArray& bytes, int32_t* dataIndex) {
  errno = 0;
  const int rc = ZEL_AddData(&file_, kTagAttachmentData, static_cast<uint32_t>(bytes.size()), bytes.constData());
  return added(rc, errno, dataIndex);
}

FlnResult FlnAppendSession::storeFrom(int sourceFd, const QByteArray& bytes,
                                      const std::function<bool()>& sourceUnchanged, int32_t* dataIndex) {
  if (!sourceUnchanged()) return store(bytes, dataIndex);
  const uint32_t length = static_cast<uint32_t>(bytes.size());
  errno = 0;
  int rc = ZEL_AddDataFrom(&file_, kTagAttachmentData, length, sourceFd, 0);
  if (rc == ZEL_OK && !sourceUnchanged()) {
    // Written to while being copied: the member gets the bytes that were read.
    const uint64_t position = file_.fileSize - ZEL_ItemSize(*file_.layout, length);
    rc = ZEL_GoToMember(&file_, kTagAttachmentData, position);
    if (rc == ZEL_OK) rc = ZEL_ReplaceData(&file_, length, bytes.constData());
    const int error = errno;
    if (rc != ZEL_OK && ZEL_GoToMember(&file_, kTagAttachmentData, position) == ZEL_OK) ZEL_RemoveData(&file_);
    errno = error;
  }
  return added(rc, rc == ZEL_OK ? 0 : errno, dataIndex);
}

void FlnAppendSession::storeDigest(int32_t atId, const QByteArray& bytes, const QByteArray& digest) {
  const FLN_ATTACHMENT_HASH record = MakeAttachmentHash(atId, static_cast<uint32_t>(bytes.size()), digest);
  if (ZEL_AddData(&file_, kTagAttachmentHash, sizeof record, &record) == ZEL_OK) hashes_.add(record);
}

void FlnAppendSession::remember(int32_t tag, const char* record) {
  OwnedAry one(Tesk_Ary_Init(kPreferenceRecordSize, 1, 1));
  if (one != nullptr && Tesk_Ary_Add(one.get(), record) == 0)
    ZEL_ARY_Save(&file_, tag, one.get(), kPreferenceRecordSize);
}

bool FlnAppendSession::countStoredPdfs() {
  storedPdfs_ = 0;
  int rc = ZEL_FirstMember(&file_, kTagAttachmentData);
  if (rc == ZEL_ERR_NO_TAG) return true;
  while (rc == ZEL_OK) {  // the container bounds the walk: a loop in the chain ends in -2
    ++storedPdfs_;
    rc = ZEL_NextMember(&file_);
  }
  return rc == ZEL_ERR_NO_MEMBER;
}
