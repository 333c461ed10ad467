#include "transfer/PdfImport.h"

#include <QByteArray>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <unordered_set>

#include "categories/CategoryNameInput.h"
#include "format/CategoryNameText.h"
#include "format/CategoryNames.h"
#include "categories/EntryQuery.h"
#include "library/FlnCategoryTable.h"
#include "library/FlnAttachmentHash.h"
#include "library/FlnCreateCats.h"
#include "library/FlnIdCounter.h"
#include "library/FlnPreference.h"
#include "library/FlnSave.h"
#include "format/Endian.h"
#include "storage/FolianCommon.h"
#include "storage/TeskUtil.h"
#include "storage/Utf8Text.h"
#include "transfer/FileListing.h"
#include "transfer/FlxPath.h"
#include "transfer/ImportAppendSession.h"
#include "transfer/ImportEntry.h"
#include "transfer/ImportFileRead.h"
#include "transfer/ImportFit.h"
#include "storage/OwnedAry.h"

namespace {

bool IsLoaded(const FLN_DATA* flnData) {
  return flnData != nullptr && flnData->filePath[0] != '\0' && flnData->entry != nullptr &&
         flnData->attachment != nullptr && flnData->idCounter != nullptr && flnData->catsAry != nullptr;
}

class Importer {
 public:
  Importer(FLN_DATA* flnData, const ImportProgress& progress, bool skipDuplicates, const PdfInfoReader& readInfo,
           ImportResult* result)
      : flnData_(flnData), progress_(progress), skipDuplicates_(skipDuplicates), readInfo_(readInfo), result_(result),
        session_(flnData), facts_(CurrentImportSystemFacts()) {}

  // Step 1 of ImportPDFFiles; false when the import cannot start.
  bool setPlainCategories(const char* const combo[3]) {
    for (int i = 0; i < 3; ++i) {
      plain_[i] = combo[i] != nullptr && combo[i][0] != '\0' ? combo[i] : kCategoryOther;
      if (!CategoryNameFits(plain_[i].c_str())) {
        result_->status = ImportStatus::CategoryNameTooLong;
        return false;
      }
      plainNames_[i] = plain_[i].c_str();
    }
    return true;
  }

  bool openLibrary() {
    if (!session_.open()) {
      result_->status = ImportStatus::LibraryUnavailable;
      return false;
    }
    // The PDFs the library holds, by their bytes' digest. Digests of PDFs no
    // attachment names any more (deleted entries) do not count.
    const int32_t count = Tesk_Ary_GetSize(flnData_->attachment);
    for (int32_t i = 0; i < count; ++i) {
      FLN_ATTACHMENT attachment;
      Tesk_Ary_GetData(flnData_->attachment, i, &attachment);
      if (const FLN_ATTACHMENT_HASH* hash = session_.hashes().find(ZEL_EndianLong_LtoN(attachment.at_id)))
        knownDigests_.insert(DigestKey(hash->digest));
    }
    return true;
  }

  bool addPlainTriple() {
    if (addTriple(plainNames_[0], plainNames_[1], plainNames_[2])) return true;
    result_->status = ImportStatus::LibraryUnavailable;
    return false;
  }

  void rememberFolder(int32_t tag, const char* panelFolder) {
    if (panelFolder == nullptr || std::strlen(panelFolder) >= static_cast<size_t>(kPreferenceRecordSize)) return;
    char record[kPreferenceRecordSize] = {};
    std::strcpy(record, panelFolder);
    session_.remember(tag, record);
    char preferencePath[1024];
    if (GetPreferenceFilePath(preferencePath, sizeof preferencePath) == 1)
      WritePreference_ToZelFile(preferencePath, tag, kPreferenceRecordSize, record);
  }

