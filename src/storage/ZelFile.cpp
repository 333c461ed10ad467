#include "storage/ZelFile.h"

#include <algorithm>
#include <cstring>
#include <vector>
#include <sys/uio.h>
#include <unistd.h>

#include "storage/ZelJournal.h"
#include "storage/ZelTailCache.h"

using namespace zel;

// ---------------------------------------------------------------------------
// Record encoding and checked access
// ---------------------------------------------------------------------------

namespace {

uint32_t recordSize(const ZEL_FILE* file) { return file->layout->recordSize(); }

bool isOpen(const ZEL_FILE* file) { return file != nullptr && file->stream != nullptr; }

bool isTagHead(const ZEL_METADATA& r) { return r.prevMember == kNone; }

ZEL_METADATA newRecord(int32_t tag, uint64_t length, uint64_t position) {
  ZEL_METADATA r{};
  r.tag = tag;
  r.dataLength = length;
  r.position = position;
  r.prevMember = r.nextMember = r.prevTag = r.nextTag = kNone;
  return r;
}

// Reads the item record at `offset`. Anything that could only come from a
// damaged file is an I/O error: a record that does not lie inside the file,
// one that names another position than where it was found, or data running
// past the end of the file. Checking here means no caller ever follows or
// allocates from an unchecked number.
bool LiesInFile(const ZEL_FILE* file, uint64_t offset) {
  return offset >= kRootOffset && offset <= file->fileSize && file->fileSize - offset >= recordSize(file);
}

// Decodes the record `bytes` read at `offset` (which LiesInFile) and checks it as ReadMetaData does.
int DecodeCheckedRecord(const ZEL_FILE* file, uint64_t offset, const uint8_t* bytes, ZEL_METADATA* record) {
  ZEL_METADATA r;
  ZelDecodeRecord(*file->layout, bytes, &r);
  if (r.position != offset) return ZEL_ERR_IO;
  // Compared by subtraction: a damaged length must not wrap the sum around.
  if (r.dataLength > file->fileSize - offset - recordSize(file)) return ZEL_ERR_IO;
  *record = r;
  return ZEL_OK;
}

int ReadMetaData(ZEL_FILE* file, uint64_t offset, ZEL_METADATA* record) {
  const uint32_t size = recordSize(file);
  if (!LiesInFile(file, offset)) return ZEL_ERR_IO;
  uint8_t bytes[kLayout3.recordSize()];
  if (file->stream->readAt(offset, bytes, size) != size) return ZEL_ERR_IO;
  return DecodeCheckedRecord(file, offset, bytes, record);
}

int WriteMetaData(ZEL_FILE* file, const ZEL_METADATA& record) {
  uint8_t bytes[kLayout3.recordSize()];
  ZelEncodeRecord(*file->layout, record, bytes);
  return file->stream->writeAt(record.position, bytes, recordSize(file)) ? ZEL_OK : ZEL_ERR_IO;
}

// The root record must be where the format puts it and say what it is.
int FindFirstTagObj(ZEL_FILE* file, ZEL_METADATA* root) {
  const int rc = ReadMetaData(file, kRootOffset, root);
  if (rc != ZEL_OK) return rc;
  return root->tag == kRootTag ? ZEL_OK : ZEL_ERR_IO;
}

// Follows one link of a chain to a record that must be a tag head (or the
// root, for a tag head's prevTag).
int FollowTagLink(ZEL_FILE* file, uint64_t link, ZEL_METADATA* out) {
  if (link == kNone) return ZEL_ERR_NO_TAG;
  ZEL_METADATA r;
  const int rc = ReadMetaData(file, link, &r);
  if (rc != ZEL_OK) return rc;
  if (!isTagHead(r)) return ZEL_ERR_IO;
  *out = r;
  return ZEL_OK;
}

// Walks the tag chain from the root. Finds the head of `tag` (result 0) or
// reaches the end (-5) leaving the last record of the chain in *last (the
// root when the file has no tag). A chain longer than the file could hold
// has met a cycle: -2.
int WalkTagChain(ZEL_FILE* file, int32_t tag, ZEL_METADATA* found, ZEL_METADATA* last) {
  ZEL_METADATA r;
  int rc = FindFirstTagObj(file, &r);
  if (rc != ZEL_OK) return rc;
  const uint64_t limit = ZEL_MaxChainSteps(file);
  for (uint64_t steps = 0; r.nextTag != kNone; ++steps) {
    if (steps >= limit) return ZEL_ERR_IO;
    ZEL_METADATA next;
    rc = FollowTagLink(file, r.nextTag, &next);
    if (rc != ZEL_OK) return rc == ZEL_ERR_NO_TAG ? ZEL_ERR_IO : rc;
    if (next.tag == kRootTag) return ZEL_ERR_IO;  // only the root carries -1
    if (next.tag == tag) {
      *found = next;
      return ZEL_OK;
    }
    r = next;
  }
  if (last != nullptr) *last = r;
  return ZEL_ERR_NO_TAG;
}

int FindFirstMember(ZEL_FILE* file, int32_t tag, ZEL_METADATA* record) {
  if (tag == kRootTag) return ZEL_ERR_ARG;
  return WalkTagChain(file, tag, record, nullptr);
}

// Follows a member link; the record reached must belong to the same tag and
// must not be a tag head (a head is only ever reached through the tag chain).
int FollowMemberLink(ZEL_FILE* file, const ZEL_METADATA& from, uint64_t link, ZEL_METADATA* out) {
  if (link == kNone) return ZEL_ERR_NO_MEMBER;
  ZEL_METADATA r;
  const int rc = ReadMetaData(file, link, &r);
  if (rc != ZEL_OK) return rc;
  if (r.tag != from.tag) return ZEL_ERR_IO;
  *out = r;
  return ZEL_OK;
}

// Walks from `head` to the last member of its tag.
int FindLastMember(ZEL_FILE* file, const ZEL_METADATA& head, ZEL_METADATA* last) {
  ZEL_METADATA r = head;
  const uint64_t limit = ZEL_MaxChainSteps(file);
  for (uint64_t steps = 0; r.nextMember != kNone; ++steps) {
    if (steps >= limit) return ZEL_ERR_IO;
    ZEL_METADATA next;
    const int rc = FollowMemberLink(file, r, r.nextMember, &next);
    if (rc != ZEL_OK) return rc == ZEL_ERR_NO_MEMBER ? ZEL_ERR_IO : rc;
    r = next;
  }
  *last = r;
  return ZEL_OK;
}

// Whether the record at `tail` is, as far as one step back can tell, the last
// member of the tag headed by `head`: it ends the chain, and the member before
// it (or the head itself) links to it. A record unlinked since is caught here.
bool IsLinkedTail(ZEL_FILE* file, const ZEL_METADATA& head, uint64_t tail, ZEL_METADATA* last) {
  ZEL_METADATA r;
  if (ReadMetaData(file, tail, &r) != ZEL_OK || r.tag != head.tag || r.nextMember != kNone) return false;
  if (r.prevMember == kNone) {
    if (r.position != head.position) return false;
  } else {
    ZEL_METADATA prev;
    if (ReadMetaData(file, r.prevMember, &prev) != ZEL_OK || prev.tag != head.tag || prev.nextMember != tail)
      return false;
  }
  *last = r;
  return true;
}

// The current item as the file holds it now. Relinking works from the file's
// record rather than the handle's copy, which an AddData may have outdated.
int RereadCurrent(ZEL_FILE* file, ZEL_METADATA* record) {
  const int rc = ReadMetaData(file, file->current.position, record);
  if (rc != ZEL_OK) return rc;
  return record->tag == file->current.tag ? ZEL_OK : ZEL_ERR_IO;
}

int RefreshFileSize(ZEL_FILE* file) {
  const int64_t size = file->stream->size();
  if (size < 0) return ZEL_ERR_IO;
  file->fileSize = static_cast<uint64_t>(size);
  return ZEL_OK;
}

// The data of a new item: bytes in memory, or bytes of another file that
// are copied over without passing through this process.
struct ZelItemData {
  const void* bytes = nullptr;
  int sourceFd = -1;
  uint64_t sourceOffset = 0;
  uint64_t length = 0;

