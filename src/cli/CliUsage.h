#pragma once
// The help texts of folian-cli and the message of a usage error.

#include <cstdio>
#include <string>

#include "cli/CliArgs.h"

/// The tool's help: what it is, every command's synopsis, the exit codes.
void PrintToolHelp(std::FILE* out);

/// One command's help: its synopsis and what it does, its options and output.
void PrintCommandHelp(CliCommand command, std::FILE* out);

/// Writes a usage error to stderr: "folian-cli: <message>", then the
/// command's synopsis (or the commands, when none is known) and where the
/// help is. The caller exits with kCliExitUsage.
void PrintUsageError(const std::string& message, const CliCommand* command);
