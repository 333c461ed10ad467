#include "library/FlnLibraryCheck.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <set>
#include <unordered_set>

#include "library/FlnCategoryTable.h"
#include "library/FlnContainerCheck.h"
#include "library/FlnLoad.h"
#include "library/FlnPdfAudit.h"
#include "library/FlnPreference.h"
#include "library/FlnResult.h"
#include "format/LibrarySchema.h"
#include "format/Endian.h"
#include "storage/OwnedAry.h"
#include "storage/ZelAry.h"
#include "storage/ZelFile.h"

namespace {

// Faults of one kind beyond this many are summed up in one line, so that a
// badly broken library gives a readable report.
constexpr int kLinesPerFault = 10;

class DamageList {
 public:
  explicit DamageList(std::vector<std::string>* lines) : lines_(lines) {}
  // `kind` groups lines of the same fault for the cap.
  void add(const std::string& kind, const std::string& line) {
    ++added_;
    if (++counts_[kind] <= kLinesPerFault) lines_->push_back(line);
  }
  void add(const std::string& line) { add(line, line); }
  // Faults added so far, including those past the cap.
  size_t count() const { return added_; }
  // Adds one line for each kind of fault that went past the cap.
  void finish() {
    for (const auto& [kind, count] : counts_)
      if (count > kLinesPerFault)
        lines_->push_back("... and " + std::to_string(count - kLinesPerFault) + " more of the kind: " + kind);
  }

