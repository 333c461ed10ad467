#include "library/FlnRecover.h"

#include <sys/stat.h>

#include <QByteArray>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "format/CategoryNameText.h"
#include "library/FlnCategoryTable.h"
#include "library/FlnAttachmentHash.h"
#include "library/FlnContainerCheck.h"
#include "library/FlnCopy.h"
#include "library/FlnCreateCats.h"
#include "library/FlnIdCounter.h"
#include "library/FlnLoad.h"
#include "library/FlnNewLibrary.h"
#include "format/Endian.h"
#include "format/LibrarySchema.h"
#include "library/FlnDataArrays.h"
#include "storage/FileIo.h"
#include "format/FieldText.h"
#include "storage/OwnedAry.h"
#include "storage/TeskUtil.h"
#include "storage/TeskAryChanges.h"

namespace {

using zel::kNone;

// Bytes read at a time while searching a damaged stretch for the next item.
constexpr size_t kSearchBlock = 1 << 16;

using Item = ZEL_METADATA;

// Every item of a container file that can still be read, found by position.
class ItemScan {
 public:
  ItemScan(FileStream* stream, const zel::RecordLayout& layout)
      : stream_(stream), layout_(layout), recordSize_(layout.recordSize()),
        size_(static_cast<uint64_t>(stream->size())) {}

  void run() {
    uint64_t p = layout_.firstItem();
    while (p + recordSize_ <= size_) {
      Item item;
      if (readItem(p, false, &item)) {
        add(item);
        p += recordSize_ + item.dataLength;
      } else {
        ++damagedSpans;
        p = searchFrom(p + 1);
      }
    }
  }

  // The item recorded at `position`, or null.
  const Item* at(uint64_t position) const {
    const auto it = byPosition_.find(position);
    return it == byPosition_.end() ? nullptr : &items[it->second];
  }

  // The next item of `tag` after `position` in file order, or null.
  const Item* nextOfTag(int32_t tag, uint64_t position) const {
    for (auto it = byPosition_.upper_bound(position); it != byPosition_.end(); ++it)
      if (items[it->second].tag == tag) return &items[it->second];
    return nullptr;
  }

  // The prevMember field of whatever record lies at `position` (kNone when unreadable).
  uint64_t prevMemberAt(uint64_t position) const {
    Item r;
    return decodeAt(position, &r) ? r.prevMember : kNone;
  }

  uint64_t rootNextTag() const {
    Item root;
    return decodeAt(zel::kRootOffset, &root) ? root.nextTag : kNone;
  }

  QByteArray data(const Item& item) const {
    QByteArray bytes;
    try {
      bytes.resize(static_cast<qsizetype>(item.dataLength));
    } catch (const std::bad_alloc&) {
      return QByteArray();
    }
    if (stream_->readAt(item.position + recordSize_, bytes.data(), bytes.size()) != item.dataLength)
      return QByteArray();
    return bytes;
  }

  const zel::RecordLayout& layout() const { return layout_; }

  std::vector<Item> items;  // in file order
  int32_t damagedSpans = 0;

 private:
  // An item record names its own position, and its data end within the
  // file. After damage, only records of a library's tags are believed: the
  // bytes of a PDF could name their own position by chance.
  bool readItem(uint64_t p, bool searching, Item* out) const {
    if (!decodeAt(p, out)) return false;
    if (out->position != p || out->tag == zel::kRootTag) return false;
    if (out->dataLength > size_ - p - recordSize_) return false;
    return !searching || IsLibraryFileTag(out->tag);
  }

  // The record at `p` as it reads, whatever it says; false when it does not lie inside the file.
  bool decodeAt(uint64_t p, Item* out) const {
    uint8_t r[zel::kLayout3.recordSize()];
    if (p > size_ || size_ - p < recordSize_ || stream_->readAt(p, r, recordSize_) != recordSize_) return false;
    ZelDecodeRecord(layout_, r, out);
    return true;
  }

  // The position field of a record starting at `block`.
  uint64_t positionIn(const uint8_t* block) const {
    Item r;
    ZelDecodeRecord(layout_, block, &r);
    return r.position;
  }

  void add(const Item& item) {
    byPosition_.emplace(item.position, items.size());
    items.push_back(item);
  }

  // The first offset from `from` on that holds a readable item, or the file's size.
  uint64_t searchFrom(uint64_t from) const {
    std::vector<uint8_t> block(kSearchBlock + recordSize_);
    for (uint64_t start = from; start + recordSize_ <= size_; start += kSearchBlock) {
      const size_t got = stream_->readAt(start, block.data(), block.size());
      for (size_t i = 0; i + recordSize_ <= got && i < kSearchBlock; ++i) {
        const uint64_t q = start + i;
        Item item;
        if (positionIn(&block[i]) == q && readItem(q, true, &item)) return q;
      }
    }
    return size_;
  }

