#include "library/FlnArraySync.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstddef>
#include <new>

#include "storage/RecordHash.h"
#include "storage/ZelAry.h"
#include "storage/ZelTailCache.h"
#include "storage/TeskAryChanges.h"

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
  const void* at(int32_t i) const { return Tesk_Ary_ReadDataPtr(ary_, i); }

 private:
  TESK_ARY ary_;
  int wasLocked_ = 0;
};

// A fingerprint of a record's bytes; never kNotTaken, which marks a member
// whose fingerprint was not taken.
constexpr uint64_t kNotTaken = 0;
uint64_t Fingerprint(const void* record, uint32_t recordSize) {
  const uint64_t h = RecordHash(record, recordSize);
  return h == kNotTaken ? 1 : h;
}

// The file does not hold what the image says; only a whole rewrite is safe.
constexpr int kNotAsRemembered = 1;

// The records that may differ from the members that held them when the
// image last learnt the tag: [from, to).
struct Changed {
  size_t from, to;
  bool covers(size_t i) const { return i >= from && i < to; }
};

// Where each of the `count` members of `tag` lies, found by walking its chain.
int WalkPositions(ZEL_FILE* file, int32_t tag, size_t count, std::vector<uint64_t>* positions) {
  positions->clear();
  int rc = ZEL_FirstMember(file, tag);
  for (; rc == ZEL_OK; rc = ZEL_NextMember(file)) {
    if (positions->size() == count) return kNotAsRemembered;
    positions->push_back(file->current.position);
  }
  return rc == ZEL_ERR_NO_MEMBER && positions->size() == count ? ZEL_OK : kNotAsRemembered;
}

// Brings `tag` from the members the image knows (`hashes`, one fingerprint
// or kNotTaken per member; `positions`, where each lies, or empty) to the
// records in the order ZEL_ARY_Save uses: surplus members leave from the
// front, missing ones are appended, then the members that may differ are
// rewritten in place. Appended members are written with their record at
// once, which leaves the same bytes as a zero record replaced afterwards.
// On success `hashes` and `positions` describe the new members. Container
// codes are returned as they come; kNotAsRemembered when the file's chain is
// not what the image says.
int SaveChangedMembers(ZEL_FILE* file, int32_t tag, const LockedRecords& records, uint32_t recordSize,
                       Changed changed, std::vector<uint64_t>& hashes, std::vector<uint64_t>& positions) {
  const size_t n = static_cast<size_t>(records.count());
  const size_t m = hashes.size();
  const size_t first = m > n ? m - n : 0;  // the member that becomes member 0
  const size_t kept = std::min(m, n);

  // Which kept members must be rewritten, decided before anything is written
  // (invariant 5).
  // A record not noted as changed is what its old member i held; it stays
  // in place unless members left from the front. Others are compared by
  // fingerprint where the member's is known, and rewritten where it is not.
  // Without members leaving from the front only the changed records are
  // looked at, so that one change costs the same in a library of any size.
  std::vector<uint64_t> now;
  std::vector<size_t> rewrite;
  const auto decide = [&](size_t i, uint64_t member, uint64_t* record) {
    if (member != kNotTaken) {
      if (*record == kNotTaken) *record = Fingerprint(records.at(static_cast<int32_t>(i)), recordSize);
      if (*record == member) return;
    }
    rewrite.push_back(i);
  };
  if (first == 0) {
    now = std::move(hashes);
    now.resize(n, kNotTaken);  // appended members: fingerprints not taken
    // Records outside the changed range equal their members (invariant 4).
    for (size_t i = changed.from; i < std::min(changed.to, kept); ++i) {
      const uint64_t member = now[i];
      now[i] = kNotTaken;
      decide(i, member, &now[i]);
    }
  } else {
    now.assign(n, kNotTaken);
    for (size_t i = 0; i < kept; ++i) {
      if (!changed.covers(i)) now[i] = hashes[i];  // equal to member i (invariant 4)
      decide(i, hashes[first + i], &now[i]);
    }
  }

  bool placesKnown = positions.size() == m;
  int rc;
  for (size_t k = 0; k < first; ++k) {
    rc = ZEL_FirstMember(file, tag);
    if (rc != ZEL_OK) return rc == ZEL_ERR_NO_TAG ? kNotAsRemembered : rc;
    if (placesKnown && file->current.position != positions[k]) return kNotAsRemembered;  // invariant 6
    rc = ZEL_RemoveData(file);
    if (rc != ZEL_OK) return rc;
  }
  if (placesKnown) positions.erase(positions.begin(), positions.begin() + static_cast<ptrdiff_t>(first));
  // The first append would otherwise walk the whole chain to find its end.
  if (placesKnown && kept > 0 && kept < n) ZelTailCache::remember(file->stream, tag, positions.back());
  for (size_t i = kept; i < n; ++i) {
    const int64_t end = file->stream->size();  // a new item goes at the end of the file
    rc = ZEL_AddData(file, tag, recordSize, records.at(static_cast<int32_t>(i)));
    if (rc != ZEL_OK) return rc;
    if (end < 0) placesKnown = false;
    if (placesKnown) positions.push_back(static_cast<uint64_t>(end));
  }
  if (!placesKnown) positions.clear();

  if (!rewrite.empty() && !placesKnown) {
    rc = WalkPositions(file, tag, n, &positions);
    if (rc != ZEL_OK) return rc;
  }
  for (size_t i : rewrite) {
    rc = ZEL_GoToMember(file, tag, positions[i]);
    if (rc == ZEL_ERR_IO || (rc == ZEL_OK && ZEL_GetDataLength(file) != static_cast<int64_t>(recordSize)))
      return kNotAsRemembered;
    if (rc == ZEL_OK) rc = ZEL_ReplaceData(file, recordSize, records.at(static_cast<int32_t>(i)));
    if (rc != ZEL_OK) return rc;
  }
  hashes = std::move(now);
  return ZEL_OK;
}