  bool write(ZEL_FILE* file, uint64_t at) const {
    return bytes != nullptr ? file->stream->writeAt(at, bytes, length)
                            : file->stream->copyFrom(sourceFd, sourceOffset, at, length);
  }
};

// The writes of one change. Each record is written over its original, which
// is kept; when a write fails, the originals go back in reverse order and the
// file is cut back to its old length, so a failed operation leaves the file
// as it was (as far as the disk still takes writes at all).
class ChangeSet {
 public:
  explicit ChangeSet(ZEL_FILE* file) : file_(file), oldSize_(file->fileSize) {}

  // Writes a new item (record and data) at the end of the file.
  int append(const ZEL_METADATA& record, const ZelItemData& data) {
    const uint64_t end = record.position;
    const uint64_t dataAt = end + recordSize(file_);
    const bool ok = WriteMetaData(file_, record) == ZEL_OK && (record.dataLength == 0 || data.write(file_, dataAt));
    if (!ok) return undo(ZEL_ERR_IO);
    file_->fileSize = dataAt + record.dataLength;
    return ZEL_OK;
  }

  // Writes `changed` over `original` (same position).
  int rewrite(const ZEL_METADATA& original, const ZEL_METADATA& changed) {
    originals_.push_back(original);
    const int rc = WriteMetaData(file_, changed);
    return rc == ZEL_OK ? ZEL_OK : undo(rc);
  }

