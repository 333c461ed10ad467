// new, import, list and categories together: what goes in comes out.

#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <map>

#include "CliTestSupport.h"
#include "TestFiles.h"
#include "TextPdf.h"
#include "library/FlnNewLibrary.h"
#include "format/FlnRecords.h"

namespace {

using clitest::CliOutcome;
using clitest::CliSandbox;
using clitest::TabRows;

struct ImportedPdf {
  std::string relative;  // below the sandbox
  std::string name;      // as the entry shows it (escaped for a tab-separated line)
  int size;
  std::string cat1, cat2, cat3;
};

TEST(CliImport, TitlesComeFromThePdfsOwnInformationUnlessAskedNotTo) {
  CliSandbox sandbox;
  sandbox.mustRun({"new", "lib.fln"});
  const struct {
    const char* file;
    std::string info;
  } pdfs[] = {
      {"in/titled.pdf", "<< /Title <FEFF65E5672C8A9E306E8AD66587> /Author (Jane Doe) >>"},
      {"in/word.pdf", "<< /Title (Microsoft Word - word.doc) >>"},
      {"in/bare.pdf", ""},
  };
  QDir().mkpath(QString::fromStdString(sandbox.path("in")));
  for (const auto& pdf : pdfs) {
    QFile file(QString::fromStdString(sandbox.path(pdf.file)));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray::fromStdString(testsupport::TextPdf({pdf.file}, {pdf.info, ""})));
  }
  const struct {
    std::vector<std::string> options;
    std::vector<std::string> titles;  // sorted
  } cases[] = {
      {{}, {"bare.pdf", "word.pdf", "日本語の論文"}},
      {{"--title-from-file-name"}, {"bare.pdf", "titled.pdf", "word.pdf"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options.empty() ? "from the PDF" : c.options[0]);
    sandbox.mustRun({"new", "fresh.fln"});
    std::vector<std::string> args = {"import", "fresh.fln", "in"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    EXPECT_EQ(sandbox.mustRun(args).out, "imported 3 of 3 files\n");
    std::vector<std::string> titles = clitest::Column(TabRows(sandbox.mustRun({"list", "fresh.fln"}).out), 1);
    std::sort(titles.begin(), titles.end());
    EXPECT_EQ(titles, c.titles);
    QFile::remove(QString::fromStdString(sandbox.path("fresh.fln")));
  }

  // Imported by file names, then titled from the PDFs afterwards: only the
  // entry whose PDF names a plausible title changes.
  sandbox.mustRun({"new", "later.fln"});
  sandbox.mustRun({"import", "later.fln", "in", "--title-from-file-name"});
  const auto rows = TabRows(sandbox.mustRun({"list", "later.fln"}).out);
  std::vector<std::string> args = {"titles-from-pdf", "later.fln"};
  std::string titledId;
  for (const auto& row : rows) {
    args.push_back(row[0]);
    if (row[1] == "titled.pdf") titledId = row[0];
  }
  EXPECT_EQ(sandbox.mustRun(args).out, titledId + "\t日本語の論文\n");
  std::vector<std::string> titles = clitest::Column(TabRows(sandbox.mustRun({"list", "later.fln"}).out), 1);
  std::sort(titles.begin(), titles.end());
  EXPECT_EQ(titles, (std::vector<std::string>{"bare.pdf", "word.pdf", "日本語の論文"}));
  // Done again, nothing changes.
  EXPECT_EQ(sandbox.mustRun(args).out, "");
}

TEST(CliNewImportList, WhatIsImportedIsListedAndExportedBack) {
  CliSandbox sandbox;
  sandbox.mustRun({"new", "lib.fln"});
  EXPECT_EQ(sandbox.mustRun({"categories", "lib.fln"}).out, "分類１\t分類２\t分類３\nその他\tその他\tその他\n");

  const ImportedPdf pdfs[] = {
      {"papers/a.pdf", "a.pdf", 1200, "論文", "2024", "その他"},
      {"papers/deeper/日本語.pdf", "日本語.pdf", 2500, "論文", "2024", "その他"},
      {"papers/tab\there.pdf", "tab\\there.pdf", 700, "論文", "2024", "その他"},
      {"papers/back\\slash.pdf", "back\\\\slash.pdf", 900, "論文", "2024", "その他"},
      {"single.pdf", "single.pdf", 3100, "その他", "その他", "その他"},
  };
  std::map<std::string, std::vector<uint8_t>> bytesByName;
  int seed = 0;
  for (const ImportedPdf& pdf : pdfs) bytesByName[pdf.name] = sandbox.writePdf(pdf.relative, pdf.size, ++seed);
  sandbox.writePdf("papers/not-a-pdf.txt", 100, 99);  // only ".pdf" files are imported

  const CliOutcome folder = sandbox.run({"import", "lib.fln", "papers", "--cat1", "論文", "--cat2=2024"});
  EXPECT_EQ(folder.exitCode, 0) << folder.err;
  EXPECT_EQ(folder.out, "imported 4 of 4 files\n");
  EXPECT_EQ(folder.err, "");
  EXPECT_EQ(sandbox.mustRun({"import", "lib.fln", "single.pdf"}).out, "imported 1 of 1 files\n");

  const auto rows = TabRows(sandbox.mustRun({"list", "lib.fln"}).out);
  ASSERT_EQ(rows.size(), 5u);
  std::vector<std::string> ids;
  for (const auto& row : rows) {
    ASSERT_EQ(row.size(), 8u);
    const auto pdf = std::find_if(std::begin(pdfs), std::end(pdfs),
                                  [&](const ImportedPdf& p) { return p.name == row[5]; });
    ASSERT_NE(pdf, std::end(pdfs)) << row[5];
    SCOPED_TRACE(pdf->relative);
    EXPECT_EQ(row[1], pdf->name) << "the title is the file name";
    EXPECT_EQ(row[2], pdf->cat1);
    EXPECT_EQ(row[3], pdf->cat2);
    EXPECT_EQ(row[4], pdf->cat3);
    EXPECT_EQ(row[6], std::to_string(pdf->size));
    EXPECT_EQ(row[7].size(), 17u);
    EXPECT_TRUE(std::all_of(row[7].begin(), row[7].end(), ::isdigit)) << row[7];
    ids.push_back(row[0]);
  }
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(ids, (std::vector<std::string>{"0", "1", "2", "3", "4"}));
  // Stored order sorted by title (the default keys): the tab-named one last,
  // after "single.pdf", as UTF-8 byte order puts "t" after "s".
  EXPECT_EQ(clitest::Column(rows, 1),
            (std::vector<std::string>{"a.pdf", "back\\\\slash.pdf", "single.pdf", "tab\\there.pdf", "日本語.pdf"}));

  EXPECT_EQ(sandbox.mustRun({"categories", "lib.fln"}).out,
            "分類１\t分類２\t分類３\nその他\tその他\tその他\n論文\t2024\tその他\n");

  // Every PDF comes back byte for byte.
  sandbox.makeFolder("out");
  std::vector<std::string> exportArgs = {"export", "lib.fln", "out"};
  exportArgs.insert(exportArgs.end(), ids.begin(), ids.end());
  const auto exported = TabRows(sandbox.mustRun(exportArgs).out);
  ASSERT_EQ(exported.size(), 5u);
  for (const auto& row : exported) {
    ASSERT_EQ(row.size(), 2u);
    const auto listed = std::find_if(rows.begin(), rows.end(), [&](const auto& r) { return r[0] == row[0]; });
    ASSERT_NE(listed, rows.end()) << row[0];
    const std::string path = clitest::UnescapeField(row[1]);
    EXPECT_EQ(readAll(sandbox.path(path)), bytesByName[(*listed)[5]]) << path;
  }

  EXPECT_NE(sandbox.mustRun({"check", "lib.fln"}).out.find("\nno damage found\n"), std::string::npos);
  // No panel chose a folder: the user's preference file stays untouched.
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(sandbox.path("config/FOLIAN"))));
}

