#include "fulltext/FullTextSync.h"

#include <QByteArray>
#include <algorithm>
#include <cstring>
#include <map>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include "library/FlnAttachment.h"
#include "library/FlnResult.h"
#include "pdftext/PdfPageTexts.h"
#include "format/Endian.h"
#include "format/FieldText.h"
#include "storage/TeskAryChanges.h"

namespace {

// PDFs read and extracted together, then written in one transaction.
constexpr size_t kBatch = 16;

FullTextIndex::State StateOf(PdfPageTexts::Kind kind) {
  switch (kind) {
    case PdfPageTexts::Text: return FullTextIndex::State::Text;
    case PdfPageTexts::NoText: return FullTextIndex::State::NoText;
    case PdfPageTexts::Locked: return FullTextIndex::State::Locked;
    case PdfPageTexts::Unreadable: break;
  }
  return FullTextIndex::State::Unreadable;
}

// Extracts the texts of `pdfs` on every core; slot i gets the text of pdfs[i].
// A stop (`cancel`) leaves the PDFs not begun yet: the caller then keeps
// none of the batch.
std::vector<PdfPageTexts> ExtractAll(const std::vector<QByteArray>& pdfs, const std::atomic<bool>* cancel) {
  std::vector<PdfPageTexts> texts(pdfs.size());
  std::atomic<size_t> next{0};
  const auto worker = [&] {
    for (size_t i = next++; i < pdfs.size(); i = next++) {
      if (cancel != nullptr && cancel->load()) return;
      if (!pdfs[i].isNull()) texts[i] = ExtractPdfPageTexts(pdfs[i]);
    }
  };
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  std::vector<std::thread> threads;
  for (unsigned t = 1; t < cores && t < pdfs.size(); ++t) threads.emplace_back(worker);
  worker();
  for (std::thread& thread : threads) thread.join();
  return texts;
}

}  // namespace

std::vector<FullTextEntry> FullTextEntries(const FLN_DATA* flnData) {
  // The first attachment record of each id, as GetAttachmentIndex finds it,
  // without searching the attachments once per entry.
  std::unordered_map<int32_t, int32_t> attachmentById;  // en_id -> member of 'attachment'
  const int32_t attachments = Tesk_Ary_GetSize(flnData->attachment);
  for (int32_t i = 0; i < attachments; ++i) {
    FLN_ATTACHMENT attachment;
    Tesk_Ary_GetData(flnData->attachment, i, &attachment);
    attachmentById.emplace(ZEL_EndianLong_LtoN(attachment.en_id), i);
  }
  std::vector<FullTextEntry> entries;
  const int32_t count = Tesk_Ary_GetSize(flnData->entry);
  entries.reserve(static_cast<size_t>(std::max(count, 0)));
  int wasLocked = 0;
  Tesk_Ary_Lock(flnData->entry, &wasLocked);
  for (int32_t i = 0; i < count; ++i) {
    const auto* record = static_cast<const FLN_ENTRY*>(Tesk_Ary_ReadDataPtr(flnData->entry, i));
    FullTextEntry entry;
    entry.enId = ZEL_EndianLong_LtoN(record->en_id);
    const auto found = attachmentById.find(entry.enId);
    if (found != attachmentById.end()) {
      FLN_ATTACHMENT attachment;
      Tesk_Ary_GetData(flnData->attachment, found->second, &attachment);
      entry.dataIndex = ZEL_EndianLong_LtoN(attachment.dataIndex);
      entry.atId = ZEL_EndianLong_LtoN(attachment.at_id);
      std::copy(std::begin(attachment.createDate), std::end(attachment.createDate), entry.attached.begin());
    }
    entry.fileSize = static_cast<uint32_t>(ZEL_EndianLong_LtoN(record->en_file_size));
    entry.entryIndex = i;
    entries.push_back(entry);
  }
  Tesk_Ary_Unlock(flnData->entry, wasLocked);
  return entries;
}

std::string PdfFingerprint(const FullTextEntry& entry) {
  if (entry.atId < 0) return "none";
  // The stored time is text, cut at its first NUL.
  const std::string attached(entry.attached.data(), strnlen(entry.attached.data(), entry.attached.size()));
  return "a" + std::to_string(entry.atId) + "@" + attached + ":" + std::to_string(entry.fileSize);
}

