// A test-only program that changes a library as folian-cli and the library
// window do, and that can be made to die or fail at a chosen point of its
// file access: it arms the file seam from its first argument, then runs
// folian-cli's own code or one of the window's library commands.
//
//   folian_crash_driver FAULT cli ARGS...           folian-cli ARGS...
//   folian_crash_driver FAULT recategorize LIB NAME  gives every entry NAME on level 1, as the
//                                                    window's reassignment command does
//   folian_crash_driver FAULT save-state LIB         saves the window state, as a moved window does
//
// FAULT is none, kill-write:N, kill-flush:N (SIGKILL right after the N-th
// write or flush), fail-write:N, fail-read:N or fail-flush:N (that one call
// fails with an I/O error) or no-space-from:N (the N-th write and every one
// after it fail as on a full disk, ENOSPC). At the end the driver writes
// "driver: writes=W flushes=F reads=R" to stderr: how many calls there were.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "categories/CategoryCommandUi.h"
#include "categories/CategoryCommands.h"
#include "format/CategoryNames.h"
#include "categories/EntryQuery.h"
#include "cli/CliRun.h"
#include "library/FlnEnvironment.h"
#include "library/FlnLibraryLock.h"
#include "library/FlnLoad.h"
#include "library/FlnSave.h"
#include "storage/FileIo.h"
#include "format/FieldText.h"

namespace {

bool ArmFault(const std::string& fault) {
  if (fault == "none") return true;
  const size_t colon = fault.find(':');
  if (colon == std::string::npos) return false;
  const std::string kind = fault.substr(0, colon);
  const long n = std::atol(fault.c_str() + colon + 1);
  if (n < 1) return false;
  if (kind == "kill-write") FileFaults::killAfterWrite(n);
  else if (kind == "kill-flush") FileFaults::killAfterFlush(n);
  else if (kind == "fail-write") FileFaults::failWrite(n, FileFaults::Kind::Once);
  else if (kind == "fail-read") FileFaults::failRead(n, FileFaults::Kind::Once);
  else if (kind == "fail-flush") FileFaults::failFlush(n, FileFaults::Kind::Once);
  else if (kind == "no-space-from") FileFaults::failWrite(n, FileFaults::Kind::FromThenOn, ENOSPC);
  else return false;
  return true;
}

// Answers the reassignment dialog with a fixed first-level name.
class ScriptedUi : public CategoryCommandUi {
 public:
  explicit ScriptedUi(std::string name) : name_(std::move(name)) {}
  void alert(const QString& message) override { std::fprintf(stderr, "alert: %s\n", message.toUtf8().constData()); }
  bool confirmDestructive(const QString&) override { return true; }
  int runCategoryAddDlg(const FLN_LABEL*, TESK_ARY, int32_t, char*) override { return 2; }
  int runChangeCategoryNameDlg(const FLN_LABEL*, const FLN_LABEL*, const FLN_LABEL*, const FLN_DATA*,
                               const FLN_CATS*, FLN_CATS* out) override {
    std::memset(out, 0, sizeof *out);
    const bool ok = FLN_COMM_ConvertCharToUniChar_NtoL(name_.c_str(), out->cat1Name, sizeof out->cat1Name) == 1 &&
                    FLN_COMM_ConvertCharToUniChar_NtoL(kCategoryNoChange, out->cat2Name, sizeof out->cat2Name) == 1 &&
                    FLN_COMM_ConvertCharToUniChar_NtoL(kCategoryNoChange, out->cat3Name, sizeof out->cat3Name) == 1;
    return ok ? 1 : 2;
  }
  int runCategoryLabelEditDlg(FLN_LABEL*, FLN_LABEL*, FLN_LABEL*) override { return 2; }
  bool askCategoryNewName(const FLN_LABEL*, const char*, std::string*) override { return false; }
  void makeCategoryLists() override {}
  void makeEntryList() override {}
  void showCategoryLabels() override {}
  void reportSaveFailure() override { failed = true; }
  bool failed = false;

 private:
  std::string name_;
};

// Opens the library as the window does: its lock, then its records.
bool OpenAsWindow(const std::string& path, LibraryLock* lock, FLN_DATA* data) {
  if (lock->acquire(path, LibraryLockMode::Exclusive, LibraryLockHolder::Window) != LibraryLockStatus::Held) {
    std::fprintf(stderr, "driver: %s\n", lock->problem().c_str());
    return false;
  }
  const FlnResult loaded = ReadFlnDataFromFlnFile(path.c_str(), data);
  if (!loaded.ok()) std::fprintf(stderr, "driver: %s\n", loaded.reason.c_str());
  return loaded.ok();
}

int Recategorize(const std::string& path, const std::string& name) {
  LibraryLock lock;
  FLN_DATA data;
  if (!OpenAsWindow(path, &lock, &data)) return 1;
  int rc = 1;
  if (QueryEntryRows(kCategoryAll, kCategoryAll, kCategoryAll, data.entry, data.shownRows) == 0) {
    std::vector<int> rows(data.shownRows.size());
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<int>(i);
    ScriptedUi ui(name);
    ChangeCategoryName(&data, rows, ui);
    rc = ui.failed ? 1 : 0;
  }
  FreeFlnData(&data);
  return rc;
}

int SaveState(const std::string& path) {
  LibraryLock lock;
  FLN_DATA data;
  if (!OpenAsWindow(path, &lock, &data)) return 1;
  SaveEnvironment(&data, "main_window_position", "40,50,840,950");
  SaveEnvironment(&data, "categorybox_height", "210.000000");
  data.entryListInfo.sortFieldKind[0] = 7;
  data.entryListInfo.sortFieldAscend[0] = 0;
  const int rc = SaveAll(data.filePath, &data).ok() ? 0 : 1;
  FreeFlnData(&data);
  return rc;
}

int Run(int argc, char* argv[]) {
  const std::string command = argv[2];
  if (command == "cli") {
    std::vector<const char*> args = {"folian-cli"};
    for (int i = 3; i < argc; ++i) args.push_back(argv[i]);
    return RunFolianCli(static_cast<int>(args.size()), args.data());
  }
  if (command == "recategorize" && argc == 5) return Recategorize(argv[3], argv[4]);
  if (command == "save-state" && argc == 4) return SaveState(argv[3]);
  std::fprintf(stderr, "driver: unknown command\n");
  return 2;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc < 3 || !ArmFault(argv[1])) {
    std::fprintf(stderr, "usage: folian_crash_driver FAULT COMMAND ARGS...\n");
    return 2;
  }
  const int rc = Run(argc, argv);
  std::fprintf(stderr, "driver: writes=%ld flushes=%ld reads=%ld\n", FileFaults::writesSeen(),
               FileFaults::flushesSeen(), FileFaults::readsSeen());
  return rc;
}
