#pragma once
// The full-text side of folian-cli: the index command and search
// --full-text (CliCommands.h describes both).

#include "cli/CliArgs.h"

/// search LIB QUERY --full-text.
int RunFullTextSearch(const CliInvocation& invocation);
