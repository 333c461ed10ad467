#include "cli/CliArgs.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "format/Utf8Text.h"

const std::vector<CliCommandInfo>& CliCommandTable() {
  static const std::vector<CliCommandInfo> table = {
      {"new", CliCommand::New, 1, 1, {}, "new LIB"},
      {"import", CliCommand::Import, 2, 2, {"cat1", "cat2", "cat3"},
       "import LIB PATH [--cat1 NAME] [--cat2 NAME] [--cat3 NAME] [--skip-duplicates] [--title-from-file-name]",
       {"skip-duplicates", "title-from-file-name"}},
      {"list", CliCommand::List, 1, 1, {"cat1", "cat2", "cat3", "sort"},
       "list LIB [--cat1 NAME] [--cat2 NAME] [--cat3 NAME] [--sort KEY[,KEY[,KEY]]]"},
      {"export", CliCommand::Export, 3, -1, {}, "export LIB DIR ID..."},
      {"delete", CliCommand::Delete, 2, -1, {}, "delete LIB ID..."},
      {"titles-from-pdf", CliCommand::TitlesFromPdf, 2, -1, {}, "titles-from-pdf LIB ID..."},
      {"categories", CliCommand::Categories, 1, 1, {}, "categories LIB"},
      {"rename-category", CliCommand::RenameCategory, 4, 4, {}, "rename-category LIB LEVEL OLD NEW"},
      {"merge", CliCommand::Merge, 2, 2, {}, "merge LIB OTHER [--skip-duplicates]", {"skip-duplicates"}},
      {"compact", CliCommand::Compact, 1, 1, {}, "compact LIB"},
      {"check", CliCommand::Check, 1, 1, {}, "check LIB [--fix]", {"fix"}},
      {"recover", CliCommand::Recover, 2, 2, {}, "recover LIB NEW"},
      {"upgrade", CliCommand::Upgrade, 1, 1, {}, "upgrade LIB"},
      {"search", CliCommand::Search, 2, 2, {}, "search LIB QUERY [--full-text]", {"full-text"}},
      {"index", CliCommand::Index, 1, 1, {}, "index LIB"},
  };
  return table;
}

const CliCommandInfo& CliInfoOf(CliCommand command) {
  for (const CliCommandInfo& info : CliCommandTable())
    if (info.command == command) return info;
  return CliCommandTable().front();  // every command has a info; not reached
}

std::string CliInvocation::option(const std::string& name, const std::string& fallback) const {
  const auto it = options.find(name);
  return it != options.end() ? it->second : fallback;
}

namespace {

const CliCommandInfo* FindCommandInfo(const std::string& name) {
  for (const CliCommandInfo& info : CliCommandTable())
    if (name == info.name) return &info;
  return nullptr;
}

bool IsHelpFlag(const std::string& arg) { return arg == "--help" || arg == "-h"; }

CliParseResult UsageError(std::string error) {
  CliParseResult result;
  result.error = std::move(error);
  return result;
}

CliParseResult CommandUsageError(const CliCommandInfo& info, std::string error) {
  CliParseResult result = UsageError(std::move(error));
  result.commandKnown = true;
  result.invocation.command = info.command;
  return result;
}

}  // namespace

CliParseResult ParseCliArguments(int argc, const char* const argv[]) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i] != nullptr ? argv[i] : "");
  if (args.empty()) return UsageError("no command given");

  if (IsHelpFlag(args[0]) || (args[0] == "help" && args.size() == 1)) {
    CliParseResult result;
    result.outcome = CliParseOutcome::ToolHelp;
    return result;
  }
  if (args[0] == "help") {
    const CliCommandInfo* info = FindCommandInfo(args[1]);
    if (info == nullptr) return UsageError("unknown command '" + args[1] + "'");
    if (args.size() > 2) return CommandUsageError(*info, "help takes one command name");
    CliParseResult result;
    result.outcome = CliParseOutcome::CommandHelp;
    result.invocation.command = info->command;
    return result;
  }

  const CliCommandInfo* info = FindCommandInfo(args[0]);
  if (info == nullptr) {
    if (!args[0].empty() && args[0][0] == '-') return UsageError("a command must come first, before '" + args[0] + "'");
    return UsageError("unknown command '" + args[0] + "'");
  }

  CliInvocation invocation;
  invocation.command = info->command;
  // A help flag wins over any other fault of the line: whoever asks for help
  // gets it, also with operands still missing.
  for (size_t i = 1; i < args.size() && args[i] != "--"; ++i) {
    if (IsHelpFlag(args[i])) {
      CliParseResult result;
      result.outcome = CliParseOutcome::CommandHelp;
      result.invocation = invocation;
      return result;
    }
  }

  bool optionsEnded = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      invocation.operands.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg.compare(0, 2, "--") != 0) return CommandUsageError(*info, "unknown option '" + arg + "'");
    const size_t equals = arg.find('=');
    const std::string name = arg.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
    const bool isFlag = std::find(info->flags.begin(), info->flags.end(), name) != info->flags.end();
    if (!isFlag && std::find(info->options.begin(), info->options.end(), name) == info->options.end())
      return CommandUsageError(*info, "unknown option '--" + name + "' for " + info->name);
    if (invocation.options.count(name) != 0)
      return CommandUsageError(*info, "option '--" + name + "' given twice");
    if (isFlag) {
      if (equals != std::string::npos) return CommandUsageError(*info, "option '--" + name + "' takes no value");
      invocation.options[name] = std::string();
    } else if (equals != std::string::npos) {
      invocation.options[name] = arg.substr(equals + 1);
    } else {
      if (i + 1 >= args.size()) return CommandUsageError(*info, "option '--" + name + "' needs a value");
      invocation.options[name] = args[++i];
    }
    // Option values are names and keys, stored or compared as UTF-8; altered
    // on the way in, a name would be stored changed or would find nothing.
    if (!IsUtf8Text(invocation.options[name]))
      return CommandUsageError(*info, "option '--" + name + "': the value is not UTF-8 text");
  }

  const int count = static_cast<int>(invocation.operands.size());
  if (count < info->minOperands) return CommandUsageError(*info, std::string(info->name) + ": missing operand");
  if (info->maxOperands >= 0 && count > info->maxOperands)
    return CommandUsageError(*info, std::string(info->name) + ": unexpected operand '" +
                                        invocation.operands[static_cast<size_t>(info->maxOperands)] + "'");

  CliParseResult result;
  result.outcome = CliParseOutcome::Run;
  result.invocation = std::move(invocation);
  return result;
}

bool ParseEntryIds(const std::vector<std::string>& texts, std::vector<int32_t>* ids, std::string* error) {
  ids->clear();
  for (const std::string& text : texts) {
    const bool digitsOnly = !text.empty() && text.size() <= 10 &&
                            std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    const long long value = digitsOnly ? std::strtoll(text.c_str(), nullptr, 10) : -1;
    if (!digitsOnly || value > INT32_MAX) {
      *error = "'" + text + "' is not an entry id (a number from 0 to 2147483647)";
      return false;
    }
    const int32_t id = static_cast<int32_t>(value);
    if (std::find(ids->begin(), ids->end(), id) == ids->end()) ids->push_back(id);
  }
  return true;
}