 private:
  int undo(int rc) {
    for (auto it = originals_.rbegin(); it != originals_.rend(); ++it) WriteMetaData(file_, *it);
    originals_.clear();
    if (file_->stream->truncate(oldSize_)) file_->fileSize = oldSize_;
    return rc;
  }

  ZEL_FILE* file_;
  uint64_t oldSize_;
  std::vector<ZEL_METADATA> originals_;
};

// Where a new item of `length` data bytes goes, or -1 when it would end
// beyond what the file's offsets can name.
int NewItemPosition(ZEL_FILE* file, uint32_t length, uint64_t* position) {
  const int rc = RefreshFileSize(file);
  if (rc != ZEL_OK) return rc;
  if (!ZEL_Fits(*file->layout, file->fileSize, ZEL_ItemSize(*file->layout, length))) return ZEL_ERR_ARG;
  *position = file->fileSize;
  return ZEL_OK;
}

}  // namespace

// ---------------------------------------------------------------------------
// Opening and closing
// ---------------------------------------------------------------------------

// Whether an item `offset` steps away from where a walk began can still be
// part of a sound chain of this file.
static bool WithinChainReach(const ZEL_FILE* file, int64_t offset) {
  const uint64_t distance = offset < 0 ? static_cast<uint64_t>(-offset) : static_cast<uint64_t>(offset);
  return distance <= ZEL_MaxChainSteps(file);
}

uint64_t ZEL_MaxChainSteps(const ZEL_FILE* file) {
  if (file == nullptr || file->fileSize <= kRootOffset) return 0;
  return (file->fileSize - kRootOffset) / recordSize(file);
}

uint64_t ZEL_ItemSize(const RecordLayout& layout, uint64_t length) { return layout.recordSize() + length; }

bool ZEL_Fits(const RecordLayout& layout, uint64_t size, uint64_t growth) {
  return size <= layout.maxFileSize() && growth <= layout.maxFileSize() - size;
}

int ZEL_Create(const char* path, ZEL_FILE* file) { return ZEL_CreateWithLayout(path, kLayout2, file); }

int ZEL_CreateWithLayout(const char* path, const RecordLayout& layout, ZEL_FILE* file) {
  if (path == nullptr || file == nullptr) return ZEL_ERR_ARG;
  file->openMode = 0;
  file->stream = nullptr;
  file->hasCurrent = 0;
  file->fileSize = 0;
  file->layout = LayoutOfVersion(layout.version);
  if (file->layout == nullptr) return ZEL_ERR_ARG;

  // Exclusive creation: an existing file is never overwritten.
  FileStream* stream = FileStream::open(path, FileOpenMode::CreateExclusive);
  if (stream == nullptr) return ZEL_ERR_ARG;

  uint8_t header[kHeaderSize];
  ZelEncodeHeader(*file->layout, header);
  ZEL_METADATA root = newRecord(kRootTag, 0, kRootOffset);
  uint8_t rootBytes[kLayout3.recordSize()];
  ZelEncodeRecord(*file->layout, root, rootBytes);

  if (!stream->holdOverwrites() || !stream->writeAt(0, header, kHeaderSize) ||
      !stream->writeAt(kRootOffset, rootBytes, recordSize(file))) {
    // A half-written container is of no use to anyone; take it away again.
    delete stream;
    ::unlink(path);
    return ZEL_ERR_IO;
  }
  file->stream = stream;
  file->fileSize = file->layout->firstItem();
  return ZEL_OK;
}