  FileStream* stream_;
  const zel::RecordLayout& layout_;
  const uint32_t recordSize_;
  uint64_t size_;
  std::map<uint64_t, size_t> byPosition_;
};

// The members of each tag, in member order; a null stands for a member that
// was there but cannot be read.
class MemberWalk {
 public:
  explicit MemberWalk(const ItemScan& scan) : scan_(scan) { findHeads(); }

  std::vector<const Item*> membersOf(int32_t tag) const {
    std::vector<const Item*> members;
    const Item* cur = nullptr;
    const auto head = heads_.find(tag);
    if (head != heads_.end()) {
      cur = scan_.at(head->second);
      if (cur == nullptr || cur->tag != tag) {
        // The tag chain names the head, but its record is unreadable.
        members.push_back(nullptr);
        cur = scan_.nextOfTag(tag, head->second);
        if (cur != nullptr) addLost(head->second, *cur, &members);
      }
    } else {
      cur = lastHeadOf(tag);
    }
    std::unordered_set<uint64_t> visited;
    while (cur != nullptr && visited.insert(cur->position).second) {
      members.push_back(cur);
      if (cur->nextMember == kNone) break;
      const Item* next = scan_.at(cur->nextMember);
      if (next == nullptr || next->tag != tag || next->prevMember != cur->position) {
        // A broken link: members only ever follow in file order.
        next = scan_.nextOfTag(tag, cur->position);
        if (next != nullptr) addLost(cur->position, *next, &members);
      }
      cur = next;
    }
    return members;
  }

 private:
  void findHeads() {
    uint64_t p = scan_.rootNextTag();
    std::unordered_set<uint64_t> visited;
    while (p != kNone && visited.insert(p).second) {
      const Item* head = scan_.at(p);
      if (head == nullptr || head->prevMember != kNone || heads_.count(head->tag) != 0) return;
      heads_.emplace(head->tag, p);
      p = head->nextTag;
    }
  }

  // Without the tag chain: a tag's head is its last member that has no
  // member before it (heads removed earlier lie before it).
  const Item* lastHeadOf(int32_t tag) const {
    const Item* found = nullptr;
    for (const Item& item : scan_.items)
      if (item.tag == tag && item.prevMember == kNone) found = &item;
    if (found != nullptr) return found;
    for (const Item& item : scan_.items)
      if (item.tag == tag) return &item;
    return nullptr;
  }

  // The members lost between the member at `from` and `to`: `to` names the
  // one before it, whose record (damaged elsewhere) may still name the one
  // before that.
  void addLost(uint64_t from, const Item& to, std::vector<const Item*>* members) const {
    uint64_t p = to.prevMember;
    for (size_t steps = 0; p != from && steps < scan_.items.size() + 1; ++steps) {
      members->push_back(nullptr);
      const uint64_t before = scan_.prevMemberAt(p);
      if (before == kNone || before < from || before >= p) break;
      p = before;
    }
  }

  const ItemScan& scan_;
  std::unordered_map<int32_t, uint64_t> heads_;
};

std::string EntryName(const FLN_ENTRY& entry) {
  char title[sizeof entry.en_title / 2 * 3 + 1];
  if (FLN_COMM_ConvertUniCharToChar_LtoN(entry.en_title, sizeof entry.en_title, title, sizeof title) != 1)
    title[0] = '\0';
  return "entry " + std::to_string(ZEL_EndianLong_LtoN(entry.en_id)) + " (" + title + ")";
}

// The records of `tag` that can be read, in member order, into a new array;
// how many were lost goes to `lost`.
TESK_ARY Records(const ItemScan& scan, const MemberWalk& walk, int32_t tag, uint32_t recordSize, int32_t* lost) {
  TESK_ARY ary = Tesk_Ary_Init(static_cast<int32_t>(recordSize), 20, 20);
  *lost = 0;
  if (ary == nullptr) return nullptr;
  for (const Item* item : walk.membersOf(tag)) {
    const QByteArray bytes = item != nullptr && item->dataLength == recordSize ? scan.data(*item) : QByteArray();
    if (bytes.size() != static_cast<qsizetype>(recordSize) || Tesk_Ary_Add(ary, bytes.constData()) != 0) ++*lost;
  }
  return ary;
}

// Raises the counter (`tag`, `key`) so that it hands out nothing below `next`.
void RaiseCounter(TESK_ARY idCounter, int32_t tag, const char* key, int32_t next) {
  for (int32_t i = 0; i < Tesk_Ary_GetSize(idCounter); ++i) {
    FLN_ID_COUNTER counter;
    Tesk_Ary_GetData(idCounter, i, &counter);
    if (ZEL_EndianLong_LtoN(counter.tag) != tag || std::strncmp(counter.key, key, sizeof counter.key) != 0) continue;
    if (ZEL_EndianLong_LtoN(counter.nextId) < next) {
      counter.nextId = ZEL_EndianLong_NtoL(next);
      Tesk_Ary_Update(idCounter, i, &counter);
    }
    return;
  }
  if (GetIdFromIdCounter(idCounter, tag, key) >= 0) RaiseCounter(idCounter, tag, key, next);
}

class Recovery {
 public:
  Recovery(const ItemScan& scan, RecoveryReport* report) : scan_(scan), walk_(scan), report_(report) {}