 private:
  std::vector<std::string>* lines_;
  std::map<std::string, int> counts_;
  size_t added_ = 0;
};

// The length every member of a library tag has; 0 for a tag of any lengths.
uint32_t RecordLengthOf(int32_t tag) {
  const LibraryTag* row = FindLibraryTag(tag);
  return row != nullptr ? row->recordSize : 0;
}

struct ItemSpan {
  uint64_t start, end;  // the record's offset and the end of its data
};

std::string At(uint64_t offset) { return "at offset " + std::to_string(offset); }

// What walking the container found beyond the report itself.
struct ContainerWalk {
  std::vector<ItemSpan> items;
  std::vector<uint64_t> pdfLengths;  // members of 'ATTD', in chain order
  std::unordered_set<uint64_t> reached;  // offsets of the items walked
  size_t pdfFaults = 0;  // faults found in the member chain of 'ATTD'
};

void WalkMembers(ZEL_FILE* file, CheckedTag* checked, ContainerWalk* walk, DamageList* damage) {
  const std::string name = TagText(checked->tag);
  const uint32_t recordLength = RecordLengthOf(checked->tag);
  uint64_t wrongLength = 0;
  uint64_t previous = zel::kNone;
  int rc = ZEL_OK;
  while (rc == ZEL_OK) {
    const ZEL_METADATA& member = file->current;
    if (!walk->reached.insert(member.position).second) {
      // Met before: the chain loops. Stopping here spares a walk as long as
      // the file could hold records.
      damage->add("the member chain of " + name + " loops back to the item " + At(member.position));
      return;
    }
    if (member.prevMember != previous)
      damage->add("back link", "the back link of " + name + " member " + std::to_string(checked->members) + " " +
                                   At(member.position) + " does not name the member before it");
    walk->items.push_back({member.position, member.position + file->layout->recordSize() + member.dataLength});
    if (checked->tag == kTagAttachmentData) walk->pdfLengths.push_back(member.dataLength);
    if (recordLength != 0 && member.dataLength != recordLength) ++wrongLength;
    ++checked->members;
    checked->dataBytes += member.dataLength;
    previous = member.position;
    rc = ZEL_NextMember(file);
  }
  if (rc != ZEL_ERR_NO_MEMBER)
    damage->add("the member chain of " + name + " is broken after " + std::to_string(checked->members) +
                " members");
  if (wrongLength != 0)
    damage->add(name + ": " + std::to_string(wrongLength) + " of " + std::to_string(checked->members) +
                " members are not " + std::to_string(recordLength) + " bytes long");
}

void WalkContainer(ZEL_FILE* file, LibraryCheckReport* report, ContainerWalk* walk, DamageList* damage) {
  walk->items.push_back({zel::kRootOffset, file->layout->firstItem()});
  std::set<int32_t> seen;
  uint64_t previousHead = zel::kRootOffset;
  int rc = ZEL_FirstTag(file);
  while (rc == ZEL_OK) {
    const ZEL_METADATA head = file->current;
    if (!seen.insert(head.tag).second) {
      // A tag code met again: the chain loops back, or a second chain of
      // the tag hides behind the first. Either way the walk ends here.
      damage->add("the tag " + TagText(head.tag) + " appears twice in the tag chain (" + At(head.position) + ")");
      return;
    }
    if (head.prevTag != previousHead)
      damage->add("back link", "the back link of the tag head of " + TagText(head.tag) + " " + At(head.position) +
                                   " does not name the tag before it");
    CheckedTag checked{head.tag};
    const size_t faultsBefore = damage->count();
    WalkMembers(file, &checked, walk, damage);
    if (head.tag == kTagAttachmentData) walk->pdfFaults += damage->count() - faultsBefore;
    report->tags.push_back(checked);
    previousHead = head.position;
    rc = ZEL_NextTag(file);
  }
  if (rc != ZEL_ERR_NO_TAG)
    damage->add(report->tags.empty() ? std::string("the tag chain is broken at the root record")
                                     : "the tag chain is broken after " + TagText(report->tags.back().tag));
}

// Dead bytes and overlapping items, from the spans of every item reached.
void MeasureSpans(std::vector<ItemSpan> items, LibraryCheckReport* report, DamageList* damage) {
  std::sort(items.begin(), items.end(), [](const ItemSpan& a, const ItemSpan& b) { return a.start < b.start; });
  uint64_t covered = 0;
  uint64_t reach = 0;  // end of everything covered so far
  uint64_t reachStart = 0;
  for (const ItemSpan& item : items) {
    if (item.start < reach)
      damage->add("overlap", "the items at offsets " + std::to_string(reachStart) + " and " +
                                 std::to_string(item.start) + " overlap");
    if (item.end > reach) {
      covered += item.end - std::max(item.start, reach);
      reach = item.end;
      reachStart = item.start;
    }
  }
  const uint64_t outside = zel::kHeaderSize + covered;
  report->deadBytes = report->fileSize > outside ? report->fileSize - outside : 0;
}

// The counters as the file stores them (loading raises those that are
// behind, and the check reports the file); null without a readable 'IDCO'.
TESK_ARY LoadStoredCounters(const std::string& path) {
  ZEL_FILE file;
  TESK_ARY counters = nullptr;
  if (ZEL_Open(path.c_str(), 1, &file) == ZEL_OK) counters = ZEL_ARY_Load(&file, kTagIdCounter);
  ZEL_Close(&file);
  if (counters != nullptr && counters->recordSize != static_cast<int32_t>(sizeof(FLN_ID_COUNTER))) {
    Tesk_Ary_Free(counters);
    return nullptr;
  }
  return counters;
}

void CheckCounter(TESK_ARY storedCounters, int32_t tag, const char* key, const std::set<int32_t>& used,
                  DamageList* damage) {
  if (used.empty()) return;
  const std::string highest = std::to_string(*used.rbegin());
  const int32_t count = Tesk_Ary_GetSize(storedCounters);
  for (int32_t i = 0; i < count; ++i) {
    FLN_ID_COUNTER counter;
    Tesk_Ary_GetData(storedCounters, i, &counter);
    if (ZEL_EndianLong_LtoN(counter.tag) != tag || strncmp(counter.key, key, sizeof counter.key) != 0) continue;
    const int32_t next = ZEL_EndianLong_LtoN(counter.nextId);
    if (next <= *used.rbegin())
      damage->add(std::string("the stored ") + key + " counter stands at " + std::to_string(next) +
                  ", but identifiers up to " + highest + " are in use");
    return;
  }
  damage->add(std::string("there is no ") + key + " counter, but identifiers up to " + highest + " are in use");
}

void CheckRecords(const std::string& path, const ContainerWalk& walk, LibraryCheckReport* report,
                  DamageList* damage) {
  FLN_DATA data;
  const FlnResult loaded = ReadFlnDataFromFlnFile(path.c_str(), &data);
  if (!loaded.ok()) {
    // Only a fault of the file is damage; a path too long for a library or
    // a lack of memory stops the check instead.
    if (loaded.status == FlnStatus::Damaged)
      damage->add(loaded.reason);
    else
      report->cannotCheck = loaded.reason;
    return;
  }

  for (int32_t level = 1; level <= 3; ++level)
    if (GetFlnLabelIndex_ByItemNumber(data.label, level) < 0)
      damage->add("there is no label for category level " + std::to_string(level));

  std::multimap<int32_t, int32_t> pdfOfEntry;  // en_id → dataIndex, first attachment first
  std::set<int32_t> attachmentIds;
  for (int32_t i = 0; i < Tesk_Ary_GetSize(data.attachment); ++i) {
    FLN_ATTACHMENT attachment;
    Tesk_Ary_GetData(data.attachment, i, &attachment);
    pdfOfEntry.emplace(ZEL_EndianLong_LtoN(attachment.en_id), ZEL_EndianLong_LtoN(attachment.dataIndex));
    attachmentIds.insert(ZEL_EndianLong_LtoN(attachment.at_id));
  }

  std::set<int32_t> entryIds;
  std::set<uint32_t> usedPdfs;
  for (int32_t i = 0; i < Tesk_Ary_GetSize(data.entry); ++i) {
    FLN_ENTRY entry;
    Tesk_Ary_GetData(data.entry, i, &entry);
    const int32_t id = ZEL_EndianLong_LtoN(entry.en_id);
    if (!entryIds.insert(id).second) {
      damage->add("shared id", "more than one entry has the en_id " + std::to_string(id));
      continue;
    }
    const auto attachment = pdfOfEntry.find(id);
    if (attachment == pdfOfEntry.end()) {
      damage->add("no attachment", "entry " + std::to_string(id) + " has no attachment record (no PDF)");
      continue;
    }
    const int32_t index = attachment->second;
    if (index >= 0 && static_cast<size_t>(index) >= walk.pdfLengths.size() && walk.pdfFaults != 0)
      damage->add("unreadable pdf", "the PDF of entry " + std::to_string(id) + " (member " + std::to_string(index) +
                                        " of 'ATTD') cannot be read: the chain of 'ATTD' is broken before it");
    else if (index < 0 || static_cast<size_t>(index) >= walk.pdfLengths.size())
      damage->add("missing pdf", "the PDF of entry " + std::to_string(id) + " (member " + std::to_string(index) +
                                     " of 'ATTD') does not exist");
    else
      usedPdfs.insert(static_cast<uint32_t>(index));
  }
  for (size_t i = 0; i < walk.pdfLengths.size(); ++i) {
    if (usedPdfs.count(static_cast<uint32_t>(i)) != 0) continue;
    ++report->unusedPdfs;
    report->unusedPdfBytes += walk.pdfLengths[i];
  }

  OwnedAry storedCounters(LoadStoredCounters(path));
  CheckCounter(storedCounters.get(), kTagEntry, "en_id", entryIds, damage);
  CheckCounter(storedCounters.get(), kTagAttachment, "at_id", attachmentIds, damage);

  PdfAudit audit = AuditLibraryPdfs(&data);
  for (const PdfFinding& finding : audit.damage) damage->add(finding.kind, finding.line);
  report->warnings = std::move(audit.warnings);
  report->verifiedPdfs = audit.verified;
  report->pdfsWithoutDigest = audit.withoutDigest;
  FreeFlnData(&data);
}

void ExamineFile(const std::string& path, LibraryCheckReport* report, DamageList* damage) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    report->cannotCheck = FlnResultOfSystemCall(errno, FlnStatus::CannotOpen, "open").reason;
    return;
  }
  if (!S_ISREG(st.st_mode)) {
    report->cannotCheck = "not a regular file";
    return;
  }
  report->fileSize = static_cast<uint64_t>(st.st_size);

  ZEL_FILE file;
  const int opened = ZEL_Open(path.c_str(), 1, &file);
  if (opened != ZEL_OK) {
    ZEL_Close(&file);
    // The loader tells the reasons apart (unreadable, foreign, another
    // version, cut short); only a cut-short container is a damaged library.
    FLN_DATA data;
    const FlnResult loaded = ReadFlnDataFromFlnFile(path.c_str(), &data);
    if (loaded.ok()) FreeFlnData(&data);  // the file changed in between; it opens now
    if (loaded.status == FlnStatus::Truncated)
      damage->add(loaded.reason);
    else
      report->cannotCheck = loaded.ok() ? std::string("the file changed while it was checked") : loaded.reason;
    return;
  }
  report->fileSize = file.fileSize;
  ContainerWalk walk;
  WalkContainer(&file, report, &walk, damage);
  ZEL_Close(&file);
  MeasureSpans(walk.items, report, damage);

  // The records are only worth reading in a container that loads: one
  // whose only faults lie among the PDFs. The loader would stop at any other.
  if (damage->count() == walk.pdfFaults) CheckRecords(path, walk, report, damage);
}

}  // namespace

LibraryCheckReport CheckLibraryFile(const std::string& path) {
  LibraryCheckReport report;
  DamageList damage(&report.damage);
  ExamineFile(path, &report, &damage);
  damage.finish();
  return report;
}