TEST(CliNew, MakesTheLibraryTheApplicationMakes) {
  CliSandbox sandbox;
  sandbox.mustRun({"new", "cli.fln"});
  ASSERT_TRUE(CreateNewLibraryFile(sandbox.path("app.fln").c_str()).ok());
  const std::vector<uint8_t> cli = readAll(sandbox.path("cli.fln"));
  const std::vector<uint8_t> app = readAll(sandbox.path("app.fln"));
  ASSERT_EQ(cli.size(), app.size());
  // The same bytes but for the 17 digits of each creation date.
  size_t differing = 0;
  for (size_t i = 0; i < cli.size(); ++i)
    if (cli[i] != app[i]) {
      EXPECT_TRUE(isdigit(cli[i]) && isdigit(app[i])) << "byte " << i;
      ++differing;
    }
  EXPECT_LE(differing, cli.size() / 10);
}

TEST(CliNew, NeverReplacesAFile) {
  CliSandbox sandbox;
  const std::vector<uint8_t> text = {'k', 'e', 'e', 'p'};
  writeAll(sandbox.path("taken.fln"), text);
  const CliOutcome outcome = sandbox.run({"new", "taken.fln"});
  EXPECT_EQ(outcome.exitCode, 1);
  EXPECT_EQ(outcome.err, "folian-cli: taken.fln: a file of that name exists already; a new library never replaces it\n");
  EXPECT_EQ(readAll(sandbox.path("taken.fln")), text);

  const CliOutcome noFolder = sandbox.run({"new", "missing/lib.fln"});
  EXPECT_EQ(noFolder.exitCode, 1);
  EXPECT_EQ(noFolder.err.rfind("folian-cli: missing/lib.fln: ", 0), 0u) << noFolder.err;
}

