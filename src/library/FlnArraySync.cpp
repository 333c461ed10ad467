#include "library/FlnArraySync.h"

#include <sys/stat.h>

#include <new>

#include "storage/RecordHash.h"
#include "storage/ZelAry.h"

namespace {

// Holds an array's block in place so that record addresses stay valid while
// the container is written from them.
class LockedRecords {
 public:
  explicit LockedRecords(TESK_ARY ary) : ary_(ary) {
    if (ary_ != nullptr) Tesk_Ary_Lock(ary_, &wasLocked_);
  }
  ~LockedRecords() {
    if (ary_ != nullptr) Tesk_Ary_Unlock(ary_, wasLocked_);
  }
  LockedRecords(const LockedRecords&) = delete;
  LockedRecords& operator=(const LockedRecords&) = delete;

  int32_t count() const { return Tesk_Ary_GetSize(ary_); }
  const void* at(int32_t i) const { return Tesk_Ary_GetDataPtr(ary_, i); }

 private:
  TESK_ARY ary_;
  int wasLocked_ = 0;
};

std::vector<uint64_t> HashRecords(const LockedRecords& records, uint32_t recordSize) {
  std::vector<uint64_t> hashes(static_cast<size_t>(records.count()));
  for (size_t i = 0; i < hashes.size(); ++i) hashes[i] = RecordHash(records.at(static_cast<int32_t>(i)), recordSize);
  return hashes;
}

// The file does not hold what the image says; only a whole rewrite is safe.
constexpr int kNotAsRemembered = 1;

// Brings `tag` from the members the image knows (`disk`, one fingerprint per
// member) to the records of `ary` (`now`) in the order ZEL_ARY_Save uses:
// surplus members leave from the front, missing ones are appended, then the
// members that differ are rewritten in place. Appended members are written
// with their record at once, which leaves the same bytes as a zero record
// replaced afterwards. Container codes are returned as they come;
// kNotAsRemembered when the file's chain is not what the image says.
int SaveChangedMembers(ZEL_FILE* file, int32_t tag, const LockedRecords& records, uint32_t recordSize,
                       const std::vector<uint64_t>& disk, const std::vector<uint64_t>& now) {
  const size_t n = now.size();
  size_t m = disk.size();
  int rc;

  size_t first = 0;  // disk fingerprint of the member that becomes member 0
  for (; m > n; --m, ++first) {
    rc = ZEL_FirstMember(file, tag);
    if (rc != ZEL_OK) return rc == ZEL_ERR_NO_TAG ? kNotAsRemembered : rc;
    rc = ZEL_RemoveData(file);
    if (rc != ZEL_OK) return rc;
  }
  const size_t kept = m;
  for (; m < n; ++m) {
    rc = ZEL_AddData(file, tag, recordSize, records.at(static_cast<int32_t>(m)));
    if (rc != ZEL_OK) return rc;
  }

  size_t lastChanged = kept;  // kept means none
  for (size_t i = 0; i < kept; ++i)
    if (now[i] != disk[first + i]) lastChanged = i;
  if (lastChanged == kept) return ZEL_OK;

  if (ZEL_FirstMember(file, tag) != ZEL_OK) return kNotAsRemembered;
  for (size_t i = 0;; ++i) {
    if (ZEL_GetDataLength(file) != static_cast<int64_t>(recordSize)) return kNotAsRemembered;
    if (now[i] != disk[first + i]) {
      rc = ZEL_ReplaceData(file, recordSize, records.at(static_cast<int32_t>(i)));
      if (rc != ZEL_OK) return rc;
    }
    if (i == lastChanged) return ZEL_OK;
    if (ZEL_NextMember(file) != ZEL_OK) return kNotAsRemembered;
  }
}

int SaveWhole(ZEL_FILE* file, FlnDiskImage* image, int32_t tag, TESK_ARY ary, uint32_t recordSize) {
  const int rc = ZEL_ARY_Save(file, tag, ary, recordSize);
  if (rc == ZEL_OK)
    image->setTag(tag, ary);
  else
    image->forgetTag(tag);
  return rc;
}

}  // namespace