  void importAll(TESK_ARY list) {
    const int32_t total = Tesk_Ary_GetSize(list);
    result_->listed = total;
    int wasLocked;
    Tesk_Ary_Lock(list, &wasLocked);
    int32_t i = 0;
    for (; i < total; ++i) {
      const std::string path(static_cast<const char*>(Tesk_Ary_GetDataPtr(list, i)));
      if (progress_ && !progress_(i, total, path)) {
        result_->status = ImportStatus::Stopped;
        break;
      }
      importOne(path);
      if (static_cast<int32_t>(pending_.size()) >= kImportSaveInterval) {
        commitStored();
        flush();
        if (!session_.open()) {
          for (++i; i < total; ++i)
            fail(static_cast<const char*>(Tesk_Ary_GetDataPtr(list, i)), ImportFailureReason::LibraryUnavailable);
          break;
        }
      }
    }
    Tesk_Ary_Unlock(list, wasLocked);
    commitStored();
    flush();
    // The plain triple and the remembered folder count as changes too.
    if (!saved_) saved_ = SaveWithRetry();
    result_->saved = saved_;
  }

  void fail(const std::string& path, ImportFailureReason reason, int error = 0) {
    result_->failures.push_back(ImportFailure{path, reason, error});
  }

  void refreshLists() {
    TESK_ARY* names[3] = {&flnData_->cat1Ary, &flnData_->cat2Ary, &flnData_->cat3Ary};
    int (*const distinct[3])(TESK_ARY, TESK_ARY) = {GetDistinctCat1Ary_FromCatsAry, GetDistinctCat2Ary_FromCatsAry,
                                                    GetDistinctCat3Ary_FromCatsAry};
    for (int i = 0; i < 3; ++i) {
      if (*names[i] == nullptr) *names[i] = Tesk_Ary_Init(kCategoryNameSize, 20, 20);
      if (*names[i] == nullptr) continue;
      distinct[i](flnData_->catsAry, *names[i]);
      Tesk_Ary_QuickSort(*names[i], CategorySortFunc);
    }
    if (flnData_->showEntryAry == nullptr) flnData_->showEntryAry = Tesk_Ary_Init(sizeof(FLN_ENTRY), 20, 20);
    if (flnData_->showEntryAry != nullptr)
      QueryEntry(flnData_->lastSelectCat1, flnData_->lastSelectCat2, flnData_->lastSelectCat3, flnData_->entry,
                 flnData_->showEntryAry);
  }

 private:
  struct Pending {
    std::string path;
    FLN_ENTRY entry;
    FLN_ATTACHMENT attachment;
    bool isPdf = true;
    bool decodedName = false;  // the entry holds its path as QFile::decodeName made it
  };

  bool addTriple(const char* c1, const char* c2, const char* c3) {
    return IsCatsExists(flnData_->catsAry, c1, c2, c3) == 1 ||
           CreateFlnCats(c1, c2, c3, flnData_->idCounter, flnData_->catsAry) == 0;
  }

