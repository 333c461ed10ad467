// "folian-cli recover": a new library from what a damaged one still holds.

#include <cstdio>

#include "cli/CliCommands.h"
#include "cli/CliLibraryLock.h"
#include "cli/CliOutput.h"
#include "library/FlnRecover.h"

int RunRecoverCommand(const CliInvocation& invocation) {
  const std::string& library = invocation.operands[0];
  const std::string& target = invocation.operands[1];
  // Held so that no writer changes the damaged file while it is read.
  CliLibraryLock lock;
  if (!lock.acquire(library, LibraryLockMode::Shared)) return kCliExitFailure;
  RecoveryReport report;
  const FlnResult r = RecoverLibrary(library.c_str(), target.c_str(), &report);
  if (!r.ok()) {
    PrintError(target + ": " + r.reason);
    return kCliExitFailure;
  }
  std::printf("recovered %d entries with their PDFs and %d category triples into %s\n",
              static_cast<int>(report.entries), static_cast<int>(report.categories), target.c_str());
  if (report.damagedSpans != 0)
    std::printf("damaged stretches of %s passed over: %d\n", library.c_str(), static_cast<int>(report.damagedSpans));
  for (const std::string& line : report.lost) std::printf("lost: %s\n", line.c_str());
  if (report.lost.empty()) std::printf("nothing was lost\n");
  return report.lost.empty() ? kCliExitOk : kCliExitFailure;
}
