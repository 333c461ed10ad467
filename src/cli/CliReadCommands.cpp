// The commands that read a library file: list, search, categories, check
// (whose --fix adds the missing digests of PDFs, and nothing else).

#include <cstdio>

#include "categories/CategoryLists.h"
#include "format/CategoryNames.h"
#include "categories/EntrySort.h"
#include "library/FlnLoad.h"
#include "library/FlnCategoryTable.h"
#include "cli/CliCheck.h"
#include "cli/CliFullText.h"
#include "cli/CliCommands.h"
#include "cli/CliLibrary.h"
#include "cli/CliLibraryLock.h"
#include "cli/CliOutput.h"
#include "cli/CliSortOption.h"
#include "cli/CliUsage.h"
#include "library/FlnDigestFill.h"
#include "search/EntryFilter.h"
#include "search/SearchWords.h"
#include "format/Endian.h"

namespace {

// The label of `level` as stored; empty when the library has none.
std::string LabelOf(const FLN_DATA* data, int32_t level) {
  const int32_t index = GetFlnLabelIndex_ByItemNumber(data->label, level);
  if (index < 0) return std::string();
  FLN_LABEL label;
  Tesk_Ary_GetData(data->label, index, &label);
  return StoredText(label.name);
}

void PrintEntryLine(const FLN_ENTRY& entry) {
  // A stored size is a 32-bit field; it is shown as the unsigned count of
  // bytes it is (a library stays below 4 GiB).
  const uint32_t size = static_cast<uint32_t>(ZEL_EndianLong_LtoN(entry.en_file_size));
  std::printf("%d\t%s\t%s\t%s\t%s\t%s\t%u\t%s\n", static_cast<int>(ZEL_EndianLong_LtoN(entry.en_id)),
              TabField(StoredText(entry.en_title)).c_str(), TabField(StoredText(entry.en_c1_name)).c_str(),
              TabField(StoredText(entry.en_c2_name)).c_str(), TabField(StoredText(entry.en_c3_name)).c_str(),
              TabField(StoredText(entry.en_file_name)).c_str(), static_cast<unsigned>(size),
              StoredDate(entry.en_update_date).c_str());
}

// check --fix: gives the PDFs without a digest one; the caller holds the library alone.
bool AddMissingDigestsOrComplain(const std::string& library) {
  DigestFill fill;
  const FlnResult r = AddLibraryDigests(library.c_str(), &fill);
  if (!r.ok()) {
    PrintError(library + ": " + r.reason);
    return false;
  }
  std::printf("digests added: %d\n", static_cast<int>(fill.added));
  if (fill.suspect != 0)
    PrintError(std::to_string(fill.suspect) +
               " PDFs were given no digest: their length differs from their entry's file size");
  if (fill.unreadable != 0) PrintError(std::to_string(fill.unreadable) + " PDFs could not be read");
  return true;
}

// One line per entry of the shown list, in its order.
void PrintShownEntries(const FLN_DATA& data) {
  const int32_t count = static_cast<int32_t>(data.shownRows.size());
  for (int32_t row = 0; row < count; ++row) PrintEntryLine(*ShownEntry(&data, row));
}

}  // namespace

int RunListCommand(const CliInvocation& invocation) {
  const std::string& library = invocation.operands[0];
  FLN_ENTRY_LIST_INFO sortKeys = {};
  const bool sortGiven = invocation.options.count("sort") != 0;
  if (sortGiven) {
    std::string error;
    if (!ParseSortOption(invocation.option("sort", ""), &sortKeys, &error)) {
      PrintUsageError(error, &invocation.command);
      return kCliExitUsage;
    }
  }

  CliLibrary opened;
  if (!opened.open(library, LibraryLockMode::Shared)) return kCliExitFailure;
  FLN_DATA* data = opened.data();

  std::string choices[3];
  const char* const options[3] = {"cat1", "cat2", "cat3"};
  for (int level = 1; level <= 3; ++level) {
    choices[level - 1] = invocation.option(options[level - 1], kCategoryAll);
    const std::string& name = choices[level - 1];
    // A window can only select a name its list offers.
    if (name != kCategoryAll && IsContainsCategory(CategoryNameAryOf(data, level), name.c_str()) == 0) {
      PrintError("no category \"" + name + "\" on level " + std::to_string(level) + " (" + LabelOf(data, level) +
                 ") of " + library);
      return kCliExitFailure;
    }
  }

  if (QuerySortedRows(choices[0].c_str(), choices[1].c_str(), choices[2].c_str(), data->entry,
                      sortGiven ? sortKeys : data->entryListInfo, data->shownRows) != 0) {
    PrintError("out of memory while listing the entries");
    return kCliExitFailure;
  }
  PrintShownEntries(*data);
  return kCliExitOk;
}

int RunSearchCommand(const CliInvocation& invocation) {
  if (invocation.options.count("full-text") != 0) return RunFullTextSearch(invocation);
  const std::string& library = invocation.operands[0];
  CliLibrary opened;
  if (!opened.open(library, LibraryLockMode::Shared)) return kCliExitFailure;
  FLN_DATA* data = opened.data();

  // As the window lists every entry, then narrows by the typed words.
  EntrySearchText texts;
  std::vector<int32_t> positions;
  if (QuerySortedRows(kCategoryAll, kCategoryAll, kCategoryAll, data->entry, data->entryListInfo, positions) != 0 ||
      texts.update(data->entry) != 0 ||
      FilterListedEntries(data->entry, positions, texts, SearchWords(QString::fromStdString(invocation.operands[1])),
                          data->shownRows) != 0) {
    PrintError("out of memory while searching the entries");
    return kCliExitFailure;
  }
  PrintShownEntries(*data);
  return kCliExitOk;
}

int RunCategoriesCommand(const CliInvocation& invocation) {
  CliLibrary opened;
  if (!opened.open(invocation.operands[0], LibraryLockMode::Shared)) return kCliExitFailure;
  const FLN_DATA* data = opened.data();
  std::printf("%s\t%s\t%s\n", TabField(LabelOf(data, 1)).c_str(), TabField(LabelOf(data, 2)).c_str(),
              TabField(LabelOf(data, 3)).c_str());
  const int32_t count = Tesk_Ary_GetSize(data->catsAry);
  for (int32_t i = 0; i < count; ++i) {
    FLN_CATS cats;
    Tesk_Ary_GetData(data->catsAry, i, &cats);
    std::printf("%s\t%s\t%s\n", TabField(StoredText(cats.cat1Name)).c_str(),
                TabField(StoredText(cats.cat2Name)).c_str(), TabField(StoredText(cats.cat3Name)).c_str());
  }
  return kCliExitOk;
}

int RunCheckCommand(const CliInvocation& invocation) {
  const std::string& library = invocation.operands[0];
  // A fix writes: it holds the library alone, and checks what it left.
  const bool fix = invocation.has("fix");
  CliLibraryLock lock;
  if (!lock.acquire(library, fix ? LibraryLockMode::Exclusive : LibraryLockMode::Shared)) return kCliExitFailure;
  if (fix && !AddMissingDigestsOrComplain(library)) return kCliExitFailure;
  const LibraryCheckReport report = CheckLibraryFile(library);
  if (!report.cannotCheck.empty()) {
    PrintError(library + ": " + report.cannotCheck);
    return kCliExitFailure;
  }
  PrintCheckReport(library, report, stdout);
  return report.damage.empty() ? kCliExitOk : kCliExitFailure;
}
