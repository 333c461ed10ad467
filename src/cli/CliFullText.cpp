#include "cli/CliFullText.h"

#include <QStringList>
#include <atomic>
#include <cstdio>
#include <map>
#include <thread>

#include "cli/CliCommands.h"
#include "cli/CliInterrupt.h"
#include "cli/CliLibrary.h"
#include "cli/CliOutput.h"
#include "cli/CliProgress.h"
#include "fulltext/FullTextIndex.h"
#include "fulltext/FullTextSync.h"
#include "search/LibraryIdentity.h"
#include "format/Endian.h"

namespace {

struct Tally {
  int text = 0, noText = 0, locked = 0, unreadable = 0;
};

// Brings the open `index` in step with the loaded library, remaking it when
// it is found damaged. Messages go to stderr; false when the index cannot be
// written. `interrupted` is set when Ctrl-C stopped the work midway.
bool BringInStep(CliLibrary* opened, const std::string& library, FullTextIndex* index, bool* interrupted) {
  // Ctrl-C is looked at between two PDFs.
  std::atomic<bool> cancel{false};
  WatchForInterrupt();
  TerminalProgress line(stdout);
  int total = 0;
  QString notice, error;
  const bool ok = SyncFullTextIndex(
      index, library, [opened](const auto& held) { return PlanFullTextWork(opened->data(), held); },
      [&](const FullTextProgress& step) {
        total = step.total;
        line.show(step.done, step.total, step.title.toStdString());
        if (InterruptRequested()) cancel = true;
      },
      &cancel, &notice, &error);
  line.finish(cancel ? 0 : total, total);
  if (!notice.isEmpty()) PrintError(notice.toStdString());
  if (!ok) PrintError(error.toStdString());
  *interrupted = cancel;
  return ok;
}

// Opens the library's index and brings it in step (BringInStep).
bool OpenInStep(CliLibrary* opened, const std::string& library, FullTextIndex* index, bool* interrupted) {
  *interrupted = false;
  QString notice, error;
  if (!index->open(FullTextIndexPath(opened->data()), &notice, &error)) {
    PrintError(error.toStdString());
    return false;
  }
  if (!notice.isEmpty()) PrintError(notice.toStdString());
  return BringInStep(opened, library, index, interrupted);
}

std::string PageList(const std::vector<FullTextIndex::PageHits>& pages) {
  std::string list;
  for (const FullTextIndex::PageHits& page : pages) {
    if (!list.empty()) list += ',';
    list += std::to_string(page.page);
  }
  return list;
}

}  // namespace

int RunIndexCommand(const CliInvocation& invocation) {
  const std::string& library = invocation.operands[0];
  CliLibrary opened;
  if (!opened.open(library, LibraryLockMode::Shared)) return kCliExitFailure;
  FullTextIndex index;
  bool interrupted = false;
  if (!OpenInStep(&opened, library, &index, &interrupted)) return kCliExitFailure;
  if (interrupted) {
    PrintError("stopped; what was indexed stays, and the next run goes on from there");
    return kCliExitInterrupted;
  }
  std::map<int32_t, FullTextIndex::Document> held;
  QString error;
  if (!index.documents(&held, &error)) {
    PrintError(error.toStdString());
    return kCliExitFailure;
  }
  Tally tally;
  for (const auto& [id, document] : held) {
    switch (document.state) {
      case FullTextIndex::State::Text: ++tally.text; break;
      case FullTextIndex::State::NoText: ++tally.noText; break;
      case FullTextIndex::State::Locked: ++tally.locked; break;
      case FullTextIndex::State::Unreadable: ++tally.unreadable; break;
    }
  }
  std::printf("%d entries indexed: %d with text, %d without text, %d locked, %d unreadable; %lld pages\n",
              static_cast<int>(held.size()), tally.text, tally.noText, tally.locked, tally.unreadable,
              static_cast<long long>(index.pageCount()));
  return kCliExitOk;
}

int RunFullTextSearch(const CliInvocation& invocation) {
  const std::string& library = invocation.operands[0];
  CliLibrary opened;
  if (!opened.open(library, LibraryLockMode::Shared)) return kCliExitFailure;
  FullTextIndex index;
  bool interrupted = false;
  if (!OpenInStep(&opened, library, &index, &interrupted)) return kCliExitFailure;
  if (interrupted) return kCliExitInterrupted;

  std::vector<FullTextIndex::EntryHits> results;
  QString error;
  const QString query = QString::fromStdString(invocation.operands[1]);
  if (!index.search(query, &results, &error)) {
    // Damage the opening did not see: the index is made again and asked again.
    QString notice;
    const bool remade = index.damaged() && index.remake(&notice, &error);
    if (remade) PrintError(notice.toStdString());
    if (remade && !BringInStep(&opened, library, &index, &interrupted)) return kCliExitFailure;
    if (interrupted) return kCliExitInterrupted;
    if (!remade || !index.search(query, &results, &error)) {
      PrintError(error.toStdString());
      return kCliExitFailure;
    }
  }
  std::map<int32_t, std::string> titles;
  FLN_DATA* data = opened.data();
  for (int32_t i = 0; i < Tesk_Ary_GetSize(data->entry); ++i) {
    FLN_ENTRY entry;
    Tesk_Ary_GetData(data->entry, i, &entry);
    titles[ZEL_EndianLong_LtoN(entry.en_id)] = StoredText(entry.en_title);
  }
  for (const FullTextIndex::EntryHits& hit : results)
    std::printf("%d\t%s\t%d\t%s\n", static_cast<int>(hit.enId), TabField(titles[hit.enId]).c_str(), hit.hits,
                PageList(hit.pages).c_str());
  return kCliExitOk;
}