// A name as long as the file system allows: the library is written under a
// temporary name beside it first, and that name must fit the limit as well.
TEST(CliNew, MakesALibraryWithANameAsLongAsTheSystemAllows) {
  CliSandbox sandbox;
  std::string kanji;
  for (int i = 0; i < 83; ++i) kanji += "字";
  const std::string names[] = {std::string(246, 'n') + ".fln", std::string(251, 'm') + ".fln",
                               kanji + ".fln",  // 249 + 4 bytes
                               kanji + "ab.fln"};
  for (const std::string& name : names) {
    SCOPED_TRACE(std::to_string(name.size()) + " bytes");
    ASSERT_LE(name.size(), 255u);
    const CliOutcome created = sandbox.run({"new", name});
    EXPECT_EQ(created.exitCode, 0) << created.err;
    EXPECT_EQ(created.err, "");
    sandbox.writePdf("in/one.pdf", 300, 1);
    EXPECT_EQ(sandbox.run({"import", name, "in"}).exitCode, 0);
    EXPECT_EQ(TabRows(sandbox.mustRun({"list", name}).out).size(), 1u);
  }
  // Nothing but the libraries and the PDF's folder is left behind.
  QStringList left = QDir(QString::fromStdString(sandbox.path(""))).entryList(QDir::Files | QDir::Hidden);
  EXPECT_EQ(left.size(), 4) << left.join(QLatin1Char(' ')).toStdString();
}

// Text given on the command line, read from a metadata text file or taken
// from a file name reaches the library unaltered, or is refused with a message.
TEST(CliImport, TextThatIsNotUtf8IsRefusedOrReported) {
  CliSandbox sandbox;
  sandbox.mustRun({"new", "lib.fln"});
  sandbox.writePdf("in/good.pdf", 500, 1);
  const std::vector<uint8_t> empty = readAll(sandbox.path("lib.fln"));

  const struct {
    std::vector<std::string> args;
    std::string error;
  } refused[] = {
      {{"import", "lib.fln", "in", "--cat1", "caf\xe9"}, "option '--cat1': the value is not UTF-8 text"},
      {{"import", "lib.fln", "in", "--cat3=\xff"}, "option '--cat3': the value is not UTF-8 text"},
      {{"list", "lib.fln", "--cat2", "\xe5\xad"}, "option '--cat2': the value is not UTF-8 text"},
      {{"list", "lib.fln", "--sort", "title\xff"}, "option '--sort': the value is not UTF-8 text"},
  };
  for (const auto& r : refused) {
    SCOPED_TRACE(r.error);
    const CliOutcome outcome = sandbox.runBytes(r.args);
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_EQ(outcome.err.rfind("folian-cli: " + r.error + "\n", 0), 0u) << outcome.err;
    EXPECT_EQ(readAll(sandbox.path("lib.fln")), empty);
  }

  sandbox.writePdf("in/bad.pdf", 600, 2);
  const std::string flx = "\n[fln_version] 0090\n[en_id] 1\n[en_file_name] bad.pdf\n[en_title] caf\xe9\n";
  writeAll(sandbox.path("in/bad.flx"), std::vector<uint8_t>(flx.begin(), flx.end()));
  sandbox.writePdf("in/x.pdf", 700, 3);
  ASSERT_EQ(rename(sandbox.path("in/x.pdf").c_str(), sandbox.path("in/caf\xe9.pdf").c_str()), 0);

  const CliOutcome outcome = sandbox.run({"import", "lib.fln", "in"});
  EXPECT_EQ(outcome.exitCode, 1);
  EXPECT_EQ(outcome.out, "imported 2 of 3 files\n");
  EXPECT_EQ(outcome.err, "folian-cli: " + sandbox.path("in/bad.pdf") +
                             ": its metadata text file (.flx) is not UTF-8 text\n"
                             "folian-cli: " + sandbox.path("in/caf\xe9.pdf") +
                             ": the name is not UTF-8; imported as " + sandbox.path("in/caf\xEF\xBF\xBD.pdf") + "\n");
  std::vector<std::string> names = clitest::Column(TabRows(sandbox.mustRun({"list", "lib.fln"}).out), 5);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"caf\xEF\xBF\xBD.pdf", "good.pdf"}));
}