bool FlnDiskImage::checkFile(ZEL_FILE* file) {
  FileStream::Stamp now;
  const bool same =
      hasStamp_ && file != nullptr && file->stream != nullptr && file->stream->stamp(&now) && now == stamp_;
  if (!same) forgetAll();
  return same;
}

void FlnDiskImage::rememberStamp(ZEL_FILE* file) {
  hasStamp_ = file != nullptr && file->stream != nullptr && file->stream->stamp(&stamp_);
  if (!hasStamp_) forgetAll();
}

bool FlnDiskImage::pathIsAsLeft(const char* path) const {
  struct stat st;
  if (!hasStamp_ || path == nullptr || ::stat(path, &st) != 0) return false;
  FileStream::Stamp now;
  now.device = static_cast<uint64_t>(st.st_dev);
  now.inode = static_cast<uint64_t>(st.st_ino);
  now.size = static_cast<uint64_t>(st.st_size);
  now.mtimeSec = static_cast<int64_t>(st.st_mtim.tv_sec);
  now.mtimeNsec = static_cast<int64_t>(st.st_mtim.tv_nsec);
  return now == stamp_;
}

void FlnDiskImage::setTag(int32_t tag, TESK_ARY ary) {
  try {
    TagImage image;
    LockedRecords records(ary);
    if (records.count() > 0) {
      image.recordSize = static_cast<uint32_t>(ary->recordSize);
      image.hashes = HashRecords(records, image.recordSize);
    }
    tags_[tag] = std::move(image);
  } catch (const std::bad_alloc&) {
    forgetTag(tag);
  }
}

void FlnDiskImage::forgetTag(int32_t tag) { tags_.erase(tag); }

void FlnDiskImage::forgetAll() { tags_.clear(); }

bool FlnDiskImage::knows(int32_t tag) const { return tags_.count(tag) != 0; }

int FlnArraySync_Save(ZEL_FILE* file, FlnDiskImage* image, int32_t tag, TESK_ARY ary, uint32_t recordSize) {
  if (image == nullptr) return ZEL_ARY_Save(file, tag, ary, recordSize);

  const auto known = image->tags_.find(tag);
  const bool usable = known != image->tags_.end() &&
                      (known->second.hashes.empty() || known->second.recordSize == recordSize) &&
                      (ary == nullptr || static_cast<uint32_t>(ary->recordSize) == recordSize);
  if (!usable) return SaveWhole(file, image, tag, ary, recordSize);

  int rc;
  std::vector<uint64_t> now;
  {
    LockedRecords records(ary);
    try {
      now = HashRecords(records, recordSize);
    } catch (const std::bad_alloc&) {
      image->forgetTag(tag);
      return ZEL_ERR_ARG;  // as ZEL_ARY_Save reports a record buffer it cannot have
    }
    rc = SaveChangedMembers(file, tag, records, recordSize, known->second.hashes, now);
  }
  if (rc == kNotAsRemembered) return SaveWhole(file, image, tag, ary, recordSize);
  if (rc != ZEL_OK) {
    image->forgetTag(tag);
    return rc;
  }
  known->second.recordSize = now.empty() ? 0 : recordSize;
  known->second.hashes = std::move(now);
  return ZEL_OK;
}

void ForgetLibraryFileState(FLN_DATA* flnData) {
  if (flnData != nullptr && flnData->diskImage != nullptr) flnData->diskImage->forgetAll();
}

bool LibraryFileIsAsLeft(const FLN_DATA* flnData) {
  return flnData != nullptr && flnData->diskImage != nullptr && flnData->diskImage->pathIsAsLeft(flnData->filePath);
}

bool BeginWriteOutsideSavedTags(FLN_DATA* flnData, ZEL_FILE* file) {
  return flnData != nullptr && flnData->diskImage != nullptr && flnData->diskImage->checkFile(file);
}

void EndWriteOutsideSavedTags(FLN_DATA* flnData, ZEL_FILE* file) {
  if (flnData != nullptr && flnData->diskImage != nullptr) flnData->diskImage->rememberStamp(file);
}
