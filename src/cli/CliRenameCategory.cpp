// The rename-category command: a category name of one level renamed in the
// category table and in every entry that carries it.

#include <cstdio>
#include <string>

#include "format/CategoryNames.h"
#include "categories/CategoryRename.h"
#include "cli/CliCommands.h"
#include "cli/CliLibrary.h"
#include "cli/CliOutput.h"
#include "cli/CliUsage.h"
#include "library/FlnSave.h"

namespace {

std::string RefusalText(CategoryRenameRefusal refusal, const std::string& oldName, const std::string& newName,
                        int level) {
  switch (refusal) {
    case CategoryRenameRefusal::None:
    case CategoryRenameRefusal::BadLevel:
      break;
    case CategoryRenameRefusal::FixedName:
      return std::string(kCategoryAll) + " and " + kCategoryOther + " cannot be renamed";
    case CategoryRenameRefusal::UnknownName:
      return "level " + std::to_string(level) + " has no category " + oldName;
    case CategoryRenameRefusal::EmptyName:
      return "the new name is empty";
    case CategoryRenameRefusal::ReservedName:
      return newName + " has a meaning of its own and cannot be a category's new name";
    case CategoryRenameRefusal::TooLong:
      return "the new name is too long (at most 127 bytes of UTF-8 and 126 UTF-16 units)";
    case CategoryRenameRefusal::NameExists:
      return "level " + std::to_string(level) + " has a category " + newName +
             " already; renaming does not merge categories";
  }
  return std::string();
}

}  // namespace

int RunRenameCategoryCommand(const CliInvocation& invocation) {
  const std::string& library = invocation.operands[0];
  const std::string& levelText = invocation.operands[1];
  const std::string& oldName = invocation.operands[2];
  const std::string& newName = invocation.operands[3];
  if (levelText != "1" && levelText != "2" && levelText != "3") {
    PrintUsageError("LEVEL must be 1, 2 or 3, not \"" + levelText + "\"", &invocation.command);
    return kCliExitUsage;
  }
  const int level = levelText[0] - '0';

  CliLibrary opened;
  if (!opened.open(library, LibraryLockMode::Exclusive)) return kCliExitFailure;

  const CategoryRenameRefusal refusal = CheckCategoryRename(opened.data(), level, oldName.c_str(), newName.c_str());
  if (refusal != CategoryRenameRefusal::None) {
    PrintError(library + ": " + RefusalText(refusal, oldName, newName, level) + "; nothing was changed");
    return kCliExitFailure;
  }
  const CategoryRenameCount count = RenameCategoryInLibrary(opened.data(), level, oldName.c_str(), newName.c_str());
  const FlnResult saved = SaveAll(library.c_str(), opened.data());
  if (!saved.ok()) return ReportNotSaved(library, opened.data(), saved);
  std::printf("renamed %d categories and %d entries\n", static_cast<int>(count.triples),
              static_cast<int>(count.entries));
  if (!count.selectionStored) {
    PrintError(library + ": the window's remembered category choice could not be renamed (out of memory)");
    return kCliExitFailure;
  }
  return kCliExitOk;
}