// In a library whose counters are behind the identifiers its records hold, an
// import still gives the new entry identifiers of its own, and stores the
// counters caught up.
TEST(CliImport, CountersBehindTheStoredIdentifiersCatchUp) {
  CliSandbox sandbox;
  sandbox.mustRun({"new", "lib.fln"});
  sandbox.writePdf("in/a.pdf", 300, 1);
  sandbox.writePdf("in/b.pdf", 400, 2);
  sandbox.mustRun({"import", "lib.fln", "in"});
  const std::string library = sandbox.path("lib.fln");
  constexpr uint64_t kNextIdInRecord = 36 + 72;  // item record, then ic_id, tag and key
  for (const char* key : {"en_id", "at_id"})
    pokeU32LE(library, static_cast<uint64_t>(clitest::MemberOffset(library, kTagIdCounter,
                                                                   clitest::MemberIndexOfCounter(library, key))) +
                           kNextIdInRecord,
              0);
  const CliOutcome damaged = sandbox.run({"check", "lib.fln"});
  EXPECT_NE(damaged.out.find("damage: the stored en_id counter stands at 0, but identifiers up to 1 are in use"),
            std::string::npos)
      << damaged.out;

  sandbox.writePdf("more/c.pdf", 500, 3);
  sandbox.mustRun({"import", "lib.fln", "more"});
  const auto rows = TabRows(sandbox.mustRun({"list", "lib.fln", "--sort", "title"}).out);
  EXPECT_EQ(clitest::Column(rows, 0), (std::vector<std::string>{"0", "1", "2"}));
  EXPECT_EQ(clitest::Column(rows, 5), (std::vector<std::string>{"a.pdf", "b.pdf", "c.pdf"}));
  EXPECT_NE(sandbox.mustRun({"check", "lib.fln"}).out.find("no damage found"), std::string::npos);

  sandbox.makeFolder("out");
  sandbox.mustRun({"export", "lib.fln", "out", "2"});
  EXPECT_EQ(readAll(sandbox.path("out/c.pdf")), readAll(sandbox.path("more/c.pdf")));
}

TEST(CliImport, FailedFilesAreListedAndTheOthersImported) {
  CliSandbox sandbox;
  sandbox.mustRun({"new", "lib.fln"});
  sandbox.writePdf("in/good.pdf", 500, 1);
  ASSERT_EQ(symlink("nowhere.pdf", sandbox.path("in/dangling.pdf").c_str()), 0);

  const CliOutcome outcome = sandbox.run({"import", "lib.fln", "in"});
  EXPECT_EQ(outcome.exitCode, 1);
  EXPECT_EQ(outcome.out, "imported 1 of 2 files\n");
  EXPECT_EQ(outcome.err,
            "folian-cli: " + sandbox.path("in/dangling.pdf") + ": file cannot be read: No such file or directory\n");
  EXPECT_EQ(clitest::Column(TabRows(sandbox.mustRun({"list", "lib.fln"}).out), 5),
            std::vector<std::string>{"good.pdf"});

  const CliOutcome missing = sandbox.run({"import", "lib.fln", "absent.pdf"});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.out, "imported 0 of 1 files\n");
  EXPECT_NE(missing.err.find("absent.pdf: file cannot be read"), std::string::npos) << missing.err;
  EXPECT_EQ(TabRows(sandbox.mustRun({"list", "lib.fln"}).out).size(), 1u);
}

