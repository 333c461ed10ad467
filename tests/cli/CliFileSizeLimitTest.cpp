// A write past the process's file size limit (ulimit -f) fails with the
// system's reason instead of killing folian-cli without a word.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "CliTestSupport.h"
#include "TestFiles.h"

namespace {

using clitest::CliSandbox;

// Runs folian-cli with `args` in the sandbox under a file size limit of
// `limit` bytes; its stderr goes to *err.
int RunLimited(const CliSandbox& sandbox, const std::vector<std::string>& args, rlim_t limit, bool* signaled,
               std::string* err) {
  int pipeFds[2];
  EXPECT_EQ(pipe(pipeFds), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    const struct rlimit rl = {limit, limit};
    if (setrlimit(RLIMIT_FSIZE, &rl) != 0 || chdir(sandbox.path("").c_str()) != 0) _exit(126);
    dup2(pipeFds[1], 2);
    close(pipeFds[0]);
    std::vector<char*> argv = {const_cast<char*>("folian-cli")};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(FOLIAN_CLI_PATH, argv.data());
    _exit(127);
  }
  close(pipeFds[1]);
  char buffer[4096];
  for (ssize_t got; (got = read(pipeFds[0], buffer, sizeof buffer)) > 0;) err->append(buffer, static_cast<size_t>(got));
  close(pipeFds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  *signaled = WIFSIGNALED(status);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(CliFileSizeLimit, AnImportPastTheLimitSaysFileTooLargeAndLosesNothing) {
  CliSandbox sandbox;
  sandbox.mustRun({"new", "lib.fln"});
  sandbox.writePdf("small/a.pdf", 2000, 1);
  sandbox.mustRun({"import", "lib.fln", "small"});
  sandbox.writePdf("big/b.pdf", 300000, 2);
  const std::vector<uint8_t> before = readAll(sandbox.path("lib.fln"));

  bool signaled = true;
  std::string err;
  const int code = RunLimited(sandbox, {"import", "lib.fln", "big"}, 100000, &signaled, &err);
  EXPECT_FALSE(signaled) << "killed by a signal";
  EXPECT_EQ(code, 1) << err;
  EXPECT_NE(err.find("b.pdf: could not be written into the library file: File too large"), std::string::npos) << err;
  EXPECT_EQ(clitest::TabRows(sandbox.mustRun({"list", "lib.fln"}).out).size(), 1u);
  EXPECT_EQ(sandbox.run({"check", "lib.fln"}).exitCode, 0);
  EXPECT_EQ(readAll(sandbox.path("lib.fln")).size(), before.size()) << "the failed append is undone";
}

// A save the file size limit stops names the system's reason on stderr,
// leaves the library as it was, and goes through once the limit is gone.
TEST(CliFileSizeLimit, ASaveThatCannotGrowTheFileSaysWhyAndLeavesTheLibrary) {
  CliSandbox sandbox;
  sandbox.mustRun({"new", "lib.fln"});
  sandbox.writePdf("small/a.pdf", 2000, 1);
  sandbox.mustRun({"import", "lib.fln", "small", "--cat1", "Alpha"});
  const std::vector<uint8_t> before = readAll(sandbox.path("lib.fln"));

  bool signaled = true;
  std::string err;
  // No write may reach past the container's header: the save's first one fails.
  const int code = RunLimited(sandbox, {"rename-category", "lib.fln", "1", "Alpha", "Beta"}, 512, &signaled, &err);
  EXPECT_FALSE(signaled) << "killed by a signal";
  EXPECT_EQ(code, 1) << err;
  EXPECT_NE(err.find("lib.fln: the library file could not be saved: cannot "), std::string::npos) << err;
  EXPECT_NE(err.find(std::string("not enough space (") + std::strerror(EFBIG) + "); nothing was written into it"),
            std::string::npos)
      << err;
  EXPECT_EQ(readAll(sandbox.path("lib.fln")), before);

  sandbox.mustRun({"rename-category", "lib.fln", "1", "Alpha", "Beta"});
  EXPECT_EQ(clitest::Column(clitest::TabRows(sandbox.mustRun({"list", "lib.fln"}).out), 2),
            (std::vector<std::string>{"Beta"}));
}

}  // namespace
