// folian-cli and the Folian application never write one library at once,
// and Ctrl-C stops an import without losing what it did.

#include <gtest/gtest.h>
#include <signal.h>

#include <QFileInfo>
#include <QLockFile>
#include <QThread>

#include "CliTestSupport.h"
#include "TestFiles.h"
#include "library/FlnLibraryLock.h"

namespace {

using clitest::CliOutcome;
using clitest::CliSandbox;
using clitest::TabRows;

// The lock file the Folian application holds while a library is open.
QString ApplicationLockPath(const std::string& library) {
  return LibraryLockFilePath(QFileInfo(QString::fromStdString(library)).absoluteFilePath());
}

TEST(CliLock, CommandsThatWriteRefuseALibraryFolianHasOpen) {
  CliSandbox sandbox;
  sandbox.mustRun({"new", "lib.fln"});
  sandbox.writePdf("in/a.pdf", 800, 1);
  sandbox.mustRun({"import", "lib.fln", "in/a.pdf"});
  const std::string id = TabRows(sandbox.mustRun({"list", "lib.fln"}).out)[0][0];
  sandbox.makeFolder("out");

  // The lock the application takes when it opens the library.
  QLockFile appLock(ApplicationLockPath(sandbox.path("lib.fln")));
  ASSERT_TRUE(appLock.tryLock(0));

  const std::vector<uint8_t> before = readAll(sandbox.path("lib.fln"));
  const std::vector<std::vector<std::string>> writers = {
      {"import", "lib.fln", "in/a.pdf"}, {"export", "lib.fln", "out", id}, {"delete", "lib.fln", id}};
  for (const auto& args : writers) {
    const CliOutcome outcome = sandbox.run(args);
    EXPECT_EQ(outcome.exitCode, 1) << args[0];
    EXPECT_EQ(outcome.err,
              "folian-cli: lib.fln: the library is open in Folian or in use by another folian-cli; close it and "
              "try again\n")
        << args[0];
  }
  EXPECT_EQ(readAll(sandbox.path("lib.fln")), before);

  // Reading goes on meanwhile.
  EXPECT_EQ(TabRows(sandbox.mustRun({"list", "lib.fln"}).out).size(), 1u);
  sandbox.mustRun({"check", "lib.fln"});
  sandbox.mustRun({"categories", "lib.fln"});

  appLock.unlock();
  sandbox.mustRun({"delete", "lib.fln", id});
  EXPECT_EQ(sandbox.mustRun({"list", "lib.fln"}).out, "");
}

TEST(CliInterrupt, CtrlCStopsAnImportBetweenFilesAndKeepsWhatWasImported) {
  CliSandbox sandbox;
  sandbox.mustRun({"new", "lib.fln"});
  constexpr int kFiles = 400;
  for (int i = 0; i < kFiles; ++i) sandbox.writePdf("many/" + std::to_string(i) + ".pdf", 48 * 1024, i);
  const qint64 emptySize = QFileInfo(QString::fromStdString(sandbox.path("lib.fln"))).size();

  QProcess import;
  sandbox.start(&import, {"import", "lib.fln", "many"});
  ASSERT_TRUE(import.waitForStarted());
  // Once the library grows, the tool is importing and watches for Ctrl-C.
  while (import.state() == QProcess::Running &&
         QFileInfo(QString::fromStdString(sandbox.path("lib.fln"))).size() == emptySize)
    QThread::usleep(200);
  ::kill(static_cast<pid_t>(import.processId()), SIGINT);
  ASSERT_TRUE(import.waitForFinished(-1));
  ASSERT_EQ(import.exitStatus(), QProcess::NormalExit);
  if (import.exitCode() == 0) GTEST_SKIP() << "the import ended before the signal came";

  EXPECT_EQ(import.exitCode(), 130);
  const std::string out = import.readAllStandardOutput().toStdString();
  int imported = -1, listed = -1;
  ASSERT_EQ(std::sscanf(out.c_str(), "imported %d of %d files", &imported, &listed), 2) << out;
  EXPECT_EQ(listed, kFiles);
  EXPECT_LT(imported, kFiles);
  EXPECT_EQ(import.readAllStandardError().toStdString(),
            "folian-cli: interrupted; the " + std::to_string(imported) + " files imported until then are saved\n");

  // Exactly the imported entries are there, each with its PDF.
  EXPECT_EQ(TabRows(sandbox.mustRun({"list", "lib.fln"}).out).size(), static_cast<size_t>(imported));
  const CliOutcome check = sandbox.mustRun({"check", "lib.fln"});
  EXPECT_NE(check.out.find("no damage found"), std::string::npos) << check.out;
}

}  // namespace
