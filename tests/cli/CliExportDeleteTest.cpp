// export and delete, both by en_id.

#include <gtest/gtest.h>

#include <QDir>
#include <map>

#include "CliTestSupport.h"
#include "TestFiles.h"

namespace {

using clitest::CliOutcome;
using clitest::CliSandbox;
using clitest::TabRows;

class CliByIds : public ::testing::Test {
 protected:
  void SetUp() override {
    sandbox.mustRun({"new", "lib.fln"});
    bytes["one.pdf"] = sandbox.writePdf("in/one.pdf", 1500, 1);
    bytes["two.pdf"] = sandbox.writePdf("in/two.pdf", 2500, 2);
    bytes["three.pdf"] = sandbox.writePdf("in/three.pdf", 3500, 3);
    sandbox.mustRun({"import", "lib.fln", "in"});
    for (const auto& row : TabRows(sandbox.mustRun({"list", "lib.fln"}).out)) idOf[row[5]] = row[0];
    ASSERT_EQ(idOf.size(), 3u);
    sandbox.makeFolder("out");
  }

  std::vector<std::string> listedNames() {
    return clitest::Column(TabRows(sandbox.mustRun({"list", "lib.fln"}).out), 5);
  }
  QStringList exportedFiles() {
    return QDir(QString::fromStdString(sandbox.path("out"))).entryList(QDir::Files, QDir::Name);
  }

  CliSandbox sandbox;
  std::map<std::string, std::vector<uint8_t>> bytes;
  std::map<std::string, std::string> idOf;  // file name → en_id
};

TEST_F(CliByIds, ExportWritesTheChosenPdfsAndNeverOverwrites) {
  const CliOutcome first = sandbox.mustRun({"export", "lib.fln", "out", idOf["three.pdf"], idOf["one.pdf"]});
  // One line per PDF, in the order of the list rows (stored order).
  const auto rows = TabRows(first.out);
  ASSERT_EQ(rows.size(), 2u);
  std::map<std::string, std::string> pathOfId;
  for (const auto& row : rows) pathOfId[row[0]] = row[1];
  EXPECT_EQ(pathOfId[idOf["one.pdf"]], "out/one.pdf");
  EXPECT_EQ(pathOfId[idOf["three.pdf"]], "out/three.pdf");
  EXPECT_EQ(readAll(sandbox.path("out/one.pdf")), bytes["one.pdf"]);
  EXPECT_EQ(readAll(sandbox.path("out/three.pdf")), bytes["three.pdf"]);
  EXPECT_EQ(exportedFiles(), (QStringList{"one.flx", "one.pdf", "three.flx", "three.pdf"}));

  // The same id twice is one export; the taken name gets a number.
  EXPECT_EQ(sandbox.mustRun({"export", "lib.fln", "out", idOf["one.pdf"], idOf["one.pdf"]}).out,
            idOf["one.pdf"] + "\tout/one-1.pdf\n");
  EXPECT_EQ(readAll(sandbox.path("out/one-1.pdf")), bytes["one.pdf"]);
  EXPECT_EQ(readAll(sandbox.path("out/one.pdf")), bytes["one.pdf"]);
}

TEST_F(CliByIds, DeleteRemovesOnlyTheChosenEntries) {
  sandbox.mustRun({"delete", "lib.fln", idOf["two.pdf"]});
  EXPECT_EQ(listedNames(), (std::vector<std::string>{"one.pdf", "three.pdf"}));

  // The deleted entry's PDF stays in the file, used by no entry, until a
  // compaction; its digest went with it: the library checks clean.
  const CliOutcome check = sandbox.mustRun({"check", "lib.fln"});
  EXPECT_NE(check.out.find("PDFs of no entry: 1 (2500 bytes)\n"), std::string::npos) << check.out;
  EXPECT_NE(check.out.find("PDFs matching their digest: 2, without a digest: 0\n"), std::string::npos) << check.out;
  EXPECT_EQ(check.out.find("warning:"), std::string::npos) << check.out;
  EXPECT_NE(check.out.find("no damage found\n"), std::string::npos) << check.out;

  // Deleted ids stay unknown; new entries never take them again.
  const CliOutcome again = sandbox.run({"delete", "lib.fln", idOf["two.pdf"]});
  EXPECT_EQ(again.exitCode, 1);
  EXPECT_EQ(again.err, "folian-cli: no entry with id " + idOf["two.pdf"] + "\n");
  sandbox.writePdf("later.pdf", 100, 9);
  sandbox.mustRun({"import", "lib.fln", "later.pdf"});
  const auto rows = TabRows(sandbox.mustRun({"list", "lib.fln"}).out);
  EXPECT_EQ(rows.size(), 3u);
  for (const auto& row : rows) EXPECT_NE(row[0], idOf["two.pdf"]);

  // Digests of the first and the last member of 'HASH' go too, and a new
  // import still finds the chain's end.
  sandbox.mustRun({"delete", "lib.fln", idOf["one.pdf"], idOf["three.pdf"]});
  EXPECT_EQ(listedNames(), std::vector<std::string>{"later.pdf"});
  sandbox.writePdf("last.pdf", 200, 10);
  sandbox.mustRun({"import", "lib.fln", "last.pdf"});
  const CliOutcome after = sandbox.mustRun({"check", "lib.fln"});
  EXPECT_NE(after.out.find("PDFs matching their digest: 2, without a digest: 0\n"), std::string::npos) << after.out;
  EXPECT_EQ(after.out.find("warning:"), std::string::npos) << after.out;
}

TEST_F(CliByIds, AnUnknownIdChangesNothing) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const Case cases[] = {
      {{"export", "lib.fln", "out", idOf["one.pdf"], "77"}, "folian-cli: no entry with id 77\n"},
      {{"delete", "lib.fln", "77", idOf["two.pdf"], "78"},
       "folian-cli: no entry with id 77\nfolian-cli: no entry with id 78\n"},
      {{"export", "lib.fln", "nowhere", idOf["one.pdf"]}, "folian-cli: nowhere: no such folder\n"},
  };
  const std::vector<uint8_t> before = readAll(sandbox.path("lib.fln"));
  for (const Case& c : cases) {
    const CliOutcome outcome = sandbox.run(c.args);
    EXPECT_EQ(outcome.exitCode, 1) << c.message;
    EXPECT_EQ(outcome.err, c.message);
    EXPECT_EQ(outcome.out, "");
  }
  EXPECT_EQ(readAll(sandbox.path("lib.fln")), before);
  EXPECT_TRUE(exportedFiles().isEmpty());
}

}  // namespace
