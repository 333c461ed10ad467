// rename-category: one level's name renamed in the table and in every entry.

#include <gtest/gtest.h>

#include "CliTestSupport.h"
#include "TestFiles.h"

namespace {

using clitest::CliOutcome;
using clitest::CliSandbox;
using clitest::TabRows;
using Rows = std::vector<std::vector<std::string>>;

// Two entries under Alpha/X, one under Beta/Alpha: "Alpha" is on level 1 of
// some entries and on level 2 of another.
class CliRenameCategory : public ::testing::Test {
 protected:
  void SetUp() override {
    sandbox.mustRun({"new", "lib.fln"});
    sandbox.writePdf("alpha/a.pdf", 700, 1);
    sandbox.writePdf("alpha/b.pdf", 800, 2);
    sandbox.writePdf("beta/c.pdf", 900, 3);
    sandbox.mustRun({"import", "lib.fln", "alpha", "--cat1", "Alpha", "--cat2", "X"});
    sandbox.mustRun({"import", "lib.fln", "beta", "--cat1", "Beta", "--cat2", "Alpha"});
  }

  // id, title, cat1, cat2, cat3 of each entry, in en_id order.
  Rows entries() {
    Rows rows = TabRows(sandbox.mustRun({"list", "lib.fln", "--sort", "fileSize"}).out);
    for (auto& row : rows) row.resize(5);
    return rows;
  }

  CliSandbox sandbox;
};

TEST_F(CliRenameCategory, RenamesOneLevelInTheTableAndEveryEntry) {
  const Rows before = entries();
  const CliOutcome outcome = sandbox.mustRun({"rename-category", "lib.fln", "1", "Alpha", "アルファ"});
  EXPECT_EQ("renamed 1 categories and 2 entries\n", outcome.out);
  Rows expected = before;
  expected[0][2] = expected[1][2] = "アルファ";  // level 2's "Alpha" of c.pdf stays
  EXPECT_EQ(expected, entries());
  EXPECT_EQ((Rows{{"分類１", "分類２", "分類３"},
                  {"その他", "その他", "その他"},
                  {"アルファ", "X", "その他"},
                  {"Beta", "Alpha", "その他"}}),
            TabRows(sandbox.mustRun({"categories", "lib.fln"}).out));
  EXPECT_EQ(0, sandbox.run({"check", "lib.fln"}).exitCode);
}

TEST_F(CliRenameCategory, RefusesWithAReasonAndLeavesTheFileAlone) {
  const struct {
    std::vector<std::string> args;
    int exitCode;
    std::string err;
  } cases[] = {
      {{"1", "その他", "Z"}, 1, "lib.fln: ＜すべて＞ and その他 cannot be renamed; nothing was changed"},
      {{"2", "＜すべて＞", "Z"}, 1, "lib.fln: ＜すべて＞ and その他 cannot be renamed; nothing was changed"},
      {{"3", "Alpha", "Z"}, 1, "lib.fln: level 3 has no category Alpha; nothing was changed"},
      {{"1", "Alpha", "Beta"}, 1,
       "lib.fln: level 1 has a category Beta already; renaming does not merge categories; nothing was changed"},
      {{"1", "Alpha", ""}, 1, "lib.fln: the new name is empty; nothing was changed"},
      {{"1", "Alpha", "＜変更しない＞"}, 1,
       "lib.fln: ＜変更しない＞ has a meaning of its own and cannot be a category's new name; nothing was changed"},
      {{"1", "Alpha", std::string(128, 'x')}, 1,
       "lib.fln: the new name is too long (at most 127 bytes of UTF-8 and 126 UTF-16 units); nothing was changed"},
  };
  const std::vector<uint8_t> file = readAll(sandbox.path("lib.fln"));
  for (const auto& c : cases) {
    std::vector<std::string> args = {"rename-category", "lib.fln"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const CliOutcome outcome = sandbox.run(args);
    EXPECT_EQ(c.exitCode, outcome.exitCode) << c.err;
    EXPECT_EQ("folian-cli: " + c.err + "\n", outcome.err);
    EXPECT_EQ(file, readAll(sandbox.path("lib.fln"))) << c.err;
  }
  const CliOutcome badLevel = sandbox.run({"rename-category", "lib.fln", "4", "Alpha", "Z"});
  EXPECT_EQ(2, badLevel.exitCode);
  EXPECT_NE(std::string::npos, badLevel.err.find("LEVEL must be 1, 2 or 3, not \"4\"")) << badLevel.err;
}

}  // namespace
