// merge: another library's entries imported, the other library only read.

#include <gtest/gtest.h>

#include "CliTestSupport.h"
#include "TestFiles.h"
#include "library/FlnLibraryLock.h"

namespace {

using clitest::CliOutcome;
using clitest::CliSandbox;
using clitest::TabRows;

// lib.fln holds a.pdf; other.fln holds the same a.pdf and b.pdf under 論文,
// and is open in "a Folian window" (this test process holds its lock).
class CliMerge : public ::testing::Test {
 protected:
  void SetUp() override {
    sandbox.writePdf("mine/a.pdf", 1200, 1);
    sandbox.writePdf("theirs/a.pdf", 1200, 1);
    b = sandbox.writePdf("theirs/b.pdf", 2400, 2);
    sandbox.mustRun({"new", "lib.fln"});
    sandbox.mustRun({"import", "lib.fln", "mine"});
    sandbox.mustRun({"new", "other.fln"});
    sandbox.mustRun({"import", "other.fln", "theirs", "--cat1", "論文"});
    otherRows = TabRows(sandbox.mustRun({"list", "other.fln", "--sort", "title"}).out);
    ASSERT_EQ(otherRows.size(), 2u);
    ASSERT_EQ(window.acquire(sandbox.path("other.fln"), LibraryLockMode::Exclusive, LibraryLockHolder::Window),
              LibraryLockStatus::Held);
    other = readAll(sandbox.path("other.fln"));
  }

  CliSandbox sandbox;
  std::vector<uint8_t> b, other;
  std::vector<std::vector<std::string>> otherRows;
  LibraryLock window;
};

TEST_F(CliMerge, ImportsEveryEntryOfTheOtherLibraryAndSaysWhichPdfsItHeld) {
  const struct {
    std::vector<std::string> extra;
    const char* out;
    const char* duplicateSays;
    size_t entries;
  } cases[] = {
      {{}, "merged 2 of 2 entries\n", "its PDF is in the library already; merged again", 3},
      {{"--skip-duplicates"}, "merged 1 of 2 entries\n", "its PDF is in the library already; skipped", 2},
  };
  const std::vector<uint8_t> lib = readAll(sandbox.path("lib.fln"));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.out);
    writeAll(sandbox.path("lib.fln"), lib);
    std::vector<std::string> args = {"merge", "lib.fln", "other.fln"};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    const CliOutcome merged = sandbox.run(args);
    EXPECT_EQ(merged.exitCode, 0) << merged.err;
    EXPECT_EQ(merged.out, c.out);
    EXPECT_EQ(merged.err, "folian-cli: a.pdf (entry " + otherRows[0][0] + "): " + c.duplicateSays + "\n");
    const auto rows = TabRows(sandbox.mustRun({"list", "lib.fln", "--sort", "cat1,title"}).out);
    ASSERT_EQ(rows.size(), c.entries);
    // The merged b.pdf: its categories, and its PDF under a new id.
    const auto& last = rows.back();
    EXPECT_EQ(std::vector<std::string>(last.begin() + 1, last.begin() + 5),
              (std::vector<std::string>{"b.pdf", "論文", "その他", "その他"}));
    for (size_t i = 0; i + 1 < rows.size(); ++i) EXPECT_NE(rows[i][0], last[0]);
    sandbox.makeFolder("out" + std::to_string(c.entries));
    sandbox.mustRun({"export", "lib.fln", "out" + std::to_string(c.entries), last[0]});
    EXPECT_EQ(readAll(sandbox.path("out" + std::to_string(c.entries) + "/b.pdf")), b);
    EXPECT_EQ(readAll(sandbox.path("other.fln")), other);
  }
  const CliOutcome check = sandbox.run({"check", "lib.fln"});
  EXPECT_EQ(check.exitCode, 0) << check.out;
}

TEST_F(CliMerge, AnOtherFileThatIsNoLibraryMergesNothing) {
  writeAll(sandbox.path("text.fln"), {'n', 'o', 't', ' ', 'a', ' ', 'l', 'i', 'b'});
  const std::vector<uint8_t> lib = readAll(sandbox.path("lib.fln"));
  const CliOutcome outcome = sandbox.run({"merge", "lib.fln", "text.fln"});
  EXPECT_EQ(outcome.exitCode, 1);
  EXPECT_EQ(outcome.err.rfind("folian-cli: text.fln: cannot be merged: ", 0), 0u) << outcome.err;
  EXPECT_NE(outcome.err.find("; nothing was merged\n"), std::string::npos) << outcome.err;
  EXPECT_EQ(readAll(sandbox.path("lib.fln")), lib);
}

}  // namespace
