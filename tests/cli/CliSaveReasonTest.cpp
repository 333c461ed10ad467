// A command whose library file the disk refuses says why on stderr, with
// the system's own text, fails, and leaves the library as it was.

#include <gtest/gtest.h>

#include <QProcess>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "CliTestSupport.h"
#include "TestFiles.h"

namespace {

using clitest::CliSandbox;
using clitest::TabRows;

struct DriverOutcome {
  int code = -1;
  std::string err;
};

// Runs folian-cli's own code with every write from the first on failing as on
// a full disk.
DriverOutcome RunOnAFullDisk(const CliSandbox& sandbox, const std::vector<std::string>& args) {
  QProcess driver;
  QStringList arguments = {QStringLiteral("no-space-from:1"), QStringLiteral("cli")};
  for (const std::string& arg : args) arguments << QString::fromStdString(arg);
  driver.setProcessEnvironment(sandbox.environment());
  driver.setWorkingDirectory(QString::fromStdString(sandbox.path("")));
  driver.start(QStringLiteral(FOLIAN_CRASH_DRIVER_PATH), arguments);
  EXPECT_TRUE(driver.waitForFinished(-1));
  EXPECT_EQ(driver.exitStatus(), QProcess::NormalExit);
  return DriverOutcome{driver.exitCode(), driver.readAllStandardError().toStdString()};
}

TEST(CliSaveReason, EachChangingCommandNamesAFullDisk) {
  CliSandbox sandbox;
  sandbox.mustRun({"new", "lib.fln"});
  sandbox.writePdf("in/one.pdf", 1500, 1);
  sandbox.writePdf("in/two.pdf", 2500, 2);
  sandbox.writePdf("more/three.pdf", 3500, 3);
  sandbox.mustRun({"import", "lib.fln", "in", "--cat1", "Alpha"});
  const std::string firstId = TabRows(sandbox.mustRun({"list", "lib.fln"}).out).at(0).at(0);

  const struct {
    const char* what;
    std::vector<std::string> args;
    std::string says;  // what stderr says, with the system's text for ENOSPC
  } commands[] = {
      {"delete", {"delete", "lib.fln", firstId}, "lib.fln: the library file could not be saved: cannot "},
      // The PDF is refused first, and its line names the system's reason.
      {"import", {"import", "lib.fln", "more", "--cat1", "Beta"}, "three.pdf: "},
      {"rename a category", {"rename-category", "lib.fln", "1", "Alpha", "Gamma"},
       "lib.fln: the library file could not be saved: cannot "},
  };
  const std::vector<uint8_t> before = readAll(sandbox.path("lib.fln"));
  for (const auto& c : commands) {
    SCOPED_TRACE(c.what);
    const DriverOutcome outcome = RunOnAFullDisk(sandbox, c.args);
    EXPECT_EQ(outcome.code, 1) << outcome.err;
    EXPECT_NE(outcome.err.find(c.says), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.err.find(std::strerror(ENOSPC)), std::string::npos) << outcome.err;
    EXPECT_EQ(outcome.err.find("container code"), std::string::npos) << outcome.err;
    // Opened again (which rolls back what was left unfinished), it holds what it held.
    sandbox.mustRun({"list", "lib.fln"});
    EXPECT_EQ(readAll(sandbox.path("lib.fln")), before);
  }
}

}  // namespace
