#include "library/FlnCompact.h"

#include <sys/stat.h>

#include <QByteArray>
#include <cerrno>
#include <vector>

#include "library/FlnData.h"
#include "library/FlnContainerCheck.h"
#include "library/FlnCopy.h"
#include "library/FlnFileReplacement.h"
#include "library/FlnLoad.h"
#include "storage/TeskAry.h"

namespace {

int64_t SizeOf(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

// The tags of `source` that a copy does not write, in tag chain order.
bool OtherTags(ZEL_FILE* source, std::vector<int32_t>* tags) {
  int rc = ZEL_FirstTag(source);
  while (rc == ZEL_OK) {
    if (!IsLibraryRecordTag(source->current.tag)) tags->push_back(source->current.tag);
    rc = ZEL_NextTag(source);
  }
  return rc == ZEL_ERR_NO_TAG;
}

// Every member of `tag`, in chain order, appended to `target` as it is.
FlnResult CarryOver(ZEL_FILE* source, ZEL_FILE* target, int32_t tag) {
  const std::string what = "the members of " + TagText(tag);
  int rc = ZEL_FirstMember(source, tag);
  while (rc == ZEL_OK) {
    QByteArray bytes(static_cast<qsizetype>(ZEL_GetDataLength(source)), Qt::Uninitialized);
    if (!bytes.isEmpty() && ZEL_GetData(source, static_cast<uint32_t>(bytes.size()), bytes.data()) != ZEL_OK)
      return DamagedResult(what + " cannot be read");
    const FlnResult added = RunNewFileWrite("write " + what, [&] {
      return ZEL_AddData(target, tag, static_cast<uint32_t>(bytes.size()), bytes.constData());
    });
    if (!added.ok()) return added;
    rc = ZEL_NextMember(source);
  }
  return rc == ZEL_ERR_NO_MEMBER ? FlnResult::success() : DamagedResult(what + " cannot be read");
}

// The new file's whole content: the copy's records and PDFs, then the other tags.
FlnResult WriteCompacted(ZEL_FILE* source, ZEL_FILE* target, const FLN_DATA* data, const CompactProgress& progress) {
  const int32_t total = Tesk_Ary_GetSize(data->attachment);
  int32_t done = 0;
  bool cancelled = false;
  StoredPdfSource stored(source);
  int32_t leftOut = 0;
  FlnResult result = WriteLibraryRecords(
      target, data,
      [&](const FLN_ATTACHMENT& attachment) {
        if (cancelled || (progress && !progress(done, total))) {
          cancelled = true;
          return QByteArray();
        }
        ++done;
        return stored(attachment);
      },
      &leftOut);
  if (!result.ok()) return result;
  if (cancelled) return FlnResult::failure(FlnStatus::Stopped, "stopped; the library is unchanged");
  if (leftOut > 0)
    return FlnResult::failure(FlnStatus::Damaged, std::to_string(leftOut) +
                                                      " stored PDFs cannot be read whole; compacting would lose "
                                                      "them (\"folian-cli check\" names them)");
  std::vector<int32_t> tags;
  if (!OtherTags(source, &tags)) return DamagedResult("the tag chain cannot be walked");
  for (int32_t tag : tags) {
    result = CarryOver(source, target, tag);
    if (!result.ok()) return result;
  }
  return FlnResult::success();
}

}  // namespace

FlnResult CompactLibraryFile(const std::string& path, LibraryLock* lock, LibraryLockHolder holder,
                             FlnCompaction* done, const CompactProgress& progress) {
  FLN_DATA data;
  FlnResult result = ReadFlnDataFromFlnFile(path.c_str(), &data);
  if (!result.ok()) return result;
  struct stat before;
  ZEL_FILE source;
  if (::stat(path.c_str(), &before) != 0)
    result = FlnResultOfSystemCall(errno, FlnStatus::CannotOpen, "open the library file");
  else
    result = RunStorageStep(FlnStatus::CannotOpen, "open the library file",
                            [&] { return ZEL_Open(path.c_str(), 1, &source); });
  if (!result.ok()) {
    ZEL_Close(&source);
    FreeFlnData(&data);
    return result;
  }
  FlnFileReplacement replacement(path);
  ZEL_FILE compacted;
  result = replacement.create(&compacted, *source.layout);
  if (result.ok() && ::chmod(replacement.temporaryPath().c_str(), before.st_mode & 07777) != 0)
    result = FlnResultOfSystemCall(errno, FlnStatus::WriteFailed, "give the new file the library's permissions");
  if (result.ok()) result = WriteCompacted(&source, &compacted, &data, progress);
  ZEL_Close(&source);
  FreeFlnData(&data);
  // Locked before it is named: whoever opens the library by its name from
  // then on meets the lock.
  LibraryLock newLock;
  if (result.ok()) {
    const LibraryLockStatus locked = newLock.acquire(replacement.temporaryPath(), LibraryLockMode::Exclusive, holder);
    if (locked != LibraryLockStatus::Held && locked != LibraryLockStatus::Unsupported)
      result = FlnResult::failure(FlnStatus::WriteFailed, "cannot lock the new file: " + newLock.problem());
  }
  // Once renamed, the new file is the library, also when flushing the
  // folder fails (after a crash the name gives the old file or the new one).
  if (result.ok() && !replacement.commit(&compacted) && !replacement.replaced())
    result = FlnResultOfSystemCall(errno, FlnStatus::WriteFailed, "put the new file in place");
  ZEL_Close(&compacted);
  if (!result.ok()) return result;
  lock->swap(newLock);  // newLock now holds the old file and lets it go
  if (done != nullptr) *done = {static_cast<int64_t>(before.st_size), SizeOf(path)};
  return result;
}
