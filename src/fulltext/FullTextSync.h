#pragma once
// Bringing a library's full-text index in step with the library: what the
// index holds is compared with the library's entries (added, deleted or
// changed by this program or another), entries that are gone are dropped,
// and the PDFs that are new or changed are read and their text extracted.
//
// Extraction runs on several threads (one per core); the index is written
// on the calling thread, one transaction per batch, so that a stop (cancel,
// crash, end of the program) keeps every batch done before it: the next run
// goes on from there.

#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "fulltext/FullTextIndex.h"
#include "format/FlnRecords.h"

struct FullTextWork {
  struct Pending {
    int32_t enId = 0;
    int32_t dataIndex = -1;  // member of the library's 'ATTD', -1 when the entry has no PDF
    std::string fingerprint;
    QString title;
  };
  std::vector<int32_t> gone;      // held by the index, no longer in the library (or changed)
  std::vector<Pending> pending;   // to extract, ascending dataIndex
};

/// The fingerprint of the PDF of entry `entryIndex`: its attachment's
/// position, id and the file size; it changes when another PDF takes the
/// entry's place.
std::string PdfFingerprint(const FLN_DATA* flnData, int32_t entryIndex);

/// What must be done to bring `held` (FullTextIndex::documents) in step
/// with the entries of `flnData`.
FullTextWork PlanFullTextWork(const FLN_DATA* flnData, const std::map<int32_t, FullTextIndex::Document>& held);

struct FullTextProgress {
  int done = 0;
  int total = 0;
  QString title;  // of the entry just indexed
};

/// Does `work` on `index`, reading the PDFs from the library file at
/// `libraryPath` (which the caller keeps from being changed meanwhile, e.g.
/// under the library's shared lock). `progress` is called after each PDF;
/// `cancel` is looked at between PDFs. False with `*error` when the index
/// could not be written or the library could not be read; what was
/// committed until then stays.
bool RunFullTextWork(FullTextIndex* index, const std::string& libraryPath, const FullTextWork& work,
                     const std::function<void(const FullTextProgress&)>& progress, const std::atomic<bool>* cancel,
                     QString* error);
