// "folian-cli upgrade": a library converted so that it can grow past 4 GiB.

#include <cstdio>

#include "cli/CliCommands.h"
#include "cli/CliInterrupt.h"
#include "cli/CliLibraryLock.h"
#include "cli/CliOutput.h"
#include "cli/CliProgress.h"
#include "library/FlnUpgrade.h"

int RunUpgradeCommand(const CliInvocation& invocation) {
  const std::string& library = invocation.operands[0];
  CliLibraryLock lock;
  if (!lock.acquire(library, LibraryLockMode::Exclusive)) return kCliExitFailure;
  if (LibraryIsWide(library)) {
    std::printf("%s can grow past 4 GiB already; nothing to do\n", library.c_str());
    return kCliExitOk;
  }

  // The bar counts mebibytes of stored data.
  TerminalProgress progress(stdout);
  constexpr int kMiB = 20;
  uint64_t copied = 0, all = 0;
  WatchForInterrupt();
  const FlnResult r = UpgradeLibraryFile(library, &lock.held(), LibraryLockHolder::WritingCommand,
                                         [&](uint64_t done, uint64_t total) {
                                           copied = done;
                                           all = total;
                                           if (InterruptRequested()) return false;
                                           progress.show(static_cast<int32_t>(done >> kMiB),
                                                         static_cast<int32_t>(total >> kMiB), "MiB");
                                           return true;
                                         });
  progress.finish(static_cast<int32_t>(copied >> kMiB), static_cast<int32_t>(all >> kMiB));
  if (r.status == FlnStatus::Stopped) {
    PrintError(library + ": interrupted; the library is as it was");
    return kCliExitInterrupted;
  }
  if (!r.ok()) {
    PrintError(library + ": " + r.reason + "; the library is as it was");
    return kCliExitFailure;
  }
  std::printf("%s converted: it can now grow past 4 GiB (older versions of Folian cannot open it)\n",
              library.c_str());
  return kCliExitOk;
}
