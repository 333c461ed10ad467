#include "transfer/ImportAppendSession.h"

#include <fcntl.h>
#include <unistd.h>

#include <memory>

#include "library/FlnArraySync.h"
#include "library/FlnDigestFill.h"
#include "library/FlnPreference.h"
#include "storage/ZelAry.h"
#include "storage/OwnedAry.h"

bool ImportAppendSession::open() {
  if (ZEL_Open(flnData_->filePath, 0, &file_) != ZEL_OK) {
    ZEL_Close(&file_);
    return false;
  }
  if (!BeginWriteOutsideSavedTags(flnData_, &file_)) {
    ZEL_Close(&file_);
    return false;
  }
  isOpen_ = true;
  // Opened again, the file is as this program left it (checked above), and
  // between two sessions only SaveAll wrote to it, which adds nothing to
  // 'ATTD' and 'HASH' (a delete's save only unlinks digests of attachments
  // that are gone, which no one looks up again): what this session counted
  // and read is still true, and
  // walking those chains again would cost a long library's whole length
  // for every batch of PDFs.
  if (counted_) return true;
  if (!countStoredPdfs() || !hashes_.load(&file_)) {
    close();
    return false;
  }
  AddMissingDigests(&file_, flnData_->entry, flnData_->attachment, &hashes_);
  counted_ = true;
  return true;
}

bool ImportAppendSession::close() {
  if (!isOpen_) return true;
  const bool committed = ZEL_Commit(&file_) == ZEL_OK;
  if (!committed) counted_ = false;  // the PDFs and digests stored since the last commit are gone
  EndWriteOutsideSavedTags(flnData_, &file_);
  ZEL_Close(&file_);
  isOpen_ = false;
  return committed;
}

int ImportAppendSession::store(const QByteArray& bytes, int32_t* dataIndex) {
  const int rc = ZEL_AddData(&file_, kTagAttachmentData, static_cast<uint32_t>(bytes.size()), bytes.constData());
  if (rc == ZEL_OK) *dataIndex = storedPdfs_++;
  return rc;
}

int ImportAppendSession::storeCopy(const std::string& path, const ImportFileStamp& readStamp,
                                   const QByteArray& bytes, int32_t* dataIndex) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  ImportFileStamp before;
  const bool unchanged = fd >= 0 && StampOfImportFile(fd, &before) && before == readStamp &&
                         before.size == static_cast<uint64_t>(bytes.size());
  if (!unchanged) {
    if (fd >= 0) ::close(fd);
    return store(bytes, dataIndex);
  }
  const uint32_t length = static_cast<uint32_t>(bytes.size());
  int rc = ZEL_AddDataFrom(&file_, kTagAttachmentData, length, fd, 0);
  ImportFileStamp after;
  const bool copiedAsRead = rc == ZEL_OK && StampOfImportFile(fd, &after) && after == readStamp;
  ::close(fd);
  if (rc == ZEL_OK && !copiedAsRead) {
    // Written to while being copied: the member gets the bytes that were read.
    const uint64_t position = file_.fileSize - ZEL_ItemSize(*file_.layout, length);
    rc = ZEL_GoToMember(&file_, kTagAttachmentData, position);
    if (rc == ZEL_OK) rc = ZEL_ReplaceData(&file_, length, bytes.constData());
    if (rc != ZEL_OK && ZEL_GoToMember(&file_, kTagAttachmentData, position) == ZEL_OK) ZEL_RemoveData(&file_);
  }
  if (rc == ZEL_OK) *dataIndex = storedPdfs_++;
  return rc;
}

void ImportAppendSession::storeDigest(int32_t atId, const QByteArray& bytes, const QByteArray& digest) {
  const FLN_ATTACHMENT_HASH record = MakeAttachmentHash(atId, static_cast<uint32_t>(bytes.size()), digest);
  if (ZEL_AddData(&file_, kTagAttachmentHash, sizeof record, &record) == ZEL_OK) hashes_.add(record);
}

void ImportAppendSession::remember(int32_t tag, const char* record) {
  OwnedAry one(Tesk_Ary_Init(kPreferenceRecordSize, 1, 1));
  if (one != nullptr && Tesk_Ary_Add(one.get(), record) == 0)
    ZEL_ARY_Save(&file_, tag, one.get(), kPreferenceRecordSize);
}

bool ImportAppendSession::countStoredPdfs() {
  storedPdfs_ = 0;
  int rc = ZEL_FirstMember(&file_, kTagAttachmentData);
  if (rc == ZEL_ERR_NO_TAG) return true;
  while (rc == ZEL_OK) {  // the container bounds the walk: a loop in the chain ends in -2
    ++storedPdfs_;
    rc = ZEL_NextMember(&file_);
  }
  return rc == ZEL_ERR_NO_MEMBER;
}
