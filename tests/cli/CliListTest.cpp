// list: the entries a window shows for category choices, in its sort order.

#include <gtest/gtest.h>

#include "CliTestSupport.h"
#include "TestFiles.h"
#include "format/EntryFieldKind.h"
#include "library/FlnLoad.h"
#include "library/FlnSave.h"

namespace {

using clitest::CatTitles;
using clitest::CliOutcome;
using clitest::CliSandbox;

using Order = std::vector<std::string>;

// Two imports: Alpha/X holds a.pdf (1000 bytes), b.pdf (3000), c.pdf (2000);
// Beta/その他, imported later and so with greater en_ids, holds d.pdf (2000)
// and another a.pdf (500).
class CliList : public ::testing::Test {
 protected:
  void SetUp() override {
    sandbox.mustRun({"new", "lib.fln"});
    sandbox.writePdf("alpha/a.pdf", 1000, 1);
    sandbox.writePdf("alpha/b.pdf", 3000, 2);
    sandbox.writePdf("alpha/c.pdf", 2000, 3);
    sandbox.writePdf("beta/d.pdf", 2000, 4);
    sandbox.writePdf("beta/a.pdf", 500, 5);
    sandbox.mustRun({"import", "lib.fln", "alpha", "--cat1", "Alpha", "--cat2", "X"});
    sandbox.mustRun({"import", "lib.fln", "beta", "--cat1", "Beta"});
  }

  Order list(std::vector<std::string> options) {
    std::vector<std::string> args = {"list", "lib.fln"};
    args.insert(args.end(), options.begin(), options.end());
    return CatTitles(sandbox.mustRun(args).out);
  }

  CliSandbox sandbox;
};

TEST_F(CliList, SortsByTheKeysGivenWithDashForDescending) {
  struct Case {
    const char* keys;
    Order expected;
  };
  const Case cases[] = {
      // Equal on every key: the greater en_id first, whatever the direction.
      {"title", {"Beta/a.pdf", "Alpha/a.pdf", "Alpha/b.pdf", "Alpha/c.pdf", "Beta/d.pdf"}},
      {"-title", {"Beta/d.pdf", "Alpha/c.pdf", "Alpha/b.pdf", "Beta/a.pdf", "Alpha/a.pdf"}},
      {"fileSize", {"Beta/a.pdf", "Alpha/a.pdf", "Beta/d.pdf", "Alpha/c.pdf", "Alpha/b.pdf"}},
      {"-fileSize", {"Alpha/b.pdf", "Beta/d.pdf", "Alpha/c.pdf", "Alpha/a.pdf", "Beta/a.pdf"}},
      {"cat1,-fileSize", {"Alpha/b.pdf", "Alpha/c.pdf", "Alpha/a.pdf", "Beta/d.pdf", "Beta/a.pdf"}},
      {"-cat1,title", {"Beta/a.pdf", "Beta/d.pdf", "Alpha/a.pdf", "Alpha/b.pdf", "Alpha/c.pdf"}},
      {"fileName,-cat1,fileSize", {"Beta/a.pdf", "Alpha/a.pdf", "Alpha/b.pdf", "Alpha/c.pdf", "Beta/d.pdf"}},
      // Entries compare names as UTF-8 bytes: "その他" comes after "X" here,
      // although the category lists always show it last.
      {"-cat2,-fileSize", {"Beta/d.pdf", "Beta/a.pdf", "Alpha/b.pdf", "Alpha/c.pdf", "Alpha/a.pdf"}},
  };
  for (const Case& c : cases) EXPECT_EQ(list({"--sort", c.keys}), c.expected) << c.keys;
}

TEST_F(CliList, WithoutSortUsesTheLibrarysStoredKeys) {
  EXPECT_EQ(list({}), (Order{"Beta/a.pdf", "Alpha/a.pdf", "Alpha/b.pdf", "Alpha/c.pdf", "Beta/d.pdf"}))
      << "a library that was never sorted otherwise sorts by title";

  FLN_DATA data;
  ASSERT_TRUE(ReadFlnDataFromFlnFile(sandbox.path("lib.fln").c_str(), &data).ok());
  data.entryListInfo = {{kEntryFieldFileSize, kEntryFieldTitle, kEntryFieldNone}, {0, 1, 1}};
  ASSERT_TRUE(SaveAll(data.filePath, &data).ok());
  FreeFlnData(&data);
  EXPECT_EQ(list({}), (Order{"Alpha/b.pdf", "Alpha/c.pdf", "Beta/d.pdf", "Alpha/a.pdf", "Beta/a.pdf"}));
  EXPECT_EQ(list({"--sort", "title"}), (Order{"Beta/a.pdf", "Alpha/a.pdf", "Alpha/b.pdf", "Alpha/c.pdf", "Beta/d.pdf"}))
      << "--sort wins over the stored keys";
}

TEST_F(CliList, ShowsTheEntriesOfTheChosenCategories) {
  struct Case {
    std::vector<std::string> options;
    Order expected;
  };
  const Case cases[] = {
      {{"--cat1", "Alpha"}, {"Alpha/a.pdf", "Alpha/b.pdf", "Alpha/c.pdf"}},
      {{"--cat1", "Beta"}, {"Beta/a.pdf", "Beta/d.pdf"}},
      {{"--cat2", "X"}, {"Alpha/a.pdf", "Alpha/b.pdf", "Alpha/c.pdf"}},
      {{"--cat2", "その他"}, {"Beta/a.pdf", "Beta/d.pdf"}},
      {{"--cat3", "その他"}, {"Beta/a.pdf", "Alpha/a.pdf", "Alpha/b.pdf", "Alpha/c.pdf", "Beta/d.pdf"}},
      {{"--cat1", "＜すべて＞", "--cat2", "X", "--cat3", "＜すべて＞"}, {"Alpha/a.pdf", "Alpha/b.pdf", "Alpha/c.pdf"}},
      {{"--cat1", "Beta", "--cat2", "X"}, {}},
      {{"--cat1", "Alpha", "--sort", "-fileSize"}, {"Alpha/b.pdf", "Alpha/c.pdf", "Alpha/a.pdf"}},
  };
  for (const Case& c : cases) {
    std::string line;
    for (const std::string& option : c.options) line += option + " ";
    EXPECT_EQ(list(c.options), c.expected) << line;
  }
}

TEST_F(CliList, RefusesACategoryTheLevelDoesNotHave) {
  const std::vector<uint8_t> before = readAll(sandbox.path("lib.fln"));
  struct Case {
    std::vector<std::string> options;
    const char* message;
  };
  const Case cases[] = {
      {{"--cat1", "Gamma"}, "folian-cli: no category \"Gamma\" on level 1 (分類１) of lib.fln\n"},
      {{"--cat2", "Alpha"}, "folian-cli: no category \"Alpha\" on level 2 (分類２) of lib.fln\n"},
      {{"--cat3", "alpha"}, "folian-cli: no category \"alpha\" on level 3 (分類３) of lib.fln\n"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"list", "lib.fln"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const CliOutcome outcome = sandbox.run(args);
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.err, c.message);
    EXPECT_EQ(outcome.out, "");
  }
  EXPECT_EQ(readAll(sandbox.path("lib.fln")), before) << "listing never writes the library";
}

}  // namespace
