// folian-cli: Folian's libraries from the command line, without a display.

#include "cli/CliRun.h"

int main(int argc, char* argv[]) { return RunFolianCli(argc, argv); }