FullTextWork PlanFullTextWork(const std::vector<FullTextEntry>& entries,
                              const std::map<int32_t, FullTextIndex::Document>& held) {
  FullTextWork work;
  std::unordered_set<int32_t> inLibrary;
  for (const FullTextEntry& entry : entries) {
    const std::string fingerprint = PdfFingerprint(entry);
    inLibrary.insert(entry.enId);
    const auto found = held.find(entry.enId);
    if (found != held.end() && found->second.fingerprint == fingerprint) continue;
    if (found != held.end()) work.gone.push_back(entry.enId);
    FullTextWork::Pending pending;
    pending.enId = entry.enId;
    pending.dataIndex = entry.dataIndex;
    pending.fingerprint = fingerprint;
    work.pending.push_back(std::move(pending));
  }
  for (const auto& [id, document] : held)
    if (inLibrary.count(id) == 0) work.gone.push_back(id);
  // The PDFs lie in the file in 'ATTD' order: reading them so walks it once.
  std::stable_sort(
      work.pending.begin(), work.pending.end(),
      [](const FullTextWork::Pending& a, const FullTextWork::Pending& b) { return a.dataIndex < b.dataIndex; });
  return work;
}

FullTextWork PlanFullTextWork(const FLN_DATA* flnData, const std::map<int32_t, FullTextIndex::Document>& held) {
  const std::vector<FullTextEntry> entries = FullTextEntries(flnData);
  FullTextWork work = PlanFullTextWork(entries, held);
  std::unordered_map<int32_t, int32_t> positionById;
  for (const FullTextEntry& entry : entries) positionById.emplace(entry.enId, entry.entryIndex);
  for (FullTextWork::Pending& pending : work.pending) {
    FLN_ENTRY entry;
    Tesk_Ary_GetData(flnData->entry, positionById[pending.enId], &entry);
    pending.title = FLN_COMM_CreateNSString_FromUniChar_LtoN(entry.en_title, sizeof entry.en_title);
  }
  return work;
}

bool RunFullTextWork(FullTextIndex* index, const std::string& libraryPath, const FullTextWork& work,
                     const FullTextProgressSink& progress, const std::atomic<bool>* cancel, QString* error) {
  if (!work.gone.empty()) {
    bool ok = index->begin(error);
    for (size_t i = 0; i < work.gone.size() && ok; ++i) ok = index->remove(work.gone[i], error);
    if (!ok || !index->commit(error)) {
      index->rollback();
      return false;
    }
  }
  if (work.pending.empty()) return true;

  AttachmentDataFile reader;
  const FlnResult opened = reader.open(libraryPath.c_str());
  if (!opened.ok()) {
    *error = QStringLiteral("%1: %2").arg(QString::fromStdString(libraryPath), QString::fromStdString(opened.reason));
    return false;
  }
  FullTextProgress step;
  step.total = static_cast<int>(work.pending.size());
  if (progress) progress(step);
  bool ok = true;
  for (size_t first = 0; first < work.pending.size() && ok; first += kBatch) {
    if (cancel != nullptr && cancel->load()) break;
    const size_t end = std::min(work.pending.size(), first + kBatch);
    std::vector<QByteArray> pdfs;
    for (size_t i = first; i < end; ++i)
      pdfs.push_back(work.pending[i].dataIndex >= 0 ? reader.read(work.pending[i].dataIndex) : QByteArray());
    const std::vector<PdfPageTexts> texts = ExtractAll(pdfs, cancel);
    // Stopped midway: the batch is left for the next run.
    if (cancel != nullptr && cancel->load()) break;
    ok = index->begin(error);
    for (size_t i = first; i < end && ok; ++i) {
      const PdfPageTexts& text = texts[i - first];
      ok = index->store(work.pending[i].enId, work.pending[i].fingerprint, StateOf(text.kind), text.pages, error);
    }
    ok = ok && index->commit(error);
    if (!ok) index->rollback();
    for (size_t i = first; i < end && ok; ++i) {
      step.done = static_cast<int>(i + 1);
      step.title = work.pending[i].title;
      if (progress) progress(step);
    }
  }
  return ok;
}

bool SyncFullTextIndex(FullTextIndex* index, const std::string& libraryPath, const FullTextPlanner& plan,
                       const FullTextProgressSink& progress, const std::atomic<bool>* cancel, QString* notice,
                       QString* error) {
  notice->clear();
  for (int pass = 0;; ++pass) {
    std::map<int32_t, FullTextIndex::Document> held;
    if (index->documents(&held, error) &&
        RunFullTextWork(index, libraryPath, plan(held), progress, cancel, error))
      return true;
    // A cache: what was in it is made again from the library.
    if (pass > 0 || !index->damaged()) return false;
    if (!index->remake(notice, error)) return false;
  }
}
