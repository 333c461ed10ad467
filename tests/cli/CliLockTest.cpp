// folian-cli and the Folian application never write one library at once, a
// reader never reads a change half made, and Ctrl-C stops an import without
// losing what it did.

#include <gtest/gtest.h>
#include <signal.h>
#include <cstdio>
#include <unistd.h>

#include <QFileInfo>
#include <QThread>

#include "CliTestSupport.h"
#include "TestFiles.h"
#include "library/FlnLibraryLock.h"

namespace {

using clitest::CliOutcome;
using clitest::CliSandbox;
using clitest::TabRows;

// Starts an import of `folder` (many PDFs) into lib.fln and returns once it
// has begun to write.
void StartImportAndWaitUntilItWrites(const CliSandbox& sandbox, QProcess* import, const std::string& folder) {
  const qint64 emptySize = QFileInfo(QString::fromStdString(sandbox.path("lib.fln"))).size();
  sandbox.start(import, {"import", "lib.fln", folder});
  ASSERT_TRUE(import->waitForStarted());
  while (import->state() == QProcess::Running &&
         QFileInfo(QString::fromStdString(sandbox.path("lib.fln"))).size() == emptySize)
    QThread::usleep(200);
}

// Every command against a library whose lock another holder has: writers
// are refused by everyone, readers only by a writer, and the refusal names
// the holder. The file is left as it was.
TEST(CliLock, CommandsMeetTheLockOfEveryHolderAndNameIt) {
  CliSandbox sandbox;
  sandbox.mustRun({"new", "lib.fln"});
  sandbox.writePdf("in/a.pdf", 800, 1);
  sandbox.mustRun({"import", "lib.fln", "in/a.pdf", "--cat1", "Old"});
  const std::string id = TabRows(sandbox.mustRun({"list", "lib.fln"}).out)[0][0];
  sandbox.makeFolder("out");
  sandbox.mustRun({"new", "other.fln"});
  // Reached through a hard link: the lock is on the file, not on its name.
  ASSERT_EQ(::link(sandbox.path("lib.fln").c_str(), sandbox.path("alias.fln").c_str()), 0);

  const struct {
    LibraryLockMode mode;
    LibraryLockHolder holder;
    const char* says;
  } holders[] = {
      {LibraryLockMode::Exclusive, LibraryLockHolder::Window, "open in a Folian window"},
      {LibraryLockMode::Exclusive, LibraryLockHolder::WritingCommand, "being changed by another folian-cli command"},
      {LibraryLockMode::Shared, LibraryLockHolder::ReadingCommand, "being read by another folian-cli command"},
  };
  const struct {
    std::vector<std::string> args;
    bool writes;
  } commands[] = {
      {{"import", "alias.fln", "in/a.pdf"}, true}, {{"export", "alias.fln", "out", id}, true},
      {{"delete", "alias.fln", id}, true},         {{"list", "alias.fln"}, false},
      {{"check", "alias.fln"}, false},             {{"categories", "alias.fln"}, false},
      {{"rename-category", "alias.fln", "1", "Old", "New"}, true},
      {{"compact", "alias.fln"}, true},            {{"merge", "alias.fln", "other.fln"}, true},
  };
  const std::vector<uint8_t> before = readAll(sandbox.path("lib.fln"));
  for (const auto& h : holders) {
    LibraryLock held;
    ASSERT_EQ(held.acquire(sandbox.path("lib.fln"), h.mode, h.holder), LibraryLockStatus::Held);
    for (const auto& c : commands) {
      const CliOutcome outcome = sandbox.run(c.args);
      const bool refused = c.writes || h.mode == LibraryLockMode::Exclusive;
      if (refused) {
        EXPECT_EQ(outcome.exitCode, 1) << h.says << ": " << c.args[0];
        EXPECT_EQ(outcome.err,
                  std::string("folian-cli: alias.fln: the library is ") + h.says + "; try again when it is free\n")
            << c.args[0];
      } else {
        EXPECT_EQ(outcome.exitCode, 0) << h.says << ": " << c.args[0] << outcome.err;
      }
    }
    EXPECT_EQ(readAll(sandbox.path("lib.fln")), before) << h.says;
  }

  // Once the holder is gone, the writer goes ahead.
  sandbox.mustRun({"delete", "lib.fln", id});
  EXPECT_EQ(sandbox.mustRun({"list", "lib.fln"}).out, "");
}

// A holder that dies leaves no lock behind: the kernel drops it.
TEST(CliLock, TheLockOfAKilledCommandGoesWithIt) {
  CliSandbox sandbox;
  sandbox.mustRun({"new", "lib.fln"});
  constexpr int kFiles = 300;
  for (int i = 0; i < kFiles; ++i) sandbox.writePdf("many/" + std::to_string(i) + ".pdf", 32 * 1024, i);
  QProcess import;
  ASSERT_NO_FATAL_FAILURE(StartImportAndWaitUntilItWrites(sandbox, &import, "many"));
  ::kill(static_cast<pid_t>(import.processId()), SIGKILL);
  ASSERT_TRUE(import.waitForFinished(-1));

  LibraryLock lock;
  EXPECT_EQ(lock.acquire(sandbox.path("lib.fln"), LibraryLockMode::Exclusive, LibraryLockHolder::WritingCommand),
            LibraryLockStatus::Held);
  lock.release();
  const CliOutcome check = sandbox.mustRun({"check", "lib.fln"});
  EXPECT_NE(check.out.find("no damage found"), std::string::npos) << check.out;
}

// A sync tool renames another library over the one an import is writing:
// the import never writes into the new file, says why, and fails.
TEST(CliLock, ALibraryReplacedByRenameWhileACommandRunsIsNeverWrittenInto) {
  CliSandbox sandbox;
  sandbox.mustRun({"new", "lib.fln"});
  sandbox.mustRun({"new", "other.fln"});
  sandbox.writePdf("one/x.pdf", 900, 7);
  sandbox.mustRun({"import", "other.fln", "one"});
  constexpr int kFiles = 300;
  for (int i = 0; i < kFiles; ++i) sandbox.writePdf("many/" + std::to_string(i) + ".pdf", 48 * 1024, i);
  const std::vector<uint8_t> theirs = readAll(sandbox.path("other.fln"));

  QProcess import;
  ASSERT_NO_FATAL_FAILURE(StartImportAndWaitUntilItWrites(sandbox, &import, "many"));
  ASSERT_EQ(std::rename(sandbox.path("other.fln").c_str(), sandbox.path("lib.fln").c_str()), 0);
  ASSERT_TRUE(import.waitForFinished(-1));

  EXPECT_EQ(import.exitCode(), 1);
  const std::string err = import.readAllStandardError().toStdString();
  EXPECT_NE(err.find("folian-cli: lib.fln: the library file was replaced or changed by another program while this "
                     "command ran; nothing was written into it\n"),
            std::string::npos)
      << err;
  EXPECT_EQ(readAll(sandbox.path("lib.fln")), theirs);
  EXPECT_EQ(TabRows(sandbox.mustRun({"list", "lib.fln"}).out).size(), 1u);
  const CliOutcome check = sandbox.mustRun({"check", "lib.fln"});
  EXPECT_NE(check.out.find("no damage found"), std::string::npos) << check.out;
}

TEST(CliInterrupt, CtrlCStopsAnImportBetweenFilesAndKeepsWhatWasImported) {
  CliSandbox sandbox;
  sandbox.mustRun({"new", "lib.fln"});
  constexpr int kFiles = 400;
  for (int i = 0; i < kFiles; ++i) sandbox.writePdf("many/" + std::to_string(i) + ".pdf", 48 * 1024, i);

  QProcess import;
  // Once the library grows, the tool is importing and watches for Ctrl-C.
  ASSERT_NO_FATAL_FAILURE(StartImportAndWaitUntilItWrites(sandbox, &import, "many"));
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