int ZEL_Open(const char* path, int mode, ZEL_FILE* file) {
  if (path == nullptr || file == nullptr) return ZEL_ERR_ARG;
  file->openMode = mode;
  file->stream = nullptr;
  file->hasCurrent = 0;
  file->fileSize = 0;
  file->layout = &kLayout2;
  if (mode != 0 && mode != 1) return ZEL_ERR_ARG;
  if (mode == 0) {
    // A writer never builds on a half-made change: it is undone first.
    const ZelJournal::Recovery recovery = ZelJournal::RollBack(path);
    if (recovery == ZelJournal::Recovery::Foreign || recovery == ZelJournal::Recovery::Failed) return ZEL_ERR_IO;
  }

  file->stream = FileStream::open(path, mode == 0 ? FileOpenMode::ReadWrite : FileOpenMode::ReadOnly);
  if (file->stream == nullptr) return ZEL_ERR_ARG;
  if (RefreshFileSize(file) != ZEL_OK) return ZEL_ERR_IO;
  if (mode == 0 && !file->stream->holdOverwrites()) return ZEL_ERR_IO;

  uint8_t header[kHeaderSize];
  if (file->stream->readAt(0, header, kHeaderSize) != kHeaderSize) return ZEL_ERR_IO;
  const RecordLayout* layout = ZelHeaderLayout(header);
  if (layout == nullptr) return ZEL_ERR_ARG;
  file->layout = layout;
  return ZEL_OK;
}

int ZEL_Commit(ZEL_FILE* file) {
  if (!isOpen(file)) return ZEL_ERR_ARG;
  if (file->openMode != 0) return ZEL_OK;
  const bool trusted = ZelTailCache::isCurrent(file->stream);
  const bool committed = ZelJournal::Commit(file->stream, file->stream->path());
  if (RefreshFileSize(file) != ZEL_OK || !committed) return ZEL_ERR_IO;
  // The commit's own writes change the stamp; what was known stays true
  // (ZelTailCache.h, invariant 4).
  ZelTailCache::afterChange(file->stream, trusted, 0, kNone);
  return ZEL_OK;
}

int ZEL_Rollback(ZEL_FILE* file) {
  if (!isOpen(file)) return ZEL_ERR_ARG;
  if (file->openMode != 0) return ZEL_OK;
  file->hasCurrent = 0;
  // Nothing is told to the tail cache: the bytes put back carry another
  // stamp than its last one, so no tail of the discarded change is trusted
  // (ZelTailCache.h, invariant 1).
  const bool discarded = ZelJournal::Discard(file->stream);
  if (RefreshFileSize(file) != ZEL_OK || !discarded) return ZEL_ERR_IO;
  return ZEL_OK;
}

void ZEL_Close(ZEL_FILE* file) {
  if (file == nullptr || file->stream == nullptr) return;
  if (file->openMode == 0) ZEL_Commit(file);
  delete file->stream;
  file->stream = nullptr;
  file->hasCurrent = 0;
}

// ---------------------------------------------------------------------------
// Navigation
// ---------------------------------------------------------------------------

int ZEL_FirstTag(ZEL_FILE* file) {
  if (!isOpen(file)) return ZEL_ERR_ARG;
  ZEL_METADATA root;
  int rc = FindFirstTagObj(file, &root);
  if (rc != ZEL_OK) return rc;
  ZEL_METADATA head;
  rc = FollowTagLink(file, root.nextTag, &head);
  if (rc != ZEL_OK) return rc;
  if (head.tag == kRootTag) return ZEL_ERR_IO;
  file->current = head;
  file->hasCurrent = 1;
  file->tagOffset = 0;
  file->memberOffset = 0;
  return ZEL_OK;
}

static int MoveAlongTagChain(ZEL_FILE* file, bool forward) {
  if (!isOpen(file)) return ZEL_ERR_ARG;
  if (!file->hasCurrent) return ZEL_ERR_NO_CURRENT;
  ZEL_METADATA head = file->current;
  if (!isTagHead(head)) {
    const int rc = FindFirstMember(file, head.tag, &head);
    if (rc != ZEL_OK) return rc;
  }
  const uint64_t link = forward ? head.nextTag : head.prevTag;
  const int64_t offset = file->tagOffset + (forward ? 1 : -1);
  if (link != kNone && !WithinChainReach(file, offset)) return ZEL_ERR_IO;
  ZEL_METADATA next;
  const int rc = FollowTagLink(file, link, &next);
  if (rc != ZEL_OK) return rc;
  if (next.tag == kRootTag) return forward ? ZEL_ERR_IO : ZEL_ERR_NO_TAG;
  file->current = next;
  file->tagOffset = offset;
  file->memberOffset = 0;  // a tag head: its member chain begins here
  return ZEL_OK;
}