TEST(CliImport, TakesEveryCaseOfTheExtensionAndNamesWhatIsNoPdf) {
  CliSandbox sandbox;
  sandbox.mustRun({"new", "lib.fln"});
  const int sizes[] = {500, 600, 700};
  const char* const pdfs[] = {"in/lower.pdf", "in/upper.PDF", "in/mixed.pDf"};
  for (int i = 0; i < 3; ++i) sandbox.writePdf(pdfs[i], sizes[i], i + 1);
  writeAll(sandbox.path("in/notes.Pdf"), {'n', 'o', 't', 'e', 's', '\n'});
  writeAll(sandbox.path("in/empty.pdf"), {});

  const CliOutcome outcome = sandbox.run({"import", "lib.fln", "in"});
  EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
  EXPECT_EQ(outcome.out, "imported 5 of 5 files\n");
  // One line per file that is no PDF, whatever order the folder lists them in.
  std::vector<std::string> lines;
  for (size_t start = 0, end; (end = outcome.err.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(outcome.err.substr(start, end - start));
  std::sort(lines.begin(), lines.end());
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "folian-cli: " + sandbox.path("in/empty.pdf") + ": not a PDF (imported as asked)",
                       "folian-cli: " + sandbox.path("in/notes.Pdf") + ": not a PDF (imported as asked)"}));
  std::vector<std::string> names = clitest::Column(TabRows(sandbox.mustRun({"list", "lib.fln"}).out), 5);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"empty.pdf", "lower.pdf", "mixed.pDf", "notes.Pdf", "upper.PDF"}));
}

// Runs folian-cli on a pseudo-terminal and returns all it wrote there.
std::string RunOnTerminal(const CliSandbox& sandbox, const std::vector<std::string>& args, int* exitCode) {
  int master = -1;
  const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
  if (pid == 0) {
    if (chdir(sandbox.path("").c_str()) != 0) _exit(126);
    std::vector<char*> argv = {const_cast<char*>("folian-cli")};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(FOLIAN_CLI_PATH, argv.data());
    _exit(127);
  }
  EXPECT_GT(pid, 0);
  std::string output;
  char buffer[4096];
  for (ssize_t got; (got = read(master, buffer, sizeof buffer)) > 0;) output.append(buffer, static_cast<size_t>(got));
  close(master);
  int status = 0;
  waitpid(pid, &status, 0);
  *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return output;
}

TEST(CliImport, DrawsAProgressLineOnlyOnATerminal) {
  CliSandbox sandbox;
  sandbox.mustRun({"new", "piped.fln"});
  sandbox.mustRun({"new", "terminal.fln"});
  sandbox.writePdf("in/one.pdf", 400, 1);
  sandbox.writePdf("in/two.pdf", 400, 2);

  EXPECT_EQ(sandbox.mustRun({"import", "piped.fln", "in"}).out, "imported 2 of 2 files\n");

  int exitCode = -1;
  const std::string screen = RunOnTerminal(sandbox, {"import", "terminal.fln", "in"}, &exitCode);
  EXPECT_EQ(exitCode, 0) << screen;
  // The bar before each file, then full, then the summary on its own line.
  EXPECT_NE(screen.find("\r[                    ] 0/2  "), std::string::npos) << screen;
  EXPECT_NE(screen.find("\r[##########          ] 1/2  "), std::string::npos) << screen;
  EXPECT_NE(screen.find("\r[####################] 2/2  \033[K\r\nimported 2 of 2 files\r\n"), std::string::npos)
      << screen;
  EXPECT_NE(screen.find("one.pdf"), std::string::npos);
  EXPECT_NE(screen.find("two.pdf"), std::string::npos);
}

}  // namespace