int SaveWhole(ZEL_FILE* file, FlnDiskImage* image, int32_t tag, TESK_ARY ary, uint32_t recordSize) {
  std::vector<uint64_t> positions;
  const int rc = ZEL_ARY_Save(file, tag, ary, recordSize, &positions);
  if (rc == ZEL_OK)
    image->setTag(tag, ary, std::move(positions));
  else
    image->forgetTag(tag);
  return rc;
}

}  // namespace

bool FlnDiskImage::checkFile(ZEL_FILE* file) {
  FileStream::Stamp now;
  // invariant 1
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

void FlnDiskImage::setTag(int32_t tag, TESK_ARY ary, std::vector<uint64_t> positions) {
  try {
    TagImage image;
    const int32_t count = Tesk_Ary_GetSize(ary);
    if (count > 0) {
      image.recordSize = static_cast<uint32_t>(ary->recordSize);
      image.hashes.assign(static_cast<size_t>(count), kNotTaken);
      if (positions.size() == image.hashes.size()) image.positions = std::move(positions);
    }
    image.blockSerial = Tesk_Ary_BlockSerial(ary);
    tags_[tag] = std::move(image);
    Tesk_Ary_ClearChanges(ary);
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

  FlnDiskImage::TagImage& tagImage = known->second;
  // Another array than the one the members mirror may differ anywhere (invariant 4).
  Changed changed{0, static_cast<size_t>(Tesk_Ary_GetSize(ary))};
  if (ary != nullptr && tagImage.blockSerial == Tesk_Ary_BlockSerial(ary)) {
    int32_t from, to;
    Tesk_Ary_GetChanges(ary, &from, &to);
    changed = Changed{static_cast<size_t>(from), static_cast<size_t>(to)};
  }
  int rc;
  {
    LockedRecords records(ary);
    try {
      rc = SaveChangedMembers(file, tag, records, recordSize, changed, tagImage.hashes, tagImage.positions);
    } catch (const std::bad_alloc&) {
      image->forgetTag(tag);
      return ZEL_ERR_ARG;  // as ZEL_ARY_Save reports a record buffer it cannot have
    }
  }
  if (rc == kNotAsRemembered) return SaveWhole(file, image, tag, ary, recordSize);  // invariant 6
  if (rc != ZEL_OK) {
    image->forgetTag(tag);
    return rc;
  }
  tagImage.recordSize = tagImage.hashes.empty() ? 0 : recordSize;
  tagImage.blockSerial = Tesk_Ary_BlockSerial(ary);
  Tesk_Ary_ClearChanges(ary);
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

// Moves the stamp on and keeps every tag (invariant 7).
void EndWriteOutsideSavedTags(FLN_DATA* flnData, ZEL_FILE* file) {
  if (flnData != nullptr && flnData->diskImage != nullptr) flnData->diskImage->rememberStamp(file);
}