int ZEL_NextTag(ZEL_FILE* file) { return MoveAlongTagChain(file, true); }
int ZEL_PreviousTag(ZEL_FILE* file) { return MoveAlongTagChain(file, false); }

int ZEL_FirstMember(ZEL_FILE* file, int32_t tag) {
  if (!isOpen(file)) return ZEL_ERR_ARG;
  ZEL_METADATA head;
  const int rc = FindFirstMember(file, tag, &head);
  if (rc != ZEL_OK) return rc;
  // Back to the head of the tag it is on, the walk along the tag chain stays
  // where it was (a walk may return to each head before its next tag step);
  // any other tag is a new place to count from.
  if (!file->hasCurrent || file->current.tag != tag) file->tagOffset = 0;
  file->current = head;
  file->hasCurrent = 1;
  file->memberOffset = 0;
  return ZEL_OK;
}

static int MoveAlongMemberChain(ZEL_FILE* file, bool forward) {
  if (!isOpen(file)) return ZEL_ERR_ARG;
  if (!file->hasCurrent) return ZEL_ERR_NO_CURRENT;
  const uint64_t link = forward ? file->current.nextMember : file->current.prevMember;
  const int64_t offset = file->memberOffset + (forward ? 1 : -1);
  if (link != kNone && !WithinChainReach(file, offset)) return ZEL_ERR_IO;
  ZEL_METADATA next;
  const int rc = FollowMemberLink(file, file->current, link, &next);
  if (rc != ZEL_OK) return rc;
  file->current = next;
  file->memberOffset = offset;
  return ZEL_OK;
}

int ZEL_NextMember(ZEL_FILE* file) { return MoveAlongMemberChain(file, true); }
int ZEL_PreviousMember(ZEL_FILE* file) { return MoveAlongMemberChain(file, false); }

int ZEL_GoToMember(ZEL_FILE* file, int32_t tag, uint64_t position) {
  if (!isOpen(file)) return ZEL_ERR_ARG;
  if (tag == kRootTag) return ZEL_ERR_IO;
  ZEL_METADATA r;
  const int rc = ReadMetaData(file, position, &r);  // checks the position against the file
  if (rc != ZEL_OK) return rc;
  if (r.tag != tag) return ZEL_ERR_IO;
  // A new place to count chain steps from, as after ZEL_FirstMember.
  file->current = r;
  file->hasCurrent = 1;
  file->tagOffset = 0;
  file->memberOffset = 0;
  return ZEL_OK;
}

int64_t ZEL_GetDataLength(ZEL_FILE* file) {
  if (!isOpen(file) || !file->hasCurrent) return -1;
  return file->current.dataLength;
}

int ZEL_GetData(ZEL_FILE* file, uint32_t bufferSize, void* buffer) {
  if (!isOpen(file) || buffer == nullptr) return ZEL_ERR_ARG;
  if (!file->hasCurrent) return ZEL_ERR_NO_CURRENT;
  const uint64_t length = file->current.dataLength;
  if (length > bufferSize) return ZEL_ERR_ARG;
  if (length == 0) return ZEL_OK;
  const uint64_t at = file->current.position + recordSize(file);
  return file->stream->readAt(at, buffer, length) == length ? ZEL_OK : ZEL_ERR_IO;
}

namespace {

// Members read together at most: each takes two parts of a vectored read
// (its data, and the record of the next one), and IOV_MAX is 1024.
constexpr size_t kMaxRun = 512;

// Reads the data of the current member and of up to `n` - 1 members stored
// right after it into `records`, in one vectored read that puts the records
// of those next members into `links`. The members' positions are guesses
// until the chain is followed along them.
int ReadRun(ZEL_FILE* file, uint32_t length, size_t n, unsigned char* records, uint8_t* links) {
  const uint32_t link = recordSize(file);
  iovec parts[2 * kMaxRun];
  int count = 0;
  for (size_t k = 0; k < n; ++k) {
    if (k > 0) parts[count++] = {links + (k - 1) * link, link};
    parts[count++] = {records + k * length, length};
  }
  const uint64_t bytes = uint64_t{n} * length + uint64_t{n - 1} * link;
  const uint64_t at = file->current.position + link;
  return file->stream->readScattered(at, parts, count) == bytes ? ZEL_OK : ZEL_ERR_IO;
}

}  // namespace

