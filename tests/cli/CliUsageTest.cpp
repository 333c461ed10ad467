// The command line itself: help, and every way of getting it wrong.

#include <gtest/gtest.h>

#include <QFileInfo>

#include "CliTestSupport.h"

namespace {

using clitest::CliOutcome;
using clitest::CliSandbox;

struct HelpCase {
  std::vector<std::string> args;
  const char* expected;  // a line the help shows
};

TEST(CliHelp, GoesToStdoutWithExitCodeZero) {
  const HelpCase cases[] = {
      {{"--help"}, "  folian-cli check LIB [--fix]\n"},
      {{"-h"},
       "  folian-cli import LIB PATH [--cat1 NAME] [--cat2 NAME] [--cat3 NAME] [--skip-duplicates] "
       "[--title-from-file-name]\n"},
      {{"-h"}, "  folian-cli titles-from-pdf LIB ID...\n"},
      {{"titles-from-pdf", "--help"}, "Usage: folian-cli titles-from-pdf LIB ID...\n"},
      {{"help"}, "Exit codes: 0 success"},
      {{"new", "--help"}, "Usage: folian-cli new LIB\n"},
      {{"import", "--help"}, "  --cat1 NAME, --cat2 NAME, --cat3 NAME"},
      {{"help", "list"}, "Sort keys: title, cat1, cat2, cat3, fileName, fileSize, myRate, note, fileCreateDate"},
      // Help wins over missing operands and over anything else on the line.
      {{"export", "--help"}, "Usage: folian-cli export LIB DIR ID...\n"},
      {{"delete", "lib.fln", "-h", "--bogus"}, "Usage: folian-cli delete LIB ID...\n"},
      {{"categories", "-h"}, "Usage: folian-cli categories LIB\n"},
      {{"check", "--help"}, "Exit code\n0 only for an undamaged library"},
      {{"help", "recover"}, "Usage: folian-cli recover LIB NEW\n"},
      {{"import", "--help"}, "  --skip-duplicates "},
      {{"import", "--help"}, "  --title-from-file-name "},
  };
  CliSandbox sandbox;
  for (const HelpCase& c : cases) {
    const CliOutcome outcome = sandbox.run(c.args);
    SCOPED_TRACE(c.args[0] + (c.args.size() > 1 ? " " + c.args[1] : std::string()));
    EXPECT_TRUE(outcome.exitedNormally);
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_NE(outcome.out.find(c.expected), std::string::npos) << outcome.out;
    EXPECT_EQ(outcome.err, "");
  }
}

struct UsageCase {
  std::vector<std::string> args;
  const char* message;  // the first stderr line
};

TEST(CliUsageError, ExitsWithTwoAndSaysWhatIsWrong) {
  const UsageCase cases[] = {
      {{}, "folian-cli: no command given"},
      {{"bogus"}, "folian-cli: unknown command 'bogus'"},
      {{"--verbose", "list"}, "folian-cli: a command must come first, before '--verbose'"},
      {{"help", "bogus"}, "folian-cli: unknown command 'bogus'"},
      {{"new"}, "folian-cli: new: missing operand"},
      {{"new", "a.fln", "b.fln"}, "folian-cli: new: unexpected operand 'b.fln'"},
      {{"import", "lib.fln"}, "folian-cli: import: missing operand"},
      {{"import", "lib.fln", "a.pdf", "--cat4", "x"}, "folian-cli: unknown option '--cat4' for import"},
      {{"import", "lib.fln", "a.pdf", "--cat1"}, "folian-cli: option '--cat1' needs a value"},
      {{"import", "lib.fln", "a.pdf", "-c"}, "folian-cli: unknown option '-c'"},
      {{"import", "lib.fln", "a.pdf", "--cat1", "＜すべて＞"},
       "folian-cli: --cat1: ＜すべて＞ means every category and cannot be an entry's category"},
      {{"import", "lib.fln", "a.pdf", "--cat3", "＜変更しない＞"},
       "folian-cli: --cat3: ＜変更しない＞ means an unchanged category and cannot be an entry's category"},
      {{"import", "lib.fln", "a.pdf", "--cat2=" + std::string(128, 'x')},
       "folian-cli: --cat2: the category name is too long"},
      {{"list", "lib.fln", "--cat1", "a", "--cat1=b"}, "folian-cli: option '--cat1' given twice"},
      {{"list", "lib.fln", "--sort", "size"}, "folian-cli: unknown sort key 'size' (keys: title, cat1,"},
      {{"list", "lib.fln", "--sort", "-"}, "folian-cli: --sort has an empty key"},
      {{"list", "lib.fln", "--sort", "title,,note"}, "folian-cli: --sort has an empty key"},
      {{"list", "lib.fln", "--sort", "title,note,cat1,cat2"}, "folian-cli: --sort takes at most three keys"},
      {{"list", "lib.fln", "--sort=--title"}, "folian-cli: unknown sort key '-title'"},
      {{"export", "lib.fln", "out"}, "folian-cli: export: missing operand"},
      {{"export", "lib.fln", "out", "1", "x2"}, "folian-cli: 'x2' is not an entry id"},
      {{"delete", "lib.fln"}, "folian-cli: delete: missing operand"},
      {{"delete", "lib.fln", "2147483648"}, "folian-cli: '2147483648' is not an entry id"},
      {{"delete", "lib.fln", "--", "-1"}, "folian-cli: '-1' is not an entry id"},
      {{"categories", "lib.fln", "extra"}, "folian-cli: categories: unexpected operand 'extra'"},
      {{"check"}, "folian-cli: check: missing operand"},
      {{"check", "lib.fln", "--fix=yes"}, "folian-cli: option '--fix' takes no value"},
      {{"check", "lib.fln", "--fix", "--fix"}, "folian-cli: option '--fix' given twice"},
      {{"import", "lib.fln", "a.pdf", "--skip-duplicates=1"}, "folian-cli: option '--skip-duplicates' takes no value"},
      {{"recover", "lib.fln"}, "folian-cli: recover: missing operand"},
  };
  CliSandbox sandbox;
  for (const UsageCase& c : cases) {
    const CliOutcome outcome = sandbox.run(c.args);
    SCOPED_TRACE(c.message);
    EXPECT_TRUE(outcome.exitedNormally);
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_EQ(outcome.err.rfind(c.message, 0), 0u) << outcome.err;
    EXPECT_NE(outcome.err.find("--help"), std::string::npos) << "points to the help: " << outcome.err;
    EXPECT_EQ(outcome.out, "");
  }
  // Usage errors are found before any file is touched: none of the above
  // made a library (lib.fln) or a folder.
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(sandbox.path("lib.fln"))));
}

}  // namespace
