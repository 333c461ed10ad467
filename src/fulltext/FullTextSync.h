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
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "fulltext/FullTextIndex.h"
#include "library/FlnData.h"

struct FullTextWork {
  struct Pending {
    int32_t enId = 0;
    int32_t dataIndex = -1;  // member of the library's 'ATTD', -1 when the entry has no PDF
    std::string fingerprint;
    QString title;           // for the progress line; may be empty
  };
  std::vector<int32_t> gone;      // held by the index, no longer in the library (or changed)
  std::vector<Pending> pending;   // to extract, ascending dataIndex
};

/// What the index needs to know of one entry of the library: a copy, so
/// that the work can be planned on another thread than the one that owns
/// the library in memory.
struct FullTextEntry {
  int32_t enId = 0;
  int32_t dataIndex = -1;  // member of 'ATTD', -1 when the entry has no PDF
  int32_t atId = -1;       // of its attachment record, -1 when none
  std::array<char, sizeof(FLN_ATTACHMENT::createDate)> attached{};  // when that record was made
  uint32_t fileSize = 0;
  int32_t entryIndex = 0;  // position among the library's entries
};

/// Every entry of `flnData` in entry order, each with the PDF of its first
/// attachment record. One pass over the entries and one over the
/// attachments.
std::vector<FullTextEntry> FullTextEntries(const FLN_DATA* flnData);

/// The fingerprint of an entry's PDF: its attachment record's id and time
/// of making, and the file size. It changes when another PDF takes the
/// entry's place (a PDF is stored with a new attachment record), and not
/// when the PDF moves in the file (a compaction keeps the records).
std::string PdfFingerprint(const FullTextEntry& entry);

/// What must be done to bring `held` (FullTextIndex::documents) in step
/// with `entries` (FullTextEntries). The pending entries have no title.
FullTextWork PlanFullTextWork(const std::vector<FullTextEntry>& entries,
                              const std::map<int32_t, FullTextIndex::Document>& held);

/// The same for the entries of `flnData`, with the pending entries' titles.
FullTextWork PlanFullTextWork(const FLN_DATA* flnData, const std::map<int32_t, FullTextIndex::Document>& held);

struct FullTextProgress {
  int done = 0;
  int total = 0;
  QString title;  // of the entry just indexed
};

using FullTextProgressSink = std::function<void(const FullTextProgress&)>;

/// Does `work` on `index`, reading the PDFs from the library file at
/// `libraryPath` (which the caller keeps from being changed meanwhile, e.g.
/// under the library's shared lock). `progress` is called with none done
/// before the first PDF is read, then after each PDF; `cancel` is looked at
/// before each PDF: a stop keeps every batch committed before it and drops
/// the batch under way, so that it ends within the time of the PDFs being
/// read at that moment. False with `*error` when the index could not be
/// written (FullTextIndex::damaged tells whether it met damage) or the
/// library could not be read; what was committed until then stays.
bool RunFullTextWork(FullTextIndex* index, const std::string& libraryPath, const FullTextWork& work,
                     const FullTextProgressSink& progress, const std::atomic<bool>* cancel, QString* error);

/// The work that brings an index holding `held` in step with the library
/// (one of the PlanFullTextWork above).
using FullTextPlanner = std::function<FullTextWork(const std::map<int32_t, FullTextIndex::Document>& held)>;

/// Brings the open `index` in step: reads what it holds, plans the work
/// with `plan` and does it (RunFullTextWork). An index found damaged on the
/// way (FullTextIndex::damaged) is remade empty and everything planned and
/// done again, once; `*notice` then says so (it is cleared first). False
/// with `*error` as RunFullTextWork, or when the index cannot be remade.
bool SyncFullTextIndex(FullTextIndex* index, const std::string& libraryPath, const FullTextPlanner& plan,
                       const FullTextProgressSink& progress, const std::atomic<bool>* cancel, QString* notice,
                       QString* error);