int ZEL_GetMembers(ZEL_FILE* file, uint32_t length, size_t count, void* records, uint64_t* positions, size_t* read) {
  if (read != nullptr) *read = 0;
  if (!isOpen(file) || records == nullptr || read == nullptr) return ZEL_ERR_ARG;
  if (!file->hasCurrent) return ZEL_ERR_NO_CURRENT;
  const uint32_t link = recordSize(file);
  const uint64_t item = uint64_t{link} + length;
  uint8_t links[(kMaxRun - 1) * kLayout3.recordSize()];
  // A run grows while the chain keeps to the order of the file and starts
  // again from one member where it does not, so that a chain scattered
  // through the file is not read many times over.
  size_t run = 8;
  while (*read < count) {
    if (file->current.dataLength != length) return ZEL_ERR_ARG;
    const uint64_t inFile = (file->fileSize - file->current.position) / item;  // >= 1: the current member's data is in the file
    const size_t n = static_cast<size_t>(std::min<uint64_t>({run, count - *read, inFile}));
    unsigned char* into = static_cast<unsigned char*>(records) + *read * length;
    int rc = ReadRun(file, length, n, into, links);
    if (rc != ZEL_OK) return rc;
    size_t k = 0;
    for (;; ++k) {  // member k of the run is current, and its data was read where it lies
      if (positions != nullptr) positions[*read] = file->current.position;
      ++*read;
      const uint64_t next = file->current.position + item;
      ZEL_METADATA r;
      if (k + 1 == n || file->current.nextMember != next || !WithinChainReach(file, file->memberOffset + 1) ||
          !LiesInFile(file, next) || DecodeCheckedRecord(file, next, links + k * link, &r) != ZEL_OK ||
          r.tag != file->current.tag || r.dataLength != length)
        break;
      file->current = r;
      file->memberOffset += 1;
    }
    // The chain leaves the run here (or the run ends): the next step is an
    // ordinary one, with all its checks.
    run = k + 1 == n ? std::min(run * 2, kMaxRun) : 1;
    rc = ZEL_NextMember(file);
    if (rc != ZEL_OK) return rc;
  }
  return ZEL_OK;
}

int ZEL_GetDataPart(ZEL_FILE* file, uint64_t from, uint32_t length, void* buffer) {
  if (!isOpen(file) || buffer == nullptr) return ZEL_ERR_ARG;
  if (!file->hasCurrent) return ZEL_ERR_NO_CURRENT;
  if (from > file->current.dataLength || length > file->current.dataLength - from) return ZEL_ERR_ARG;
  if (length == 0) return ZEL_OK;
  const uint64_t at = file->current.position + recordSize(file) + from;
  return file->stream->readAt(at, buffer, length) == length ? ZEL_OK : ZEL_ERR_IO;
}

// ---------------------------------------------------------------------------
// Changes
//
// Order of writes: a new item (record and data) is written at the end of the
// file before any record that links to it, and relinking writes go in an
// order where the file after each single write still has whole chains. A
// process that dies between two writes therefore leaves a file that a reader
// walks without error, holding the old or the new state. The bytes after a
// finished operation are the same whatever the order.
// ---------------------------------------------------------------------------

static int CheckWritable(ZEL_FILE* file) {
  if (!isOpen(file)) return ZEL_ERR_ARG;
  if (file->openMode != 0) return ZEL_ERR_READ_ONLY;
  return ZEL_OK;
}

