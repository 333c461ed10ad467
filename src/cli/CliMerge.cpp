// The merge command: every entry of another library imported into this one.

#include <cstdio>
#include <string>

#include "cli/CliCommands.h"
#include "cli/CliInterrupt.h"
#include "cli/CliLibrary.h"
#include "cli/CliOutput.h"
#include "cli/CliProgress.h"
#include "transfer/LibraryMerge.h"

int RunMergeCommand(const CliInvocation& invocation) {
  const std::string& library = invocation.operands[0];
  const std::string& other = invocation.operands[1];
  const bool skipDuplicates = invocation.has("skip-duplicates");
  CliLibrary opened;
  if (!opened.open(library, LibraryLockMode::Exclusive)) return kCliExitFailure;

  TerminalProgress progress(stdout);
  int32_t handled = 0;
  WatchForInterrupt();
  const MergeResult result = MergeLibraryFile(opened.data(), other.c_str(),
                                              [&](int32_t done, int32_t total, const std::string& name) {
                                                handled = done;
                                                if (InterruptRequested()) return false;
                                                progress.show(done, total, name);
                                                return true;
                                              },
                                              skipDuplicates);
  if (!result.other.ok()) {
    PrintError(other + ": cannot be merged: " + result.other.reason + "; nothing was merged");
    return kCliExitFailure;
  }
  const ImportResult& merged = result.merged;
  progress.finish(merged.status == ImportStatus::Completed ? merged.listed : handled, merged.listed);
  for (const std::string& name : merged.duplicates)
    PrintError(name + (skipDuplicates ? ": its PDF is in the library already; skipped"
                                      : ": its PDF is in the library already; merged again"));
  for (const ImportFailure& failure : merged.failures) PrintError(ImportFailureLine(failure));
  for (const std::string& name : merged.notPdf) PrintError(name + ": not a PDF (merged as it was)");
  if (merged.status == ImportStatus::LibraryUnavailable) {
    PrintError(library + ": the library file cannot be opened for writing: " + merged.save.reason +
               "; nothing was merged");
    return kCliExitFailure;
  }
  std::printf("merged %d of %d entries\n", static_cast<int>(merged.imported), static_cast<int>(merged.listed));
  if (!merged.save.ok()) return ReportNotSaved(library, opened.data(), merged.save);
  if (merged.status == ImportStatus::Stopped) {
    PrintError("interrupted; the " + std::to_string(merged.imported) + " entries merged until then are saved");
    return kCliExitInterrupted;
  }
  return merged.failures.empty() ? kCliExitOk : kCliExitFailure;
}
