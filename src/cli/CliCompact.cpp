// The compact command: the library rewritten without the space of removed items.

#include <cstdio>
#include <string>

#include "cli/CliCommands.h"
#include "cli/CliInterrupt.h"
#include "cli/CliLibraryLock.h"
#include "cli/CliOutput.h"
#include "cli/CliProgress.h"
#include "library/FlnCompact.h"

int RunCompactCommand(const CliInvocation& invocation) {
  const std::string& library = invocation.operands[0];
  CliLibraryLock lock;
  if (!lock.acquire(library, LibraryLockMode::Exclusive)) return kCliExitFailure;
  FlnCompaction done;
  TerminalProgress progress(stdout);
  WatchForInterrupt();
  int32_t copied = 0, total = 0;
  const FlnResult result = CompactLibraryFile(library, &lock.held(), LibraryLockHolder::WritingCommand, &done,
                                              [&](int32_t n, int32_t of) {
                                                copied = n;
                                                total = of;
                                                if (InterruptRequested()) return false;
                                                progress.show(n, of, std::string());
                                                return true;
                                              });
  progress.finish(result.ok() ? total : copied, total);
  if (result.status == FlnStatus::Stopped) {
    PrintError("interrupted; the library is unchanged");
    return kCliExitInterrupted;
  }
  if (!result.ok()) {
    PrintError(library + ": " + result.reason + "; the library is unchanged");
    return kCliExitFailure;
  }
  std::printf("%lld bytes before, %lld after: %lld bytes given back\n", static_cast<long long>(done.sizeBefore),
              static_cast<long long>(done.sizeAfter), static_cast<long long>(done.sizeBefore - done.sizeAfter));
  return kCliExitOk;
}
