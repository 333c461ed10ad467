#include "transfer/LibraryMerge.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <cerrno>
#include <chrono>
#include <thread>
#include <unordered_set>

#include "categories/CategoryNameInput.h"
#include "format/CategoryNameText.h"
#include "format/Endian.h"
#include "library/FlnAttachmentHash.h"
#include "library/FlnCategoryTable.h"
#include "library/FlnCreateCats.h"
#include "library/FlnEntryPdf.h"
#include "library/FlnIdCounter.h"
#include "library/FlnLoad.h"
#include "format/FieldText.h"
#include "storage/ZelJournal.h"
#include "transfer/ImportBatch.h"
#include "transfer/ImportEntry.h"
#include "transfer/ImportFileRead.h"
#include "transfer/ImportFit.h"

namespace {

// How often, and how far apart, the other library's records are read again
// when a change of it was under way meanwhile.
constexpr int kReadAttempts = 20;
constexpr auto kReadPause = std::chrono::milliseconds(50);

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

bool Unchanged(const struct stat& a, const struct stat& b) {
  return SameFile(a, b) && a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
         a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

// The other library's records, read at a moment when no change of it was
// under way: no journal beside it, and the file the same before and after.
FlnResult ReadOtherLibrary(const char* path, FLN_DATA* other) {
  const std::string journal = ZelJournal::PathFor(path);
  for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
    if (attempt > 0) std::this_thread::sleep_for(kReadPause);
    struct stat before, after;
    if (::stat(path, &before) != 0)
      return FlnResultOfSystemCall(errno, FlnStatus::CannotOpen, "open it");
    if (::access(journal.c_str(), F_OK) == 0) continue;
    FlnResult read = ReadFlnDataFromFlnFile(path, other);
    if (::stat(path, &after) == 0 && Unchanged(before, after) && ::access(journal.c_str(), F_OK) != 0) {
      if (read.status == FlnStatus::Damaged)
        read.reason += " (\"folian-cli recover\" writes a new library of what it still holds)";
      return read;
    }
  }
  return FlnResult::failure(FlnStatus::CannotOpen,
                            "it is being changed, or a change of it was left unfinished; open it in Folian (which "
                            "finishes it) or try again later");
}

// "TITLE (entry ID)": how reports name an entry of the other library.
std::string EntryName(const FLN_ENTRY& entry) {
  char title[sizeof entry.en_title / 2 * 3 + 1];
  if (FLN_COMM_ConvertUniCharToChar_LtoN(entry.en_title, sizeof entry.en_title, title, sizeof title) != 1)
    title[0] = '\0';
  return std::string(title) + " (entry " + std::to_string(ZEL_EndianLong_LtoN(entry.en_id)) + ")";
}

bool NamesReservedCategory(const char names[3][kCategoryNameSize]) {
  for (int level = 0; level < 3; ++level)
    if (!CheckEntryCategoryName(names[level], false).isEmpty()) return true;
  return false;
}

class Merger {
 public:
  Merger(FLN_DATA* flnData, const FLN_DATA* other, const ImportProgress& progress, bool skipDuplicates,
         ImportResult* result)
      : flnData_(flnData), other_(other), progress_(progress), skipDuplicates_(skipDuplicates), result_(result),
        session_(flnData), batch_(flnData, &session_, result), pdfs_(other) {}

  bool open() {
    const FlnResult opened = session_.open();
    if (!opened.ok()) {
      result_->status = ImportStatus::LibraryUnavailable;
      result_->save = opened;
      return false;
    }
    knownDigests_ = DigestsInUse(flnData_, session_.hashes());
    return true;
  }

  void addCategories() {
    const int32_t triplesBefore = Tesk_Ary_GetSize(flnData_->catsAry);
    const int32_t count = Tesk_Ary_GetSize(other_->catsAry);
    for (int32_t i = 0; i < count; ++i) {
      FLN_CATS cats;
      Tesk_Ary_GetData(other_->catsAry, i, &cats);
      char names[3][kCategoryNameSize];
      bool readable = true;
      for (int level = 1; level <= 3; ++level) readable = readable && ReadCategoryNameOf(cats, level, names[level - 1]);
      if (readable && !NamesReservedCategory(names)) addTriple(names);
    }
    batch_.noteGrowth(ImportTripleGrowth(session_.layout(), Tesk_Ary_GetSize(flnData_->catsAry) - triplesBefore));
  }