  bool collect() {
    int32_t lost = 0;
    for (const LibraryTag& t : kLibraryTags) {
      if (t.kind != LibraryTagKind::Array) continue;
      data_.*ArrayOfTag(t.tag) = Records(scan_, walk_, t.tag, t.recordSize, &lost);
      if (data_.*ArrayOfTag(t.tag) == nullptr) return false;
      if (lost != 0) report_->lost.push_back(std::to_string(lost) + " " + t.records + " cannot be read");
    }
    pdfs_ = walk_.membersOf(kTagAttachmentData);
    for (const Item* item : walk_.membersOf(kTagAttachmentHash)) {
      const QByteArray bytes = item != nullptr ? scan_.data(*item) : QByteArray();
      if (bytes.size() == static_cast<qsizetype>(sizeof(FLN_ATTACHMENT_HASH))) {
        FLN_ATTACHMENT_HASH hash;
        std::memcpy(&hash, bytes.constData(), sizeof hash);
        hashes_.add(hash);
      }
    }
    return true;
  }

  // Keeps each entry that has its PDF, with the first attachment naming it.
  bool selectEntries() {
    std::unordered_map<int32_t, FLN_ATTACHMENT> attachmentOf;  // en_id as stored
    for (int32_t i = 0; i < Tesk_Ary_GetSize(data_.attachment); ++i) {
      FLN_ATTACHMENT a;
      Tesk_Ary_GetData(data_.attachment, i, &a);
      attachmentOf.emplace(a.en_id, a);
    }
    OwnedAry entries(Tesk_Ary_Init(sizeof(FLN_ENTRY), 20, 20));
    OwnedAry attachments(Tesk_Ary_Init(sizeof(FLN_ATTACHMENT), 20, 20));
    if (entries == nullptr || attachments == nullptr) return false;
    std::set<int32_t> ids;
    for (int32_t i = 0; i < Tesk_Ary_GetSize(data_.entry); ++i) {
      FLN_ENTRY entry;
      Tesk_Ary_GetData(data_.entry, i, &entry);
      const std::string name = EntryName(entry);
      if (!ids.insert(ZEL_EndianLong_LtoN(entry.en_id)).second) {
        report_->lost.push_back(name + ": a second entry with this en_id");
        continue;
      }
      const auto a = attachmentOf.find(entry.en_id);
      if (a == attachmentOf.end()) {
        report_->lost.push_back(name + ": its attachment record is lost");
        continue;
      }
      const PdfFault fault = checkPdf(entry, a->second);
      if (fault != PdfFault::None) {
        report_->lost.push_back(name + ": " + PdfFaultText(fault));
        continue;
      }
      if (Tesk_Ary_Add(entries.get(), &entry) != 0 || Tesk_Ary_Add(attachments.get(), &a->second) != 0) return false;
      ++report_->entries;
    }
    Tesk_Ary_Free(data_.entry);
    data_.entry = entries.release();
    Tesk_Ary_Free(data_.attachment);
    data_.attachment = attachments.release();
    return true;
  }

