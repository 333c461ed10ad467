// "folian-cli upgrade", and "import" refusing a library that would pass 4 GiB
// with a message that names it.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "CliTestSupport.h"
#include "TestFiles.h"
#include "library/FlnLibraryLock.h"
#include "library/FlnUpgrade.h"

namespace {

using clitest::CliOutcome;
using clitest::CliSandbox;

constexpr off_t k4GiB = off_t{1} << 32;

struct stat StatOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(stat(path.c_str(), &st), 0);
  return st;
}

// A library brought to 4 GiB minus `room` bytes by dead space at its end (sparse).
void FillUpTo(const CliSandbox& sandbox, off_t room) {
  ASSERT_EQ(truncate(sandbox.path("lib.fln").c_str(), k4GiB - room), 0);
}

TEST(CliUpgrade, AnImportPast4GiBIsRefusedUntilTheLibraryIsUpgraded) {
  CliSandbox sandbox;
  sandbox.mustRun({"new", "lib.fln"});
  sandbox.writePdf("first/a.pdf", 3000, 1);
  sandbox.mustRun({"import", "lib.fln", "first"});
  const std::string listed = sandbox.mustRun({"list", "lib.fln"}).out;
  FillUpTo(sandbox, 30000);
  for (int i = 0; i < 3; ++i) sandbox.writePdf("more/" + std::to_string(i) + ".pdf", 9000, 10 + i);

  const struct stat before = StatOf(sandbox.path("lib.fln"));
  const CliOutcome refused = sandbox.run({"import", "lib.fln", "more"});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.err.find("would take the library file past 4 GiB"), std::string::npos) << refused.err;
  EXPECT_NE(refused.err.find("nothing was imported"), std::string::npos) << refused.err;
  EXPECT_NE(refused.err.find("'folian-cli upgrade lib.fln'"), std::string::npos) << refused.err;
  const struct stat after = StatOf(sandbox.path("lib.fln"));
  EXPECT_EQ(after.st_size, before.st_size);
  EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
  EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);

  const CliOutcome upgraded = sandbox.run({"upgrade", "lib.fln"});
  EXPECT_EQ(upgraded.exitCode, 0) << upgraded.err;
  EXPECT_NE(upgraded.out.find("lib.fln converted: it can now grow past 4 GiB"), std::string::npos) << upgraded.out;
  EXPECT_TRUE(LibraryIsWide(sandbox.path("lib.fln")));
  EXPECT_LT(StatOf(sandbox.path("lib.fln")).st_size, 100000) << "the dead space stayed behind";
  EXPECT_EQ(sandbox.mustRun({"list", "lib.fln"}).out, listed);
  EXPECT_EQ(sandbox.run({"check", "lib.fln"}).exitCode, 0);

  // Grown to the edge again, the wide library takes the import past 4 GiB.
  FillUpTo(sandbox, 30000);
  const CliOutcome imported = sandbox.run({"import", "lib.fln", "more"});
  EXPECT_EQ(imported.exitCode, 0) << imported.err;
  EXPECT_NE(imported.out.find("imported 3 of 3 files"), std::string::npos) << imported.out;
  EXPECT_GT(StatOf(sandbox.path("lib.fln")).st_size, k4GiB);
  EXPECT_EQ(sandbox.mustRun({"list", "lib.fln"}).out.size() > listed.size(), true);

  const CliOutcome again = sandbox.run({"upgrade", "lib.fln"});
  EXPECT_EQ(again.exitCode, 0);
  EXPECT_NE(again.out.find("can grow past 4 GiB already; nothing to do"), std::string::npos) << again.out;
}

TEST(CliUpgrade, ALibraryInUseIsNotUpgraded) {
  CliSandbox sandbox;
  sandbox.mustRun({"new", "lib.fln"});
  const std::vector<uint8_t> before = readAll(sandbox.path("lib.fln"));
  LibraryLock window;
  ASSERT_EQ(window.acquire(sandbox.path("lib.fln"), LibraryLockMode::Exclusive, LibraryLockHolder::Window),
            LibraryLockStatus::Held);
  const CliOutcome refused = sandbox.run({"upgrade", "lib.fln"});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.err.find("open in a Folian window"), std::string::npos) << refused.err;
  EXPECT_EQ(readAll(sandbox.path("lib.fln")), before);
}

}  // namespace
