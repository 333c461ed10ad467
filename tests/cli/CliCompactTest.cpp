// compact: the dead bytes "check" reports given back, the entries unchanged.

#include <gtest/gtest.h>

#include <regex>

#include "CliTestSupport.h"
#include "TestFiles.h"

namespace {

using clitest::CliOutcome;
using clitest::CliSandbox;
using clitest::TabRows;

// What "check" reports as given up: the dead bytes and the bytes of stored
// PDFs that no entry uses any more.
struct Unused {
  long long deadBytes = -1;
  long long orphanPdfBytes = -1;
};

Unused UnusedSpace(const CliSandbox& sandbox) {
  const std::string report = sandbox.mustRun({"check", "lib.fln"}).out;
  Unused unused;
  std::smatch found;
  if (std::regex_search(report, found, std::regex("dead bytes: (\\d+)"))) unused.deadBytes = std::stoll(found[1]);
  if (std::regex_search(report, found, std::regex("PDFs of no entry: \\d+ \\((\\d+) bytes\\)")))
    unused.orphanPdfBytes = std::stoll(found[1]);
  EXPECT_GE(unused.deadBytes, 0) << report;
  EXPECT_GE(unused.orphanPdfBytes, 0) << report;
  return unused;
}

TEST(CliCompact, GivesBackTheSpaceOfDeletedPdfsAndKeepsTheRest) {
  CliSandbox sandbox;
  sandbox.mustRun({"new", "lib.fln"});
  const std::vector<uint8_t> kept = sandbox.writePdf("in/a.pdf", 3000, 1);
  sandbox.writePdf("in/b.pdf", 50000, 2);
  sandbox.writePdf("in/c.pdf", 40000, 3);
  sandbox.mustRun({"import", "lib.fln", "in", "--cat1", "論文"});
  const auto rows = TabRows(sandbox.mustRun({"list", "lib.fln", "--sort", "fileSize"}).out);
  ASSERT_EQ(rows.size(), 3u);
  sandbox.mustRun({"delete", "lib.fln", rows[1][0], rows[2][0]});  // the two large ones
  // The deleted entries' PDFs stay in the file, reachable but of no entry.
  const Unused unused = UnusedSpace(sandbox);
  EXPECT_EQ(unused.orphanPdfBytes, 90000);
  EXPECT_GT(unused.deadBytes, 0);
  const std::string listBefore = sandbox.mustRun({"list", "lib.fln"}).out;
  const std::string categoriesBefore = sandbox.mustRun({"categories", "lib.fln"}).out;
  const long long sizeBefore = static_cast<long long>(readAll(sandbox.path("lib.fln")).size());

  const CliOutcome compacted = sandbox.mustRun({"compact", "lib.fln"});
  const long long sizeAfter = static_cast<long long>(readAll(sandbox.path("lib.fln")).size());
  EXPECT_EQ(compacted.out, std::to_string(sizeBefore) + " bytes before, " + std::to_string(sizeAfter) +
                               " after: " + std::to_string(sizeBefore - sizeAfter) + " bytes given back\n");
  // The unused PDFs' item records go with their bytes, so the file shrinks
  // by more than check reported; afterwards it reports nothing unused.
  EXPECT_GT(sizeBefore - sizeAfter, unused.deadBytes + unused.orphanPdfBytes);
  const Unused after = UnusedSpace(sandbox);
  EXPECT_EQ(after.deadBytes, 0);
  EXPECT_EQ(after.orphanPdfBytes, 0);
  const CliOutcome check = sandbox.run({"check", "lib.fln"});
  EXPECT_EQ(check.exitCode, 0);
  // No warning either: the deleted entries' digests are gone with them.
  EXPECT_EQ(check.out.find("warning"), std::string::npos) << check.out;
  EXPECT_EQ(sandbox.mustRun({"list", "lib.fln"}).out, listBefore);
  EXPECT_EQ(sandbox.mustRun({"categories", "lib.fln"}).out, categoriesBefore);
  sandbox.makeFolder("out");
  sandbox.mustRun({"export", "lib.fln", "out", rows[0][0]});
  EXPECT_EQ(readAll(sandbox.path("out/a.pdf")), kept);
}

TEST(CliCompact, AFileThatIsNoLibraryIsRefusedAndLeftAlone) {
  CliSandbox sandbox;
  writeAll(sandbox.path("lib.fln"), {'n', 'o', 't'});
  const CliOutcome outcome = sandbox.run({"compact", "lib.fln"});
  EXPECT_EQ(outcome.exitCode, 1);
  EXPECT_EQ(outcome.err.rfind("folian-cli: lib.fln: ", 0), 0u) << outcome.err;
  EXPECT_NE(outcome.err.find("the library is unchanged"), std::string::npos) << outcome.err;
  EXPECT_EQ(readAll(sandbox.path("lib.fln")), (std::vector<uint8_t>{'n', 'o', 't'}));
}

}  // namespace
