// The commands that change a library file: new, import, export, delete.

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "categories/CategoryNameInput.h"
#include "format/CategoryNames.h"
#include "cli/CliCommands.h"
#include "cli/CliInterrupt.h"
#include "cli/CliLibrary.h"
#include "cli/CliOutput.h"
#include "cli/CliProgress.h"
#include "cli/CliUsage.h"
#include "format/Endian.h"
#include "library/FlnArraySync.h"
#include "library/FlnLoad.h"
#include "library/FlnNewLibrary.h"
#include "format/FieldText.h"
#include "transfer/PdfDelete.h"
#include "transfer/PdfExport.h"
#include "pdftext/PdfTitleAuthor.h"
#include "transfer/ImportFit.h"
#include "transfer/PdfImport.h"
#include "transfer/PdfInfoRefill.h"

namespace {

const char* const kCategoryOptions[3] = {"cat1", "cat2", "cat3"};

// The import path as the application hands it over from its panel: absolute,
// so that each entry records where its PDF came from.
std::string AbsolutePath(const std::string& path) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return error ? path : absolute.lexically_normal().string();
}

// One line on stderr per entry whose PDF could not be handed out.
void PrintProblems(const std::vector<ExportProblem>& problems) {
  for (const ExportProblem& problem : problems) {
    const char* what =
        problem.kind == ExportProblemKind::NoPdf ? PdfFaultText(problem.pdf) : ExportProblemText(problem.kind);
    std::string line = "entry " + std::to_string(problem.enId) + ": " + what;
    if (problem.error != 0) line += std::string(": ") + std::strerror(problem.error);
    PrintError(line);
  }
}

}  // namespace

int RunNewCommand(const CliInvocation& invocation) {
  const std::string& library = invocation.operands[0];
  struct stat st;
  if (lstat(library.c_str(), &st) == 0) {
    PrintError(library + ": a file of that name exists already; a new library never replaces it");
    return kCliExitFailure;
  }
  const FlnResult created = CreateNewLibraryFile(library.c_str());
  if (!created.ok()) {
    PrintError(library + ": " + created.reason);
    return kCliExitFailure;
  }
  return kCliExitOk;
}

int RunImportCommand(const CliInvocation& invocation) {
  const std::string& library = invocation.operands[0];
  std::string categories[3];
  for (int i = 0; i < 3; ++i) {
    categories[i] = invocation.option(kCategoryOptions[i], kCategoryOther);
    const std::string option = std::string("--") + kCategoryOptions[i];
    if (categories[i] == kCategoryAll) {
      PrintUsageError(option + ": " + kCategoryAll + " means every category and cannot be an entry's category",
                      &invocation.command);
      return kCliExitUsage;
    }
    if (categories[i] == kCategoryNoChange) {
      PrintUsageError(
          option + ": " + kCategoryNoChange + " means an unchanged category and cannot be an entry's category",
          &invocation.command);
      return kCliExitUsage;
    }
    if (!CategoryNameFits(categories[i].c_str())) {
      PrintUsageError(option + ": the category name is too long (at most 126 UTF-16 units)",
                      &invocation.command);
      return kCliExitUsage;
    }
  }
  const std::string chosen = AbsolutePath(invocation.operands[1]);
  const bool skipDuplicates = invocation.has("skip-duplicates");
  const PdfInfoReader readInfo = invocation.has("title-from-file-name") ? PdfInfoReader() : ReadPdfTitleAndAuthor;

  CliLibrary opened;
  if (!opened.open(library, LibraryLockMode::Exclusive)) return kCliExitFailure;
  // Converting the library is the user's choice, never a side effect.
  const ImportFitCheck fit = CheckImportFits(opened.data(), chosen);
  if (!fit.fits && !fit.wide) {
    PrintError(library + ": importing " + invocation.operands[1] +
               " would take the library file past 4 GiB, the most its format holds; nothing was imported. "
               "'folian-cli upgrade " + library + "' converts the library so that it can grow past 4 GiB.");
    return kCliExitFailure;
  }

  TerminalProgress progress(stdout);
  int32_t handled = 0;
  WatchForInterrupt();
  // No panel showed a folder, so no folder is remembered for the
  // application's import panels: a script's paths are not the user's choice.
  const ImportResult result =
      ImportPDFFiles(opened.data(), chosen.c_str(), nullptr, categories[0].c_str(), categories[1].c_str(),
                     categories[2].c_str(), [&](int32_t done, int32_t total, const std::string& path) {
                       handled = done;
                       if (InterruptRequested()) return false;
                       progress.show(done, total, path);
                       return true;
                     },
                     skipDuplicates, readInfo);
  progress.finish(result.status == ImportStatus::Completed ? result.listed : handled, result.listed);

  for (const std::string& path : result.duplicates)
    PrintError(path + (skipDuplicates ? ": already in the library; skipped" : ": already in the library; imported again"));
  for (const ImportFailure& failure : result.failures) PrintError(ImportFailureLine(failure));
  for (const std::string& path : result.notPdf) PrintError(path + ": not a PDF (imported as asked)");
  for (const ImportDecodedName& name : result.decodedNames) PrintError(ImportDecodedNameLine(name));
  switch (result.status) {
    case ImportStatus::LibraryUnavailable:
      PrintError(library + ": the library file cannot be opened for writing: " + result.save.reason +
                 "; nothing was imported");
      return kCliExitFailure;
    case ImportStatus::CategoryNameTooLong:
      PrintError("a category name is too long; nothing was imported");
      return kCliExitFailure;
    case ImportStatus::Stopped:
    case ImportStatus::Completed:
      break;
  }
  std::printf("imported %d of %d files\n", static_cast<int>(result.imported), static_cast<int>(result.listed));
  if (!result.save.ok()) return ReportNotSaved(library, opened.data(), result.save);
  if (result.status == ImportStatus::Stopped) {
    PrintError("interrupted; the " + std::to_string(result.imported) + " files imported until then are saved");
    return kCliExitInterrupted;
  }
  return result.failures.empty() ? kCliExitOk : kCliExitFailure;
}

