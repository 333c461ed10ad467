#include "cli/CliLibrary.h"

#include <sys/stat.h>

#include <unordered_map>

#include "format/CategoryNames.h"
#include "categories/EntryQuery.h"
#include "cli/CliOutput.h"
#include "cli/CliUsage.h"
#include "library/FlnArraySync.h"
#include "library/FlnLoad.h"
#include "library/FlnSave.h"
#include "format/Endian.h"

CliLibrary::~CliLibrary() {
  if (loaded_) FreeFlnData(&data_);
}

bool CliLibrary::open(const std::string& path, LibraryLockMode mode) {
  if (!lock_.acquire(path, mode)) return false;
  const FlnResult result = ReadFlnDataFromFlnFile(path.c_str(), &data_);
  if (!result.ok()) {
    PrintError(path + ": " + result.reason);
    return false;
  }
  loaded_ = true;
  return true;
}

bool CliLibrary::rowsOfIds(const std::vector<int32_t>& ids, std::vector<int>* rows) {
  if (QueryEntryRows(kCategoryAll, kCategoryAll, kCategoryAll, data_.entry, data_.shownRows) != 0) {
    PrintError("out of memory while listing the entries");
    return false;
  }
  // The first row of each id, as the window would find it.
  std::unordered_map<int32_t, int> rowOfId;
  const int32_t count = static_cast<int32_t>(data_.shownRows.size());
  for (int32_t row = 0; row < count; ++row)
    rowOfId.emplace(ZEL_EndianLong_LtoN(ShownEntry(&data_, row)->en_id), row);

  rows->clear();
  bool allFound = true;
  for (int32_t id : ids) {
    const auto it = rowOfId.find(id);
    if (it == rowOfId.end()) {
      PrintError("no entry with id " + std::to_string(id));
      allFound = false;
    } else {
      rows->push_back(it->second);
    }
  }
  return allFound;
}

int OpenChosenEntries(const CliInvocation& invocation, size_t firstId, CliLibrary* opened, std::vector<int>* rows) {
  const std::vector<std::string> texts(invocation.operands.begin() + static_cast<std::ptrdiff_t>(firstId),
                                       invocation.operands.end());
  std::vector<int32_t> ids;
  std::string error;
  if (!ParseEntryIds(texts, &ids, &error)) {
    PrintUsageError(error, &invocation.command);
    return kCliExitUsage;
  }
  const std::string& library = invocation.operands[0];
  if (!opened->open(library, LibraryLockMode::Exclusive) || !opened->rowsOfIds(ids, rows)) return kCliExitFailure;
  return kCliExitOk;
}

int ReportNotSaved(const std::string& library, const FLN_DATA* data, const FlnResult& save) {
  struct stat st;
  if (stat(library.c_str(), &st) == 0 && !LibraryFileIsAsLeft(data))
    PrintError(library + ": the library file was replaced or changed by another program while this command ran; "
                         "nothing was written into it");
  else if (!save.ok())
    PrintError(library + ": the library file could not be saved: " + save.reason + "; nothing was written into it");
  else
    PrintError(library + ": the library file could not be saved completely");
  return kCliExitFailure;
}
