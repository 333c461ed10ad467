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
#include "library/FlnAppendSession.h"
#include "library/FlnAttachmentHash.h"
#include "library/FlnCreateCats.h"
#include "library/FlnIdCounter.h"
#include "library/FlnPreference.h"
#include "library/FlnSave.h"
#include "format/Endian.h"
#include "storage/TeskUtil.h"
#include "format/Utf8Text.h"
#include "transfer/FileListing.h"
#include "transfer/FlxPath.h"
#include "transfer/ImportBatch.h"
#include "transfer/ImportEntry.h"
#include "transfer/ImportFileRead.h"
#include "transfer/ImportFit.h"
#include "storage/OwnedAry.h"

namespace {

class Importer {
 public:
  Importer(FLN_DATA* flnData, const ImportProgress& progress, bool skipDuplicates, const PdfInfoReader& readInfo,
           ImportResult* result)
      : flnData_(flnData), progress_(progress), skipDuplicates_(skipDuplicates), readInfo_(readInfo), result_(result),
        session_(flnData), batch_(flnData, &session_, result), facts_(CurrentImportSystemFacts()) {}

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
    const FlnResult opened = session_.open();
    if (!opened.ok()) {
      result_->status = ImportStatus::LibraryUnavailable;
      result_->save = opened;
      return false;
    }
    knownDigests_ = DigestsInUse(flnData_, session_.hashes());
    return true;
  }

  bool addPlainTriple() {
    if (addTriple(plainNames_[0], plainNames_[1], plainNames_[2])) return true;
    result_->status = ImportStatus::LibraryUnavailable;
    result_->save = FlnResult::failure(FlnStatus::NotLoaded, "not enough memory for the plain categories");
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
      if (static_cast<int32_t>(batch_.size()) >= kImportSaveInterval) {
        batch_.commit();
        const FlnResult reopened = session_.open();
        if (!reopened.ok()) {
          for (++i; i < total; ++i)
            fail(static_cast<const char*>(Tesk_Ary_GetDataPtr(list, i)), ImportFailureReason::LibraryUnavailable,
                 reopened.systemError);
          break;
        }
      }
    }
    Tesk_Ary_Unlock(list, wasLocked);
    batch_.commit();
    // The plain triple and the remembered folder count as changes too.
    batch_.finish();
  }

  void fail(const std::string& path, ImportFailureReason reason, int error = 0) {
    result_->failures.push_back(ImportFailure{path, reason, error});
  }

 private:
  bool addTriple(const char* c1, const char* c2, const char* c3) {
    return IsCatsExists(flnData_->catsAry, c1, c2, c3) == 1 ||
           CreateFlnCats(c1, c2, c3, flnData_->idCounter, flnData_->catsAry) == 0;
  }

  void importOne(const std::string& path) {
    if (!ImportPathFits(path)) return fail(path, ImportFailureReason::PathTooLong);
    QByteArray bytes;
    ImportFailure failure;
    ImportFileStamp readStamp;
    if (!ReadImportFile(path, &bytes, &failure, &readStamp)) return result_->failures.push_back(failure);

    const QByteArray digest = PdfDigest(bytes);
    const bool duplicate = knownDigests_.count(digest.toStdString()) != 0;
    if (duplicate) {
      result_->duplicates.push_back(path);
      if (skipDuplicates_) return;
    }

    FLN_ENTRY entry;
    const bool isPdf = LooksLikePdf(bytes);
    bool decodedName = false;
    const int32_t triplesBefore = Tesk_Ary_GetSize(flnData_->catsAry);
    const FlxRead flx = ReadImportFlx(path, &entry, &failure);
    if (flx == FlxRead::Refused) return result_->failures.push_back(failure);
    if (flx == FlxRead::Read) {
      ForgetWindowState(&entry);
      // The stored size is the PDF's, whatever the metadata text file says:
      // it is what the PDF is checked against when read back.
      entry.en_file_size = ZEL_EndianLong_NtoL(static_cast<int32_t>(static_cast<uint32_t>(bytes.size())));
      char names[3][kCategoryNameSize];
      for (int level = 1; level <= 3; ++level) {
        ReadCategoryNameOf(entry, level, names[level - 1]);
        // The entry could never be narrowed to in the lists.
        if (!CheckEntryCategoryName(names[level - 1], false).isEmpty())
          return fail(path, ImportFailureReason::ReservedCategory);
      }
      if (!addTriple(names[0], names[1], names[2])) return fail(path, ImportFailureReason::OutOfMemory);
    } else {
      BuildEntry_FromFile(path, bytes.size(), FileCreationDate(path), plainNames_, facts_, &entry);
      if (isPdf) FillEntryFromPdfInfo(bytes, readInfo_, &entry);
      decodedName = !IsUtf8Text(path);
    }

    // Everything this PDF brings must fit before its first byte is written:
    // its data and digest now, and at the next save its records together
    // with those of the PDFs stored before it.
    const zel::RecordLayout& layout = session_.layout();
    batch_.noteGrowth(ImportTripleGrowth(layout, Tesk_Ary_GetSize(flnData_->catsAry) - triplesBefore));
    if (!batch_.fits(bytes.size())) return fail(path, ImportFailureReason::LibraryFull);

    int32_t dataIndex = -1;
    const FlnResult stored = StoreReadImportFile(&session_, path, readStamp, bytes, &dataIndex);
    if (!stored.ok()) return result_->failures.push_back(StoreFailureOf(path, stored));

    // Identifiers are handed out only for stored PDFs, so a file that fails
    // uses none up.
    const int32_t enId = GetIdFromIdCounter(flnData_->idCounter, kTagEntry, "en_id");
    const int32_t atId = enId < 0 ? -1 : GetIdFromIdCounter(flnData_->idCounter, kTagAttachment, "at_id");
    if (atId < 0) return fail(path, ImportFailureReason::NoIdentifier);
    // The digest goes in before the attachment record that it vouches for.
    session_.storeDigest(atId, bytes, digest);
    if (!duplicate) knownDigests_.insert(digest.toStdString());
    entry.en_id = ZEL_EndianLong_NtoL(enId);
    batch_.add(path, entry, atId, dataIndex, isPdf, decodedName);
  }

  FLN_DATA* flnData_;
  const ImportProgress& progress_;
  const bool skipDuplicates_;
  const PdfInfoReader& readInfo_;
  std::unordered_set<std::string> knownDigests_;
  ImportResult* result_;
  FlnAppendSession session_;
  ImportBatch batch_;
  ImportSystemFacts facts_;
  std::string plain_[3];
  const char* plainNames_[3] = {};
};