  void mergeAll() {
    const int32_t total = Tesk_Ary_GetSize(other_->entry);
    result_->listed = total;
    int32_t i = 0;
    for (; i < total; ++i) {
      FLN_ENTRY entry;
      Tesk_Ary_GetData(other_->entry, i, &entry);
      const std::string name = EntryName(entry);
      if (progress_ && !progress_(i, total, name)) {
        result_->status = ImportStatus::Stopped;
        break;
      }
      mergeOne(name, entry);
      if (static_cast<int32_t>(batch_.size()) >= kImportSaveInterval) {
        batch_.commit();
        const FlnResult reopened = session_.open();
        if (!reopened.ok()) {
          for (++i; i < total; ++i) {
            Tesk_Ary_GetData(other_->entry, i, &entry);
            fail(EntryName(entry), ImportFailureReason::LibraryUnavailable, reopened.systemError);
          }
          break;
        }
      }
    }
    batch_.commit();
    batch_.finish();
  }

 private:
  void fail(const std::string& name, ImportFailureReason reason, int error = 0) {
    result_->failures.push_back(ImportFailure{name, reason, error});
  }

  bool addTriple(const char names[3][kCategoryNameSize]) {
    return IsCatsExists(flnData_->catsAry, names[0], names[1], names[2]) == 1 ||
           CreateFlnCats(names[0], names[1], names[2], flnData_->idCounter, flnData_->catsAry) == 0;
  }

  void mergeOne(const std::string& name, FLN_ENTRY entry) {
    char names[3][kCategoryNameSize];
    for (int level = 1; level <= 3; ++level)
      if (!ReadCategoryNameOf(entry, level, names[level - 1])) names[level - 1][0] = '\0';
    if (NamesReservedCategory(names)) return fail(name, ImportFailureReason::ReservedCategory);

    PdfFault fault = PdfFault::None;
    const QByteArray bytes = pdfs_.read(entry, &fault);
    if (bytes.isNull() || fault != PdfFault::None) return fail(name, ImportFailureReason::PdfUnreadable);
    const QByteArray digest = PdfDigest(bytes);
    const bool duplicate = knownDigests_.count(digest.toStdString()) != 0;
    if (duplicate) {
      result_->duplicates.push_back(name);
      if (skipDuplicates_) return;
    }
    const int32_t triplesBefore = Tesk_Ary_GetSize(flnData_->catsAry);
    if (!addTriple(names)) return fail(name, ImportFailureReason::OutOfMemory);
    batch_.noteGrowth(ImportTripleGrowth(session_.layout(), Tesk_Ary_GetSize(flnData_->catsAry) - triplesBefore));
    if (!batch_.fits(bytes.size())) return fail(name, ImportFailureReason::LibraryFull);

    int32_t dataIndex = -1;
    const FlnResult stored = session_.store(bytes, &dataIndex);
    if (!stored.ok()) return result_->failures.push_back(StoreFailureOf(name, stored));
    const int32_t enId = GetIdFromIdCounter(flnData_->idCounter, kTagEntry, "en_id");
    const int32_t atId = enId < 0 ? -1 : GetIdFromIdCounter(flnData_->idCounter, kTagAttachment, "at_id");
    if (atId < 0) return fail(name, ImportFailureReason::NoIdentifier);
    session_.storeDigest(atId, bytes, digest);
    if (!duplicate) knownDigests_.insert(digest.toStdString());

    ForgetEnvironment(&entry);
    entry.en_id = ZEL_EndianLong_NtoL(enId);
    batch_.add(name, entry, atId, dataIndex, LooksLikePdf(bytes));
  }

  FLN_DATA* flnData_;
  const FLN_DATA* other_;
  const ImportProgress& progress_;
  const bool skipDuplicates_;
  ImportResult* result_;
  FlnAppendSession session_;
  ImportBatch batch_;
  EntryPdfReader pdfs_;
  std::unordered_set<std::string> knownDigests_;
};

}  // namespace

MergeResult MergeLibraryFile(FLN_DATA* flnData, const char* otherPath, const ImportProgress& progress,
                             bool skipDuplicates) {
  MergeResult result;
  if (!IsImportableLibrary(flnData) || otherPath == nullptr) {
    result.merged.status = ImportStatus::LibraryUnavailable;
    result.merged.save = FlnResult::failure(FlnStatus::NotLoaded, "the library is not loaded");
    return result;
  }
  struct stat own, other;
  if (::stat(flnData->filePath, &own) == 0 && ::stat(otherPath, &other) == 0 && SameFile(own, other)) {
    result.other = FlnResult::failure(FlnStatus::SameFile, "it is this library's own file");
    return result;
  }
  FLN_DATA otherData;
  result.other = ReadOtherLibrary(otherPath, &otherData);
  if (!result.other.ok()) return result;

  Merger merger(flnData, &otherData, progress, skipDuplicates, &result.merged);
  if (merger.open()) {  // else result.merged.save says why
    merger.addCategories();
    merger.mergeAll();
    RefreshNamesAndShownEntries(flnData);
  }
  FreeFlnData(&otherData);
  return result;
}
