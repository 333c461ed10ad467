// folian-cli: Folian's libraries from the command line, without a display.

#include "cli/CliRun.h"
#include "storage/FileSizeLimit.h"

int main(int argc, char* argv[]) {
  IgnoreFileSizeLimitSignal();
  return RunFolianCli(argc, argv);
}
