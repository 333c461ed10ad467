#include "transfer/ImportBatch.h"

#include <cstring>
#include <new>

#include "categories/EntryQuery.h"
#include "format/Endian.h"
#include "library/FlnCategoryTable.h"
#include "library/FlnSave.h"
#include "format/FieldText.h"
#include "storage/TeskUtil.h"
#include "transfer/ImportFit.h"

void ImportBatch::add(const std::string& name, const FLN_ENTRY& entry, int32_t atId, int32_t dataIndex, bool isPdf,
                      bool decodedName) {
  Pending p;
  p.name = name;
  p.entry = entry;
  p.isPdf = isPdf;
  p.decodedName = decodedName;
  std::memset(&p.attachment, 0, sizeof p.attachment);
  p.attachment.at_id = ZEL_EndianLong_NtoL(atId);
  p.attachment.en_id = entry.en_id;
  p.attachment.dataIndex = ZEL_EndianLong_NtoL(dataIndex);
  Tesk_GetCurrentTimeAsString(p.attachment.createDate, sizeof p.attachment.createDate);
  Tesk_GetCurrentTimeAsString(p.attachment.updateDate, sizeof p.attachment.updateDate);
  try {
    pending_.push_back(p);
    unsavedGrowth_ += ImportRecordGrowth(session_->layout());
  } catch (const std::bad_alloc&) {
    fail(name, ImportFailureReason::OutOfMemory);
  }
}

void ImportBatch::commit() {
  // The PDFs stored since the last commit become part of the file; when that
  // fails none of them is, and no entry may point at them.
  const FlnResult committed = session_->close();
  if (!committed.ok()) {
    for (const Pending& p : pending_) result_->failures.push_back(StoreFailureOf(p.name, committed));
    pending_.clear();
    return;
  }
  if (pending_.empty()) return;
  size_t attached = 0;
  while (attached < pending_.size() && Tesk_Ary_Add(flnData_->attachment, &pending_[attached].attachment) == 0)
    ++attached;
  for (size_t i = attached; i < pending_.size(); ++i) fail(pending_[i].name, ImportFailureReason::OutOfMemory);

  save_ = saveWithRetry();
  if (!save_.ok()) {
    // The attachment records stay: the file may hold some of them already,
    // and an attachment without its entry is never shown.
    for (size_t i = 0; i < attached; ++i) fail(pending_[i].name, ImportFailureReason::NotSaved);
  } else {
    std::vector<const Pending*> added;
    for (size_t i = 0; i < attached; ++i) {
      if (Tesk_Ary_Add(flnData_->entry, &pending_[i].entry) == 0)
        added.push_back(&pending_[i]);
      else
        fail(pending_[i].name, ImportFailureReason::OutOfMemory);
    }
    save_ = saveWithRetry();
    // Counted as imported only once its entry is in the file.
    for (const Pending* p : added) {
      if (!save_.ok()) {
        fail(p->name, ImportFailureReason::NotSaved);
        continue;
      }
      ++result_->imported;
      if (!p->isPdf) result_->notPdf.push_back(p->name);
      if (p->decodedName) noteDecodedName(*p);
    }
  }
  if (save_.ok()) unsavedGrowth_ = 0;
  pending_.clear();
}

bool ImportBatch::fits(int64_t pdfBytes) const {
  const zel::RecordLayout& layout = session_->layout();
  return session_->fits(ImportStoredGrowth(layout, static_cast<uint64_t>(pdfBytes)) + ImportRecordGrowth(layout) +
                        unsavedGrowth_ + ImportGrowthOnce(layout));
}

void ImportBatch::finish() {
  if (!save_.ok()) save_ = saveWithRetry();
  result_->save = save_;
}

void ImportBatch::fail(const std::string& name, ImportFailureReason reason) {
  result_->failures.push_back(ImportFailure{name, reason, 0});
}

void ImportBatch::noteDecodedName(const Pending& p) {
  const QString stored = FLN_COMM_CreateNSString_FromUniChar_LtoN(p.entry.en_file_path, sizeof p.entry.en_file_path);
  try {
    result_->decodedNames.push_back(ImportDecodedName{p.name, stored.toUtf8().toStdString()});
  } catch (const std::bad_alloc&) {
    // The entry is in; only the notice about its name is lost.
  }
}

// A save that fails rewrites the tags it could not write whole the next
// time, so one more try gets past a passing write error.
FlnResult ImportBatch::saveWithRetry() {
  const FlnResult first = SaveAll(flnData_->filePath, flnData_);
  return first.ok() ? first : SaveAll(flnData_->filePath, flnData_);
}

bool IsImportableLibrary(const FLN_DATA* flnData) {
  return flnData != nullptr && flnData->filePath[0] != '\0' && flnData->entry != nullptr &&
         flnData->attachment != nullptr && flnData->idCounter != nullptr && flnData->catsAry != nullptr;
}

std::unordered_set<std::string> DigestsInUse(const FLN_DATA* flnData, const AttachmentHashes& hashes) {
  std::unordered_set<std::string> digests;
  const int32_t count = Tesk_Ary_GetSize(flnData->attachment);
  for (int32_t i = 0; i < count; ++i) {
    FLN_ATTACHMENT attachment;
    Tesk_Ary_GetData(flnData->attachment, i, &attachment);
    if (const FLN_ATTACHMENT_HASH* hash = hashes.find(ZEL_EndianLong_LtoN(attachment.at_id)))
      digests.insert(std::string(reinterpret_cast<const char*>(hash->digest), sizeof hash->digest));
  }
  return digests;
}

void RefreshNamesAndShownEntries(FLN_DATA* flnData) {
  TESK_ARY* names[3] = {&flnData->cat1Ary, &flnData->cat2Ary, &flnData->cat3Ary};
  int (*const distinct[3])(TESK_ARY, TESK_ARY) = {GetDistinctCat1Ary_FromCatsAry, GetDistinctCat2Ary_FromCatsAry,
                                                  GetDistinctCat3Ary_FromCatsAry};
  for (int i = 0; i < 3; ++i) {
    if (*names[i] == nullptr) *names[i] = Tesk_Ary_Init(kCategoryNameSize, 20, 20);
    if (*names[i] == nullptr) continue;
    distinct[i](flnData->catsAry, *names[i]);
    Tesk_Ary_QuickSort(*names[i], CategorySortFunc);
  }
  QueryEntryRows(flnData->lastSelectCat1, flnData->lastSelectCat2, flnData->lastSelectCat3, flnData->entry,
                 flnData->shownRows);
}
