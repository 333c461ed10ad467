#include "fulltext/FullTextSync.h"

#include <QByteArray>
#include <algorithm>
#include <map>
#include <thread>

#include "library/FlnAttachment.h"
#include "pdftext/PdfPageTexts.h"
#include "format/Endian.h"
#include "storage/FolianCommon.h"
#include "storage/ZelFile.h"

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
std::vector<PdfPageTexts> ExtractAll(const std::vector<QByteArray>& pdfs) {
  std::vector<PdfPageTexts> texts(pdfs.size());
  std::atomic<size_t> next{0};
  const auto worker = [&] {
    for (size_t i = next++; i < pdfs.size(); i = next++)
      if (!pdfs[i].isNull()) texts[i] = ExtractPdfPageTexts(pdfs[i]);
  };
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  std::vector<std::thread> threads;
  for (unsigned t = 1; t < cores && t < pdfs.size(); ++t) threads.emplace_back(worker);
  worker();
  for (std::thread& thread : threads) thread.join();
  return texts;
}

}  // namespace

std::string PdfFingerprint(const FLN_DATA* flnData, int32_t entryIndex) {
  const int32_t dataIndex = GetAttachmentIndex(flnData->entry, flnData->attachment, entryIndex);
  FLN_ENTRY entry;
  Tesk_Ary_GetData(flnData->entry, entryIndex, &entry);
  return std::to_string(dataIndex) + ":" + std::to_string(static_cast<uint32_t>(ZEL_EndianLong_LtoN(entry.en_file_size)));
}

FullTextWork PlanFullTextWork(const FLN_DATA* flnData, const std::map<int32_t, FullTextIndex::Document>& held) {
  FullTextWork work;
  std::map<int32_t, bool> inLibrary;
  const int32_t count = Tesk_Ary_GetSize(flnData->entry);
  for (int32_t i = 0; i < count; ++i) {
    FLN_ENTRY entry;
    Tesk_Ary_GetData(flnData->entry, i, &entry);
    const int32_t id = ZEL_EndianLong_LtoN(entry.en_id);
    const std::string fingerprint = PdfFingerprint(flnData, i);
    inLibrary[id] = true;
    const auto found = held.find(id);
    if (found != held.end() && found->second.fingerprint == fingerprint) continue;
    if (found != held.end()) work.gone.push_back(id);
    FullTextWork::Pending pending;
    pending.enId = id;
    pending.dataIndex = GetAttachmentIndex(flnData->entry, flnData->attachment, i);
    pending.fingerprint = fingerprint;
    pending.title = FLN_COMM_CreateNSString_FromUniChar_LtoN(entry.en_title, sizeof entry.en_title);
    work.pending.push_back(std::move(pending));
  }
  for (const auto& [id, document] : held)
    if (inLibrary.count(id) == 0) work.gone.push_back(id);
  // The PDFs lie in the file in 'ATTD' order: reading them so walks it once.
  std::sort(work.pending.begin(), work.pending.end(),
            [](const FullTextWork::Pending& a, const FullTextWork::Pending& b) { return a.dataIndex < b.dataIndex; });
  return work;
}

bool RunFullTextWork(FullTextIndex* index, const std::string& libraryPath, const FullTextWork& work,
                     const std::function<void(const FullTextProgress&)>& progress, const std::atomic<bool>* cancel,
                     QString* error) {
  if (!work.gone.empty()) {
    if (!index->begin(error)) return false;
    for (const int32_t id : work.gone)
      if (!index->remove(id, error)) return false;
    if (!index->commit(error)) return false;
  }
  if (work.pending.empty()) return true;

  ZEL_FILE file;
  if (ZEL_Open(libraryPath.c_str(), 1, &file) != ZEL_OK) {
    ZEL_Close(&file);
    *error = QStringLiteral("cannot read the library %1").arg(QString::fromStdString(libraryPath));
    return false;
  }
  AttachmentDataReader reader(&file);
  FullTextProgress step;
  step.total = static_cast<int>(work.pending.size());
  bool ok = true;
  for (size_t first = 0; first < work.pending.size() && ok; first += kBatch) {
    if (cancel != nullptr && cancel->load()) break;
    const size_t end = std::min(work.pending.size(), first + kBatch);
    std::vector<QByteArray> pdfs;
    for (size_t i = first; i < end; ++i)
      pdfs.push_back(work.pending[i].dataIndex >= 0 ? reader.read(work.pending[i].dataIndex) : QByteArray());
    const std::vector<PdfPageTexts> texts = ExtractAll(pdfs);
    ok = index->begin(error);
    for (size_t i = first; i < end && ok; ++i) {
      const PdfPageTexts& text = texts[i - first];
      ok = index->store(work.pending[i].enId, work.pending[i].fingerprint, StateOf(text.kind), text.pages, error);
    }
    ok = ok && index->commit(error);
    for (size_t i = first; i < end && ok; ++i) {
      step.done = static_cast<int>(i + 1);
      step.title = work.pending[i].title;
      if (progress) progress(step);
    }
  }
  ZEL_Close(&file);
  return ok;
}