// The chosen folder without trailing slashes, so that listed paths read "a/b.pdf", not "a//b.pdf".
std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

namespace {

bool IsFolder(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Adds the PDFs of `path` to `list`: every file ending in ".pdf" below a
// folder, or the file itself. Paths that cannot be listed are failures.
void ListChosenPath(const std::string& path, TESK_ARY list, std::vector<ImportFailure>* failures) {
  if (IsFolder(path)) {
    ListUpFilesWithExt(WithoutTrailingSlashes(path).c_str(), "pdf", list, failures);
  } else if (path.size() + 1 > kFlnPathBufferSize) {
    failures->push_back(ImportFailure{path, ImportFailureReason::PathTooLong, 0});
  } else {
    char record[kFlnPathBufferSize] = {};
    std::memcpy(record, path.c_str(), path.size() + 1);
    if (Tesk_Ary_Add(list, record) != 0) failures->push_back(ImportFailure{path, ImportFailureReason::OutOfMemory, 0});
  }
}

// ImportPDFFiles and ImportPDFPaths: the import of every PDF that `paths`
// name, remembering `panelFolder` (unless null) for the kind of the first path.
ImportResult ImportListed(FLN_DATA* flnData, const std::vector<std::string>& paths, const char* panelFolder,
                          const char* const combo[3], const ImportProgress& progress, bool skipDuplicates,
                          const PdfInfoReader& readInfo) {
  ImportResult result;
  if (!IsImportableLibrary(flnData)) {
    result.status = ImportStatus::LibraryUnavailable;
    result.save = FlnResult::failure(FlnStatus::NotLoaded, "the library is not loaded");
    return result;
  }
  Importer importer(flnData, progress, skipDuplicates, readInfo, &result);
  // Nothing was changed when one fails; the steps that can fail for the
  // library's sake say why in result.save.
  if (!importer.setPlainCategories(combo) || !importer.openLibrary() || !importer.addPlainTriple()) return result;
  if (panelFolder != nullptr && !paths.empty())
    importer.rememberFolder(IsFolder(paths.front()) ? kTagPrefFolderImport : kTagPrefFileImport, panelFolder);

  OwnedAry list(Tesk_Ary_Init(kFlnPathBufferSize, 256, 256));
  for (const std::string& path : paths) {
    if (list == nullptr)
      importer.fail(path, ImportFailureReason::OutOfMemory);
    else
      ListChosenPath(path, list.get(), &result.failures);
  }
  importer.importAll(list.get());
  RefreshNamesAndShownEntries(flnData);
  return result;
}

}  // namespace

ImportResult ImportPDFFiles(FLN_DATA* flnData, const char* chosenPath, const char* panelFolder,
                            const char* comboCat1, const char* comboCat2, const char* comboCat3,
                            const ImportProgress& progress, bool skipDuplicates, const PdfInfoReader& readInfo) {
  if (chosenPath == nullptr) {
    ImportResult result;
    result.status = ImportStatus::LibraryUnavailable;
    result.save = FlnResult::failure(FlnStatus::CannotOpen, "no file or folder given");
    return result;
  }
  const char* const combo[3] = {comboCat1, comboCat2, comboCat3};
  return ImportListed(flnData, {std::string(chosenPath)}, panelFolder, combo, progress, skipDuplicates, readInfo);
}

ImportResult ImportPDFPaths(FLN_DATA* flnData, const std::vector<std::string>& paths, const char* comboCat1,
                            const char* comboCat2, const char* comboCat3, const ImportProgress& progress,
                            bool skipDuplicates, const PdfInfoReader& readInfo) {
  const char* const combo[3] = {comboCat1, comboCat2, comboCat3};
  return ImportListed(flnData, paths, nullptr, combo, progress, skipDuplicates, readInfo);
}