  void importOne(const std::string& path) {
    if (!ImportPathFits(path)) return fail(path, ImportFailureReason::PathTooLong);
    QByteArray bytes;
    ImportFailure failure;
    if (!ReadImportFile(path, &bytes, &failure)) return result_->failures.push_back(failure);

    const QByteArray digest = PdfDigest(bytes);
    const bool duplicate = knownDigests_.count(digest.toStdString()) != 0;
    if (duplicate) {
      result_->duplicates.push_back(path);
      if (skipDuplicates_) return;
    }

    Pending p;
    p.path = path;
    p.isPdf = LooksLikePdf(bytes);
    const int32_t triplesBefore = Tesk_Ary_GetSize(flnData_->catsAry);
    const FlxRead flx = ReadImportFlx(path, &p.entry, &failure);
    if (flx == FlxRead::Refused) return result_->failures.push_back(failure);
    if (flx == FlxRead::Read) {
      ForgetWindowState(&p.entry);
      // The stored size is the PDF's, whatever the metadata text file says:
      // it is what the PDF is checked against when read back.
      p.entry.en_file_size = ZEL_EndianLong_NtoL(static_cast<int32_t>(static_cast<uint32_t>(bytes.size())));
      char names[3][kCategoryNameSize];
      for (int level = 1; level <= 3; ++level) {
        ReadCategoryNameOf(p.entry, level, names[level - 1]);
        // The entry could never be narrowed to in the lists.
        if (!CheckEntryCategoryName(names[level - 1], false).isEmpty())
          return fail(path, ImportFailureReason::ReservedCategory);
      }
      if (!addTriple(names[0], names[1], names[2])) return fail(path, ImportFailureReason::OutOfMemory);
    } else {
      BuildEntry_FromFile(path, bytes.size(), FileCreationDate(path), plainNames_, facts_, &p.entry);
      if (p.isPdf) FillEntryFromPdfInfo(bytes, readInfo_, &p.entry);
      p.decodedName = !IsUtf8Text(path);
    }

    // Everything this PDF brings must fit before its first byte is written:
    // its data and digest now, and at the next save its records together
    // with those of the PDFs stored before it.
    const zel::RecordLayout& layout = session_.layout();
    unsavedGrowth_ += ImportTripleGrowth(layout, Tesk_Ary_GetSize(flnData_->catsAry) - triplesBefore);
    const uint64_t growth = ImportStoredGrowth(layout, static_cast<uint64_t>(bytes.size())) +
                            ImportRecordGrowth(layout) + unsavedGrowth_ + ImportGrowthOnce(layout);
    if (!session_.fits(growth)) return fail(path, ImportFailureReason::LibraryFull);

    int32_t dataIndex = -1;
    const int rc = session_.store(bytes, &dataIndex);
    const int storeErrno = rc == ZEL_OK ? 0 : errno;  // the system's reason (EFBIG, ENOSPC, EIO)
    if (rc == ZEL_ERR_ARG) return fail(path, ImportFailureReason::LibraryFull);
    if (rc != ZEL_OK) return fail(path, ImportFailureReason::StoreFailed, storeErrno);

    // Identifiers are handed out only for stored PDFs, so a file that fails
    // uses none up.
    const int32_t enId = GetIdFromIdCounter(flnData_->idCounter, kTagEntry, "en_id");
    const int32_t atId = enId < 0 ? -1 : GetIdFromIdCounter(flnData_->idCounter, kTagAttachment, "at_id");
    if (atId < 0) return fail(path, ImportFailureReason::NoIdentifier);
    // The digest goes in before the attachment record that it vouches for.
    session_.storeDigest(atId, bytes, digest);
    if (!duplicate) knownDigests_.insert(digest.toStdString());
    p.entry.en_id = ZEL_EndianLong_NtoL(enId);
    std::memset(&p.attachment, 0, sizeof p.attachment);
    p.attachment.at_id = ZEL_EndianLong_NtoL(atId);
    p.attachment.en_id = p.entry.en_id;
    p.attachment.dataIndex = ZEL_EndianLong_NtoL(dataIndex);
    Tesk_GetCurrentTimeAsString(p.attachment.createDate, sizeof p.attachment.createDate);
    Tesk_GetCurrentTimeAsString(p.attachment.updateDate, sizeof p.attachment.updateDate);
    try {
      pending_.push_back(p);
      unsavedGrowth_ += ImportRecordGrowth(layout);
    } catch (const std::bad_alloc&) {
      fail(path, ImportFailureReason::OutOfMemory);
    }
  }

  void noteDecodedName(const Pending& p) {
    const QString stored =
        FLN_COMM_CreateNSString_FromUniChar_LtoN(p.entry.en_file_path, sizeof p.entry.en_file_path);
    try {
      result_->decodedNames.push_back(ImportDecodedName{p.path, stored.toUtf8().toStdString()});
    } catch (const std::bad_alloc&) {
      // The entry is in; only the notice about its name is lost.
    }
  }

  // Makes the PDFs stored since the last commit part of the file; when that
  // fails none of them is, and no entry may point at them.
  void commitStored() {
    if (session_.close()) return;
    for (const Pending& p : pending_) fail(p.path, ImportFailureReason::StoreFailed);
    pending_.clear();
  }

  // A save that fails rewrites the tags it could not write whole the next
  // time, so one more try gets past a passing write error.
  bool SaveWithRetry() {
    return SaveAll(flnData_->filePath, flnData_) == 1 || SaveAll(flnData_->filePath, flnData_) == 1;
  }

