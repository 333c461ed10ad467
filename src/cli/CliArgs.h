#pragma once
// The command line of folian-cli: which command, its operands and its
// options, checked against what each command takes. Nothing here touches a
// library; a command line that cannot be right is a usage error (exit 2)
// before any file is opened.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

enum class CliCommand {
  New, Import, List, Export, Delete, Categories, RenameCategory, Merge, Compact, Check, Recover, Upgrade, Search, Index,
  TitlesFromPdf
};

/// What one command takes: its name, the operand count (maxOperands -1 for
/// "any number from minOperands on"), the options that take a value, the
/// synopsis line the help and usage errors show, and the options that take
/// no value (given or not; stored with an empty value).
struct CliCommandInfo {
  const char* name;
  CliCommand command;
  int minOperands;
  int maxOperands;
  std::vector<std::string> options;  // without the leading "--"
  const char* synopsis;              // after "folian-cli "
  std::vector<std::string> flags = {};  // without the leading "--"
};

/// Every command, in the order the tool's help lists them.
const std::vector<CliCommandInfo>& CliCommandTable();
/// The table row of `command`.
const CliCommandInfo& CliInfoOf(CliCommand command);

struct CliInvocation {
  CliCommand command = CliCommand::New;
  std::vector<std::string> operands;
  std::map<std::string, std::string> options;  // name without "--" → value

  /// The value of option `name`, or `fallback` when it was not given.
  std::string option(const std::string& name, const std::string& fallback) const;
  /// Whether option or flag `name` was given.
  bool has(const std::string& name) const { return options.count(name) != 0; }
};

enum class CliParseOutcome {
  Run,              // `invocation` holds a command to run
  ToolHelp,         // "--help", "-h" or "help" alone: the tool's help
  CommandHelp,      // "CMD --help" or "help CMD": the help of invocation.command
  UsageError,       // `error` says what is wrong; invocation.command is set when known
};

struct CliParseResult {
  CliParseOutcome outcome = CliParseOutcome::UsageError;
  bool commandKnown = false;  // the usage error concerns invocation.command
  CliInvocation invocation;
  std::string error;
};

/// Parses argv[1..argc-1]. Options come anywhere after the command, as
/// "--name VALUE" or "--name=VALUE"; each may be given once, with a value
/// that is UTF-8 text (operands, being paths, may be any bytes). "--" ends the
/// options, so that an operand may begin with "-". "--help" or "-h" anywhere
/// after a command asks for that command's help.
CliParseResult ParseCliArguments(int argc, const char* const argv[]);

/// The entry identifiers of `texts`: each a decimal number from 0 to
/// 2147483647, repeats taken once, in the order first given. False with
/// `error` naming the first text that is not an identifier.
bool ParseEntryIds(const std::vector<std::string>& texts, std::vector<int32_t>* ids, std::string* error);
