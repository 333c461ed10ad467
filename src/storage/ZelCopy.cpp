#include "storage/ZelCopy.h"

#include <algorithm>
#include <vector>

namespace {

// One item of the source: where it is and where it goes.
struct PlannedItem {
  int32_t tag;
  bool isHead;
  uint64_t from;    // position in the source
  uint64_t length;  // data bytes
  uint64_t to;      // position in the target
};

// Every item of `source`, tag by tag in tag-chain order, each tag's members
// in member order. The container's own walks check every record and bound
// every chain, so a damaged source ends in -2 here.
int PlanItems(ZEL_FILE* source, std::vector<PlannedItem>* items) {
  int rc = ZEL_FirstTag(source);
  while (rc == ZEL_OK) {
    const int32_t tag = source->current.tag;
    bool isHead = true;
    do {
      items->push_back({tag, isHead, source->current.position, source->current.dataLength, 0});
      isHead = false;
      rc = ZEL_NextMember(source);
    } while (rc == ZEL_OK);
    if (rc != ZEL_ERR_NO_MEMBER) return ZEL_ERR_IO;
    rc = ZEL_FirstMember(source, tag);  // back to the head, to go on along the tag chain
    if (rc == ZEL_OK) rc = ZEL_NextTag(source);
  }
  return rc == ZEL_ERR_NO_TAG ? ZEL_OK : ZEL_ERR_IO;
}

// Writes whole items one after another at the end of the target, gathering
// small ones into one larger write.
class Appender {
 public:
  Appender(FileStream* stream, uint64_t at) : stream_(stream), at_(at) { buffer_.reserve(kBufferSize); }

  bool write(const void* bytes, size_t n) {
    if (buffer_.size() + n > kBufferSize && !flush()) return false;
    if (n >= kBufferSize) {
      if (!stream_->writeAt(at_, bytes, n)) return false;
      at_ += n;
      return true;
    }
    const auto* p = static_cast<const uint8_t*>(bytes);
    buffer_.insert(buffer_.end(), p, p + n);
    return true;
  }

  bool flush() {
    if (buffer_.empty()) return true;
    const bool ok = stream_->writeAt(at_, buffer_.data(), buffer_.size());
    at_ += buffer_.size();
    buffer_.clear();
    return ok;
  }

  static constexpr size_t kBufferSize = size_t{1} << 20;

 private:
  FileStream* stream_;
  uint64_t at_;
  std::vector<uint8_t> buffer_;
};

}  // namespace

int ZEL_CopyAll(ZEL_FILE* source, ZEL_FILE* target, const ZelCopyProgress& progress) {
  if (source == nullptr || source->stream == nullptr || target == nullptr || target->stream == nullptr ||
      target->openMode != 0 || target->fileSize != target->layout->firstItem())
    return ZEL_ERR_ARG;
  std::vector<PlannedItem> items;
  int rc = PlanItems(source, &items);
  if (rc != ZEL_OK) return rc;

  // Where each item goes, and whether the target's offsets reach that far.
  const zel::RecordLayout& layout = *target->layout;
  uint64_t end = target->fileSize, total = 0;
  for (PlannedItem& item : items) {
    if (!ZEL_Fits(layout, end, ZEL_ItemSize(layout, item.length))) return ZEL_ERR_ARG;
    item.to = end;
    end += ZEL_ItemSize(layout, item.length);
    total += item.length;
  }

  const uint32_t sourceRecord = source->layout->recordSize();
  Appender out(target->stream, target->fileSize);
  std::vector<uint8_t> piece(Appender::kBufferSize);
  uint64_t done = 0;
  size_t previousHead = items.size();  // none yet
  if (progress && !progress(0, total)) return ZEL_COPY_STOPPED;
  for (size_t i = 0; i < items.size(); ++i) {
    const PlannedItem& item = items[i];
    ZEL_METADATA record{};
    record.tag = item.tag;
    record.dataLength = item.length;
    record.position = item.to;
    record.prevMember = item.isHead ? zel::kNone : items[i - 1].to;
    const bool hasNext = i + 1 < items.size() && !items[i + 1].isHead;
    record.nextMember = hasNext ? items[i + 1].to : zel::kNone;
    record.prevTag = record.nextTag = zel::kNone;
    if (item.isHead) {
      record.prevTag = previousHead < items.size() ? items[previousHead].to : zel::kRootOffset;
      const auto next = std::find_if(items.begin() + static_cast<std::ptrdiff_t>(i) + 1, items.end(),
                                     [](const PlannedItem& p) { return p.isHead; });
      if (next != items.end()) record.nextTag = next->to;
      previousHead = i;
    }
    uint8_t bytes[zel::kLayout3.recordSize()];
    ZelEncodeRecord(layout, record, bytes);
    if (!out.write(bytes, layout.recordSize())) return ZEL_ERR_IO;

    for (uint64_t copied = 0; copied < item.length;) {
      const size_t n = static_cast<size_t>(std::min<uint64_t>(piece.size(), item.length - copied));
      if (source->stream->readAt(item.from + sourceRecord + copied, piece.data(), n) != n || !out.write(piece.data(), n))
        return ZEL_ERR_IO;
      copied += n;
      done += n;
      if (progress && !progress(done, total)) return ZEL_COPY_STOPPED;
    }
  }
  if (!out.flush()) return ZEL_ERR_IO;
  target->fileSize = end;

  // Last, the root names the first tag: until then the target holds no tag.
  ZEL_METADATA root{};
  root.tag = zel::kRootTag;
  root.position = zel::kRootOffset;
  root.prevMember = root.nextMember = root.prevTag = zel::kNone;
  root.nextTag = items.empty() ? zel::kNone : items.front().to;
  uint8_t bytes[zel::kLayout3.recordSize()];
  ZelEncodeRecord(layout, root, bytes);
  if (!target->stream->writeAt(zel::kRootOffset, bytes, layout.recordSize())) return ZEL_ERR_IO;
  if (progress && !progress(total, total)) return ZEL_COPY_STOPPED;
  return ZEL_OK;
}