  // Saves the stored PDFs' attachment records first and their entries only
  // once those are on disk: the file never holds an entry without its PDF.
  void flush() {
    if (pending_.empty()) return;
    size_t attached = 0;
    while (attached < pending_.size() && Tesk_Ary_Add(flnData_->attachment, &pending_[attached].attachment) == 0)
      ++attached;
    for (size_t i = attached; i < pending_.size(); ++i) fail(pending_[i].path, ImportFailureReason::OutOfMemory);

    saved_ = SaveWithRetry();
    if (!saved_) {
      // The attachment records stay: the file may hold some of them already,
      // and an attachment without its entry is never shown.
      for (size_t i = 0; i < attached; ++i) fail(pending_[i].path, ImportFailureReason::NotSaved);
    } else {
      std::vector<const Pending*> added;
      for (size_t i = 0; i < attached; ++i) {
        if (Tesk_Ary_Add(flnData_->entry, &pending_[i].entry) == 0)
          added.push_back(&pending_[i]);
        else
          fail(pending_[i].path, ImportFailureReason::OutOfMemory);
      }
      saved_ = SaveWithRetry();
      // Counted as imported only once its entry is in the file.
      for (const Pending* p : added) {
        if (!saved_) {
          fail(p->path, ImportFailureReason::NotSaved);
          continue;
        }
        ++result_->imported;
        if (!p->isPdf) result_->notPdf.push_back(p->path);
        if (p->decodedName) noteDecodedName(*p);
      }
    }
    if (saved_) unsavedGrowth_ = 0;
    pending_.clear();
  }

  // A stored digest as a key of knownDigests_, as QByteArray::toStdString gives a computed one.
  static std::string DigestKey(const uint8_t (&digest)[32]) {
    return std::string(reinterpret_cast<const char*>(digest), sizeof digest);
  }

  FLN_DATA* flnData_;
  const ImportProgress& progress_;
  const bool skipDuplicates_;
  const PdfInfoReader& readInfo_;
  std::unordered_set<std::string> knownDigests_;
  ImportResult* result_;
  ImportAppendSession session_;
  ImportSystemFacts facts_;
  std::string plain_[3];
  const char* plainNames_[3] = {};
  std::vector<Pending> pending_;
  // Bytes the next save appends for what this import added to the arrays.
  uint64_t unsavedGrowth_ = 0;
  bool saved_ = false;
};

// The chosen folder without trailing slashes, so that listed paths read "a/b.pdf", not "a//b.pdf".
std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

ImportResult ImportPDFFiles(FLN_DATA* flnData, const char* chosenPath, const char* panelFolder,
                            const char* comboCat1, const char* comboCat2, const char* comboCat3,
                            const ImportProgress& progress, bool skipDuplicates, const PdfInfoReader& readInfo) {
  ImportResult result;
  if (!IsLoaded(flnData) || chosenPath == nullptr) {
    result.status = ImportStatus::LibraryUnavailable;
    result.saved = false;
    return result;
  }
  Importer importer(flnData, progress, skipDuplicates, readInfo, &result);
  const char* const combo[3] = {comboCat1, comboCat2, comboCat3};
  if (!importer.setPlainCategories(combo) || !importer.openLibrary() || !importer.addPlainTriple()) {
    result.saved = result.status == ImportStatus::CategoryNameTooLong;  // nothing was changed then
    return result;
  }

  OwnedAry list(Tesk_Ary_Init(kFlnPathBufferSize, 256, 256));
  struct stat st;
  const std::string path = chosenPath;
  if (stat(chosenPath, &st) == 0 && S_ISDIR(st.st_mode)) {
    importer.rememberFolder(kTagPrefFolderImport, panelFolder);
    if (list != nullptr) ListUpFilesWithExt(WithoutTrailingSlashes(path).c_str(), "pdf", list.get(), &result.failures);
  } else {
    importer.rememberFolder(kTagPrefFileImport, panelFolder);
    if (path.size() + 1 > kFlnPathBufferSize) {
      importer.fail(path, ImportFailureReason::PathTooLong);
    } else if (list != nullptr) {
      char record[kFlnPathBufferSize] = {};
      std::memcpy(record, path.c_str(), path.size() + 1);
      if (Tesk_Ary_Add(list.get(), record) != 0) importer.fail(path, ImportFailureReason::OutOfMemory);
    }
  }
  if (list == nullptr) importer.fail(path, ImportFailureReason::OutOfMemory);

  importer.importAll(list.get());
  importer.refreshLists();
  return result;
}