namespace {

int AddItem(ZEL_FILE* file, int32_t tag, uint32_t length, const ZelItemData& data) {
  int rc = CheckWritable(file);
  if (rc != ZEL_OK) return rc;
  if (tag == kRootTag || (data.bytes == nullptr && data.sourceFd < 0)) return ZEL_ERR_ARG;

  const bool trusted = ZelTailCache::isCurrent(file->stream);  // before any write (invariant 3)
  ZEL_METADATA head, last;
  const int found = WalkTagChain(file, tag, &head, &last);
  if (found != ZEL_OK && found != ZEL_ERR_NO_TAG) return found;
  if (found == ZEL_OK) {
    // The remembered tail saves walking the whole member chain; it is used
    // only while the file is as our last change left it, and only if the
    // record there still ends this tag's chain and its neighbour still links
    // to it (ZelTailCache.h, invariants 1 and 5).
    uint64_t tail;
    if (!(trusted && ZelTailCache::lookup(file->stream, tag, &tail) && IsLinkedTail(file, head, tail, &last))) {
      rc = FindLastMember(file, head, &last);
      if (rc != ZEL_OK) return rc;
    }
  }

  uint64_t end;
  rc = NewItemPosition(file, length, &end);
  if (rc != ZEL_OK) return rc;
  ZEL_METADATA item = newRecord(tag, length, end);
  ZEL_METADATA linked = last;
  if (found == ZEL_OK) {
    item.prevMember = last.position;  // a new last member of the tag
    linked.nextMember = end;
  } else {
    item.prevTag = last.position;     // a new tag at the end of the tag chain
    linked.nextTag = end;
  }
  ChangeSet change(file);
  rc = change.append(item, data);
  if (rc == ZEL_OK) rc = change.rewrite(last, linked);  // makes the item reachable
  if (rc != ZEL_OK) return rc;
  ZelTailCache::afterChange(file->stream, trusted, tag, end);  // invariant 4: the new end
  if (file->hasCurrent && file->current.position == linked.position) file->current = linked;
  return ZEL_OK;
}

}  // namespace

int ZEL_AddData(ZEL_FILE* file, int32_t tag, uint32_t length, const void* data) {
  return AddItem(file, tag, length, ZelItemData{data, -1, 0, length});
}

int ZEL_AddDataFrom(ZEL_FILE* file, int32_t tag, uint32_t length, int sourceFd, uint64_t sourceOffset) {
  return AddItem(file, tag, length, ZelItemData{nullptr, sourceFd, sourceOffset, length});
}

int ZEL_InsertData(ZEL_FILE* file, uint32_t length, const void* data) {
  int rc = CheckWritable(file);
  if (rc != ZEL_OK) return rc;
  if (data == nullptr) return ZEL_ERR_ARG;
  if (!file->hasCurrent) return ZEL_ERR_NO_CURRENT;

  // Read every record that changes before writing anything.
  const bool trusted = ZelTailCache::isCurrent(file->stream);
  ZEL_METADATA cur, before, after{};
  rc = RereadCurrent(file, &cur);
  if (rc != ZEL_OK) return rc;
  const bool head = isTagHead(cur);
  const bool hasAfter = head && cur.nextTag != kNone;
  if (head) {
    rc = ReadMetaData(file, cur.prevTag, &before);  // previous tag head or the root
    if (rc == ZEL_OK && hasAfter) rc = FollowTagLink(file, cur.nextTag, &after);
  } else {
    rc = FollowMemberLink(file, cur, cur.prevMember, &before);
  }
  if (rc != ZEL_OK) return rc == ZEL_ERR_NO_MEMBER || rc == ZEL_ERR_NO_TAG ? ZEL_ERR_IO : rc;

  uint64_t end;
  rc = NewItemPosition(file, length, &end);
  if (rc != ZEL_OK) return rc;
  ZEL_METADATA item = newRecord(cur.tag, length, end);
  ZEL_METADATA newBefore = before, newAfter = after, newCur = cur;
  item.nextMember = cur.position;
  if (head) {
    item.prevTag = before.position;  // the new item takes the current one's place in the tag chain
    newBefore.nextTag = end;
    if (hasAfter) {
      item.nextTag = after.position;
      newAfter.prevTag = end;
    }
    newCur.prevTag = newCur.nextTag = kNone;
  } else {
    item.prevMember = before.position;
    newBefore.nextMember = end;
  }
  newCur.prevMember = end;

  ChangeSet change(file);
  rc = change.append(item, ZelItemData{data, -1, 0, length});
  // From the next write on, forward walks pass through the new item.
  if (rc == ZEL_OK) rc = change.rewrite(before, newBefore);
  if (rc == ZEL_OK && hasAfter) rc = change.rewrite(after, newAfter);
  if (rc == ZEL_OK) rc = change.rewrite(cur, newCur);
  if (rc != ZEL_OK) return rc;
  ZelTailCache::afterChange(file->stream, trusted, 0, kNone);
  file->current = newCur;
  return ZEL_OK;
}