  // Labels, triples and counters that the kept entries and records need.
  bool completeTables() {
    const char* const label = "la_id";
    for (int32_t level = 1; level <= 3; ++level) {
      if (GetFlnLabelIndex_ByItemNumber(data_.label, level) >= 0) continue;
      FLN_LABEL record{};
      record.la_id = ZEL_EndianLong_NtoL(GetIdFromIdCounter(data_.idCounter, kTagLabel, label));
      record.itemNumber = ZEL_EndianLong_NtoL(level);
      FLN_COMM_ConvertCharToUniChar_NtoL(kDefaultLabelNames[level - 1], record.name, sizeof record.name);
      Tesk_GetCurrentTimeAsString(record.createDate, sizeof record.createDate);
      Tesk_GetCurrentTimeAsString(record.updateDate, sizeof record.updateDate);
      if (Tesk_Ary_Add(data_.label, &record) != 0) return false;
      report_->lost.push_back("the label of level " + std::to_string(level) + " (named " +
                              kDefaultLabelNames[level - 1] + " again)");
    }
    for (int32_t i = 0; i < Tesk_Ary_GetSize(data_.entry); ++i) {
      FLN_ENTRY entry;
      Tesk_Ary_GetData(data_.entry, i, &entry);
      char names[3][kCategoryNameSize];
      for (int level = 1; level <= 3; ++level) ReadCategoryNameOf(entry, level, names[level - 1]);
      if (IsCatsExists(data_.catsAry, names[0], names[1], names[2]) != 1 &&
          CreateFlnCats(names[0], names[1], names[2], data_.idCounter, data_.catsAry) != 0)
        return false;
    }
    report_->categories = Tesk_Ary_GetSize(data_.catsAry);
    raiseCounters();
    return true;
  }

  FlnResult write(const char* newPath) {
    return WriteLibraryFile(&data_, newPath, [&](const FLN_ATTACHMENT& attachment) {
      const Item* item = pdfs_[static_cast<size_t>(ZEL_EndianLong_LtoN(attachment.dataIndex))];
      return scan_.data(*item);
    }, nullptr, scan_.layout());
  }

  ~Recovery() { FreeFlnData(&data_); }

 private:
  PdfFault checkPdf(const FLN_ENTRY& entry, const FLN_ATTACHMENT& attachment) const {
    const int32_t index = ZEL_EndianLong_LtoN(attachment.dataIndex);
    if (index < 0 || static_cast<size_t>(index) >= pdfs_.size() || pdfs_[static_cast<size_t>(index)] == nullptr)
      return PdfFault::Unreadable;
    const QByteArray bytes = scan_.data(*pdfs_[static_cast<size_t>(index)]);
    if (bytes.isEmpty()) return PdfFault::Unreadable;
    PdfVerifier verifier(hashes_.find(ZEL_EndianLong_LtoN(attachment.at_id)), ZEL_EndianLong_LtoN(entry.en_file_size));
    verifier.add(bytes.constData(), static_cast<size_t>(bytes.size()));
    return verifier.finish();
  }

  // Every counter beyond the identifiers in use, so that none is handed out twice.
  void raiseCounters() {
    for (const LibraryTag& t : kLibraryTags) {
      if (t.kind != LibraryTagKind::Array) continue;
      RaiseCounter(data_.idCounter, t.tag, t.idKey, HighestStoredId(data_.*ArrayOfTag(t.tag), t.idOffset) + 1);
    }
  }

  const ItemScan& scan_;
  MemberWalk walk_;
  RecoveryReport* report_;
  FLN_DATA data_;
  std::vector<const Item*> pdfs_;
  AttachmentHashes hashes_;
};

}  // namespace

FlnResult RecoverLibrary(const char* damagedPath, const char* newPath, RecoveryReport* report) {
  *report = RecoveryReport{};
  struct stat st;
  if (newPath == nullptr || newPath[0] == '\0' || lstat(newPath, &st) == 0)
    return FlnResult::failure(FlnStatus::CannotOpen, "a file is at the new library's path already; it is never replaced");
  if (std::strlen(newPath) >= sizeof(FLN_DATA::filePath))
    return FlnResult::failure(FlnStatus::PathTooLong, "the new library's path is too long");
  std::unique_ptr<FileStream> stream(FileStream::open(damagedPath, FileOpenMode::ReadOnly));
  if (stream == nullptr)
    return FlnResultOfSystemCall(errno, FlnStatus::CannotOpen, "open");
  // Only a file that begins like a library is read as one.
  uint8_t header[zel::kHeaderSize] = {};
  const zel::RecordLayout* layout =
      stream->readAt(0, header, sizeof header) == sizeof header ? ZelHeaderLayout(header) : nullptr;
  if (layout == nullptr)
    return FlnResult::failure(FlnStatus::NotALibrary, "not a Folian library (no ZEL container of version 2 or 3)");

  ItemScan scan(stream.get(), *layout);
  scan.run();
  report->damagedSpans = scan.damagedSpans;
  Recovery recovery(scan, report);
  if (!recovery.collect() || !recovery.selectEntries() || !recovery.completeTables())
    return FlnResult::failure(FlnStatus::CannotOpen, "not enough memory to recover the library");
  return recovery.write(newPath);
}