int RunExportCommand(const CliInvocation& invocation) {
  const std::string& library = invocation.operands[0];
  const std::string& folder = invocation.operands[1];
  CliLibrary opened;
  std::vector<int> rows;
  if (const int code = OpenChosenEntries(invocation, 2, &opened, &rows); code != kCliExitOk) return code;

  const ExportResult result = ExportPDFFiles(opened.data(), folder.c_str(), rows);
  if (result.status == ExportStatus::FolderUnusable) {
    PrintError(folder + ": no such folder");
    return kCliExitFailure;
  }
  if (result.status == ExportStatus::LibraryUnavailable) {
    PrintError(library + ": the library cannot be read for exporting");
    return kCliExitFailure;
  }
  for (const ExportedFile& file : result.exported)
    std::printf("%d\t%s\n", static_cast<int>(file.enId), TabField(file.pdfPath).c_str());
  PrintProblems(result.problems);
  if (!result.save.ok()) return ReportNotSaved(library, opened.data(), result.save);
  return result.problems.empty() ? kCliExitOk : kCliExitFailure;
}

int RunDeleteCommand(const CliInvocation& invocation) {
  const std::string& library = invocation.operands[0];
  CliLibrary opened;
  std::vector<int> rows;
  if (const int code = OpenChosenEntries(invocation, 1, &opened, &rows); code != kCliExitOk) return code;

  // No window of this process shows an entry: there is nothing to close first.
  const DeleteResult result = DeletePDFEntries(opened.data(), rows, EntryWindowCloser());
  if (!result.save.ok()) return ReportNotSaved(library, opened.data(), result.save);
  return kCliExitOk;
}

int RunTitlesFromPdfCommand(const CliInvocation& invocation) {
  const std::string& library = invocation.operands[0];
  CliLibrary opened;
  std::vector<int> rows;
  if (const int code = OpenChosenEntries(invocation, 1, &opened, &rows); code != kCliExitOk) return code;

  // The texts before, to tell which entries changed.
  std::vector<FLN_ENTRY> before;
  for (const int row : rows) {
    before.push_back(*ShownEntry(opened.data(), row));
  }
  const PdfInfoRefillResult result = RefillTitlesFromPdfInfo(opened.data(), rows, ReadPdfTitleAndAuthor);
  for (size_t i = 0; i < rows.size(); ++i) {
    const FLN_ENTRY& now = *ShownEntry(opened.data(), rows[i]);
    if (std::memcmp(now.en_title, before[i].en_title, sizeof now.en_title) == 0 &&
        std::memcmp(now.en_author_name, before[i].en_author_name, sizeof now.en_author_name) == 0)
      continue;
    const QString title = FLN_COMM_CreateNSString_FromUniChar_LtoN(now.en_title, sizeof now.en_title);
    std::printf("%d\t%s\n", static_cast<int>(ZEL_EndianLong_LtoN(now.en_id)), TabField(title.toStdString()).c_str());
  }
  PrintProblems(result.problems);
  if (!result.save.ok()) return ReportNotSaved(library, opened.data(), result.save);
  return result.problems.empty() ? kCliExitOk : kCliExitFailure;
}