int ZEL_RemoveData(ZEL_FILE* file) {
  int rc = CheckWritable(file);
  if (rc != ZEL_OK) return rc;
  if (!file->hasCurrent) return ZEL_ERR_NO_CURRENT;

  const bool trusted = ZelTailCache::isCurrent(file->stream);
  ZEL_METADATA cur;
  rc = RereadCurrent(file, &cur);
  if (rc != ZEL_OK) return rc;

  // Read every record that changes before writing anything.
  ZEL_METADATA before, after{}, second{};
  const bool head = isTagHead(cur);
  const bool hasAfter = head ? cur.nextTag != kNone : cur.nextMember != kNone;
  if (head) {
    rc = ReadMetaData(file, cur.prevTag, &before);
    if (rc == ZEL_OK && hasAfter) rc = FollowTagLink(file, cur.nextTag, &after);
    if (rc == ZEL_OK && cur.nextMember != kNone) rc = FollowMemberLink(file, cur, cur.nextMember, &second);
  } else {
    rc = FollowMemberLink(file, cur, cur.prevMember, &before);
    if (rc == ZEL_OK && hasAfter) rc = FollowMemberLink(file, cur, cur.nextMember, &after);
  }
  if (rc != ZEL_OK) return rc == ZEL_ERR_NO_MEMBER || rc == ZEL_ERR_NO_TAG ? ZEL_ERR_IO : rc;

  ChangeSet change(file);
  ZEL_METADATA newBefore = before, newAfter = after;
  if (!head) {
    newBefore.nextMember = cur.nextMember;
    newAfter.prevMember = cur.prevMember;
    rc = change.rewrite(before, newBefore);
  } else if (cur.nextMember == kNone) {
    newBefore.nextTag = cur.nextTag;  // the tag ceases to exist
    newAfter.prevTag = cur.prevTag;
    rc = change.rewrite(before, newBefore);
  } else {
    // The second member becomes the tag head. It takes over the head's tag
    // links before anything points at it, so that the tag chain never leads
    // to a record that does not continue it.
    ZEL_METADATA newSecond = second;
    newSecond.prevMember = kNone;
    newSecond.prevTag = cur.prevTag;
    newSecond.nextTag = cur.nextTag;
    newBefore.nextTag = second.position;
    newAfter.prevTag = second.position;
    rc = change.rewrite(second, newSecond);
    if (rc == ZEL_OK) rc = change.rewrite(before, newBefore);
  }
  if (rc == ZEL_OK && hasAfter) rc = change.rewrite(after, newAfter);
  if (rc != ZEL_OK) return rc;
  if (cur.nextMember != kNone)
    ZelTailCache::afterChange(file->stream, trusted, 0, kNone);  // the tail stays (invariant 4)
  else
    ZelTailCache::afterChange(file->stream, trusted, cur.tag, head ? kNone : cur.prevMember);
  file->hasCurrent = 0;
  return ZEL_OK;
}

int ZEL_ReplaceData(ZEL_FILE* file, uint32_t length, const void* data) {
  int rc = CheckWritable(file);
  if (rc != ZEL_OK) return rc;
  if (data == nullptr) return ZEL_ERR_ARG;
  if (!file->hasCurrent) return ZEL_ERR_NO_CURRENT;
  if (length != file->current.dataLength) return ZEL_ERR_ARG;
  if (length == 0) return ZEL_OK;
  const bool trusted = ZelTailCache::isCurrent(file->stream);
  const uint64_t at = file->current.position + recordSize(file);
  if (!file->stream->writeAt(at, data, length)) return ZEL_ERR_IO;
  ZelTailCache::afterChange(file->stream, trusted, 0, kNone);
  return ZEL_OK;
}

int IsCompatibleTag(ZEL_FILE* file, int32_t tag, uint32_t recordLength, int* reason) {
  int rc = ZEL_FirstMember(file, tag);
  if (rc != ZEL_OK) {
    if (reason != nullptr) *reason = rc == ZEL_ERR_IO ? 3 : 1;
    return 0;
  }
  const uint64_t limit = ZEL_MaxChainSteps(file);
  for (uint64_t steps = 0;; ++steps) {
    if (ZEL_GetDataLength(file) != static_cast<int64_t>(recordLength)) {
      if (reason != nullptr) *reason = 2;
      return 0;
    }
    if (steps >= limit) break;
    rc = ZEL_NextMember(file);
    if (rc == ZEL_ERR_NO_MEMBER) return 1;
    if (rc != ZEL_OK) break;
  }
  if (reason != nullptr) *reason = 3;
  return 0;
}
