// folian-cli search and index: the filter over the entries' fields, and the
// full-text index kept in step with the library as it changes.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <fstream>
#include <string>
#include <vector>

#include "CliTestSupport.h"
#include "TextPdf.h"

namespace clitest {
namespace {

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

// en_id, title, hits and pages of each line of a full-text search.
std::vector<std::string> Hits(const CliOutcome& outcome) {
  std::vector<std::string> lines;
  for (const auto& row : TabRows(outcome.out)) {
    std::string line;
    for (size_t i = 1; i < row.size(); ++i) line += (i > 1 ? " " : "") + row[i];
    lines.push_back(line);
  }
  return lines;
}

TEST(CliSearch, FindsEntriesByTheirFields) {
  CliSandbox box;
  box.mustRun({"new", "lib.fln"});
  box.makeFolder("in");
  for (const char* name : {"deep-learning", "Learning-Theory", "statistics", "ｆｕｌｌｗｉｄｔｈ"})
    WriteFile(box.path(std::string("in/") + name + ".pdf"), testsupport::TextPdf({"x"}));
  box.mustRun({"import", "lib.fln", "in"});
  struct Case {
    const char* query;
    std::vector<std::string> titles;
  } cases[] = {
      {"learning", {"Learning-Theory.pdf", "deep-learning.pdf"}},
      {"LEARNING deep", {"deep-learning.pdf"}},
      {"fullwidth", {"ｆｕｌｌｗｉｄｔｈ.pdf"}},
      {"nothing", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.query);
    const CliOutcome outcome = box.mustRun({"search", "lib.fln", c.query});
    EXPECT_EQ(Column(TabRows(outcome.out), 1), c.titles);
  }
}

TEST(CliSearch, FullTextIndexKeptInStepWithTheLibrary) {
  CliSandbox box;
  box.mustRun({"new", "lib.fln"});
  box.makeFolder("a");
  WriteFile(box.path("a/alpha.pdf"), testsupport::TextPdf({"The quick brown fox", "jumps over the lazy dog"}));
  WriteFile(box.path("a/beta.pdf"), testsupport::TextPdf({"A lazy afternoon", "", "lazy lazy cat"}));
  WriteFile(box.path("a/scan.pdf"), testsupport::TextPdf({"", ""}));
  WriteFile(box.path("a/broken.pdf"), "%PDF-1.4\nnot really a pdf\n");
  box.mustRun({"import", "lib.fln", "a"});

  const CliOutcome indexed = box.mustRun({"index", "lib.fln"});
  EXPECT_NE(indexed.out.find("4 entries indexed: 2 with text, 1 without text, 0 locked, 1 unreadable; 4 pages"),
            std::string::npos)
      << indexed.out;
  // The index is in the cache folder, not in the library's.
  const QStringList caches = QDir(QString::fromStdString(box.path("cache/FOLIAN"))).entryList({"*.fulltext"});
  EXPECT_EQ(caches.size(), 1);

  EXPECT_EQ(Hits(box.mustRun({"search", "lib.fln", "lazy", "--full-text"})),
            (std::vector<std::string>{"beta.pdf 3 1,3", "alpha.pdf 1 2"}));
  EXPECT_EQ(Hits(box.mustRun({"search", "lib.fln", "\"brown fox\"", "--full-text"})),
            (std::vector<std::string>{"alpha.pdf 1 1"}));

  // Another import (another process): found by the next search, which
  // brings the index in step first.
  box.makeFolder("b");
  WriteFile(box.path("b/gamma.pdf"), testsupport::TextPdf({"lazy river"}));
  box.mustRun({"import", "lib.fln", "b"});
  EXPECT_EQ(Hits(box.mustRun({"search", "lib.fln", "river", "--full-text"})),
            (std::vector<std::string>{"gamma.pdf 1 1"}));

  // A deleted entry is gone from the results.
  const auto rows = TabRows(box.mustRun({"search", "lib.fln", "beta"}).out);
  ASSERT_EQ(rows.size(), 1u);
  box.mustRun({"delete", "lib.fln", rows[0][0]});
  EXPECT_EQ(Hits(box.mustRun({"search", "lib.fln", "lazy", "--full-text"})),
            (std::vector<std::string>{"alpha.pdf 1 2", "gamma.pdf 1 1"}));
  const CliOutcome after = box.mustRun({"index", "lib.fln"});
  EXPECT_NE(after.out.find("4 entries indexed: 2 with text, 1 without text, 0 locked, 1 unreadable"),
            std::string::npos)
      << after.out;

  // Deleted, the cache is made again; damaged, it is made again with a message.
  ASSERT_TRUE(QDir(QString::fromStdString(box.path("cache"))).removeRecursively());
  EXPECT_EQ(Hits(box.mustRun({"search", "lib.fln", "fox", "--full-text"})),
            (std::vector<std::string>{"alpha.pdf 1 1"}));
  const QString index = QString::fromStdString(box.path("cache/FOLIAN/")) + caches.value(0);
  QFile file(index);
  ASSERT_TRUE(file.open(QIODevice::ReadWrite));
  file.write(QByteArray(200, 'z'));
  file.close();
  const CliOutcome repaired = box.mustRun({"search", "lib.fln", "fox", "--full-text"});
  EXPECT_EQ(Hits(repaired), (std::vector<std::string>{"alpha.pdf 1 1"}));
  EXPECT_NE(repaired.err.find("damaged"), std::string::npos) << repaired.err;
}

TEST(CliSearch, AMovedLibraryFindsItsIndex) {
  CliSandbox box;
  box.mustRun({"new", "lib.fln"});
  box.makeFolder("a");
  WriteFile(box.path("a/alpha.pdf"), testsupport::TextPdf({"moving words"}));
  box.mustRun({"import", "lib.fln", "a"});
  box.mustRun({"index", "lib.fln"});
  box.makeFolder("elsewhere");
  ASSERT_TRUE(QFile::rename(QString::fromStdString(box.path("lib.fln")),
                            QString::fromStdString(box.path("elsewhere/moved.fln"))));
  // Nothing left to index: the moved library's index is the one it had.
  const CliOutcome outcome = box.mustRun({"index", "elsewhere/moved.fln"});
  EXPECT_EQ(outcome.out, "1 entries indexed: 1 with text, 0 without text, 0 locked, 0 unreadable; 1 pages\n");
  EXPECT_EQ(QDir(QString::fromStdString(box.path("cache/FOLIAN"))).entryList({"*.fulltext"}).size(), 1);

  // Another library has an index of its own.
  box.mustRun({"new", "other.fln"});
  box.mustRun({"index", "other.fln"});
  EXPECT_EQ(QDir(QString::fromStdString(box.path("cache/FOLIAN"))).entryList({"*.fulltext"}).size(), 2);
}

}  // namespace
}  // namespace clitest
