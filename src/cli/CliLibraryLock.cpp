#include "cli/CliLibraryLock.h"

#include "cli/CliOutput.h"

bool CliLibraryLock::acquire(const std::string& path, LibraryLockMode mode) {
  const LibraryLockHolder holder =
      mode == LibraryLockMode::Exclusive ? LibraryLockHolder::WritingCommand : LibraryLockHolder::ReadingCommand;
  switch (lock_.acquire(path, mode, holder)) {
    case LibraryLockStatus::Held:
      return true;
    case LibraryLockStatus::Unsupported:
      PrintError(path + ": warning: " + lock_.problem());
      return true;
    case LibraryLockStatus::Busy:
    case LibraryLockStatus::Failed:
      break;
  }
  PrintError(path + ": " + lock_.problem());
  return false;
}
