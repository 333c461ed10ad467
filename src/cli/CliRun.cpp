#include "cli/CliRun.h"

#include <cstdio>

#include "cli/CliArgs.h"
#include "cli/CliCommands.h"
#include "cli/CliOutput.h"
#include "cli/CliUsage.h"

namespace {

int RunCommand(const CliInvocation& invocation) {
  switch (invocation.command) {
    case CliCommand::New: return RunNewCommand(invocation);
    case CliCommand::Import: return RunImportCommand(invocation);
    case CliCommand::List: return RunListCommand(invocation);
    case CliCommand::Export: return RunExportCommand(invocation);
    case CliCommand::Delete: return RunDeleteCommand(invocation);
    case CliCommand::TitlesFromPdf: return RunTitlesFromPdfCommand(invocation);
    case CliCommand::Categories: return RunCategoriesCommand(invocation);
    case CliCommand::RenameCategory: return RunRenameCategoryCommand(invocation);
    case CliCommand::Merge: return RunMergeCommand(invocation);
    case CliCommand::Compact: return RunCompactCommand(invocation);
    case CliCommand::Check: return RunCheckCommand(invocation);
    case CliCommand::Recover: return RunRecoverCommand(invocation);
    case CliCommand::Upgrade: return RunUpgradeCommand(invocation);
    case CliCommand::Search: return RunSearchCommand(invocation);
    case CliCommand::Index: return RunIndexCommand(invocation);
  }
  return kCliExitUsage;
}

}  // namespace

int RunFolianCli(int argc, const char* const argv[]) {
  const CliParseResult parsed = ParseCliArguments(argc, argv);
  switch (parsed.outcome) {
    case CliParseOutcome::ToolHelp:
      PrintToolHelp(stdout);
      return kCliExitOk;
    case CliParseOutcome::CommandHelp:
      PrintCommandHelp(parsed.invocation.command, stdout);
      return kCliExitOk;
    case CliParseOutcome::UsageError:
      PrintUsageError(parsed.error, parsed.commandKnown ? &parsed.invocation.command : nullptr);
      return kCliExitUsage;
    case CliParseOutcome::Run:
      break;
  }
  return RunCommand(parsed.invocation);
}
