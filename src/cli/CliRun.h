#pragma once
// folian-cli as a whole: the command line in, the exit code out.

/// Parses the command line, shows help or a usage error, or runs the
/// command. Returns the exit code (CliOutput.h).
int RunFolianCli(int argc, const char* const argv[]);
