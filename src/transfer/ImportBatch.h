#pragma once
// The entries of an import (or a merge) whose PDFs are stored but not yet
// linked: a batch of them is committed together, in the order that keeps the
// library file sound at every step. First the stored PDFs are committed
// (FlnAppendSession::close); then their attachment records are saved;
// only once those are on disk are the entries added and saved. The file
// therefore never holds an entry whose PDF is missing, whatever fails or
// kills the process on the way.

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "library/FlnAppendSession.h"
#include "library/FlnData.h"
#include "transfer/PdfImport.h"

class ImportBatch {
 public:
  /// Commits through `session` into `flnData`, and reports into `result`
  /// (imported, failures, notPdf, decodedNames).
  ImportBatch(FLN_DATA* flnData, FlnAppendSession* session, ImportResult* result)
      : flnData_(flnData), session_(session), result_(result) {}

  /// The entry `entry` (its en_id set) whose PDF the session has just stored
  /// as member `dataIndex` of 'ATTD' for the attachment `atId` (host order).
  /// `name` names it in the reports; `isPdf` false lists it in notPdf;
  /// `decodedName` lists it in decodedNames.
  void add(const std::string& name, const FLN_ENTRY& entry, int32_t atId, int32_t dataIndex, bool isPdf = true,
           bool decodedName = false);
  /// How many entries wait.
  size_t size() const { return pending_.size(); }

  /// Counts `bytes` that the next save appends for what was added to the
  /// library's arrays besides the entries (new category triples).
  void noteGrowth(uint64_t bytes) { unsavedGrowth_ += bytes; }
  /// Whether a PDF of `pdfBytes` fits the library file's limit with
  /// everything it brings: its data and digest now, and at the next save its
  /// records together with those waiting and the growth noted.
  bool fits(int64_t pdfBytes) const;

  /// Commits the waiting entries as described above and reopens nothing. An
  /// entry is counted as imported only once it is in the file; one that does
  /// not make it is listed in result->failures (StoreFailed, NotSaved or
  /// OutOfMemory).
  void commit();
  /// Saves once more when nothing was saved since the last change (the new
  /// category triples, remembered folders); sets result->save to the last
  /// save's result.
  void finish();

 private:
  struct Pending {
    std::string name;
    FLN_ENTRY entry;
    FLN_ATTACHMENT attachment;
    bool isPdf = true;
    bool decodedName = false;
  };

  void fail(const std::string& name, ImportFailureReason reason);
  void noteDecodedName(const Pending& p);
  FlnResult saveWithRetry();

  FLN_DATA* flnData_;
  FlnAppendSession* session_;
  ImportResult* result_;
  std::vector<Pending> pending_;
  // Bytes the next save appends for what was added to the arrays.
  uint64_t unsavedGrowth_ = 0;
  FlnResult save_ = FlnResult::failure(FlnStatus::NotLoaded, "not saved yet");  // the last save's result
};

/// Whether `flnData` is a loaded library that entries can be added to (its
/// path and its entry, attachment, counter and category arrays are set).
bool IsImportableLibrary(const FLN_DATA* flnData);

/// The digests of the PDFs that the library's attachments name (those of
/// deleted entries do not count), as keys that PdfDigest(...).toStdString()
/// gives for the same bytes: what "already in the library" is measured by.
std::unordered_set<std::string> DigestsInUse(const FLN_DATA* flnData, const AttachmentHashes& hashes);

/// After entries were added: the name arrays cat1Ary..cat3Ary rebuilt from
/// the whole category table and sorted (CategorySortFunc), and shownRows
/// set to the entries of the current choices lastSelectCat1..3 in stored
/// order (QueryEntryRows), for the window to reload its lists from.
void RefreshNamesAndShownEntries(FLN_DATA* flnData);
