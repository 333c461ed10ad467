#include "transfer/PdfExport.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <algorithm>
#include <csignal>
#include <cstring>

#include "FlxTestEntry.h"
#include "TransferTestSupport.h"
#include "library/FlnSave.h"
#include "format/Endian.h"
#include "transfer/ExportName.h"
#include "transfer/FlxReader.h"
#include "transfer/PdfImport.h"
#include "library/FlnLoad.h"

namespace {

using namespace transfertest;

TEST(ExportNameTest, BaseNameIsOnePlainNameCutBeforeItsLastDot) {
  std::string aa;
  for (int i = 0; i < 50; ++i) aa += "あ";
  struct Case {
    std::string fileName;
    std::string base;
  };
  const Case cases[] = {
      {"paper.pdf", "paper"},
      {"report.final.pdf", "report.final"},
      {"README", "README"},  // no "." at all: the whole name
      {"trailing.", "trailing"},
      {"../x.pdf", "_x"},
      {"a/b.pdf", "a_b"},
      {"/etc/passwd.pdf", "_etc_passwd"},
      {"..", "untitled"},
      {".pdf", "pdf"},
      {"", "untitled"},
      {std::string(130, 'a') + ".pdf", std::string(127, 'a')},
      {aa + ".pdf", aa.substr(0, 42 * 3)},  // 127 bytes would end inside the 43rd character
  };
  for (const Case& c : cases) EXPECT_EQ(ExportBaseName(c.fileName), c.base) << c.fileName;
}

TEST(ExportNameTest, PdfPathIsNumberedAndFitsInto511Bytes) {
  const std::string folder500 = "/" + std::string(499, 'f');
  struct Case {
    std::string folder;
    std::string base;
    int number;
    std::string path;
  };
  const Case cases[] = {
      {"/out", "paper", 0, "/out/paper.pdf"},
      {"/out", "paper", 1, "/out/paper-1.pdf"},
      {"/out", "report.final", 12, "/out/report.final-12.pdf"},
      {folder500, "あいう", 0, folder500 + "/あい.pdf"},  // 6 bytes of room
      {folder500, "あいう", 12, folder500 + "/あ-12.pdf"},  // 3 bytes of room
      {folder500, "あいう", 123, ""},                    // 2 bytes: not one character
      {"/" + std::string(506, 'f'), "x", 0, ""},
  };
  for (const Case& c : cases) {
    const std::string path = ExportPdfPath(c.folder, c.base, c.number);
    EXPECT_EQ(path, c.path) << c.base << " " << c.number;
    EXPECT_LE(path.size(), 511u);
  }
}

class PdfExportTest : public SandboxLibraryTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(SandboxLibraryTest::SetUp());
    box_.makeFolder("out");
  }

  // Imports the PDFs (relative path → size) one by one, in this order.
  void ImportFiles(const std::vector<std::pair<std::string, int>>& files) {
    int seed = 0;
    for (const auto& [name, size] : files) {
      const size_t slash = name.rfind('/');
      if (slash != std::string::npos) box_.makeFolder(name.substr(0, slash));
      pdfs_[name] = box_.writePdf(name, size, ++seed);
      const ImportResult r =
          ImportPDFFiles(&library_.data, box_.path(name).c_str(), box_.root().c_str(), "", "", "");
      ASSERT_EQ(r.imported, 1) << name;
    }
  }

  FLN_ENTRY Shown(int32_t row) {
    FLN_ENTRY entry;
    EXPECT_EQ(GetFLNEntry_ByFLNData(&library_.data, row, &entry), 1);
    return entry;
  }

  // Gives the entry of `row` another file name.
  void Rename(int32_t row, const std::string& fileName) {
    FLN_ENTRY entry = Shown(row);
    SET_FIELD_TEXT(entry, en_file_name, fileName);
    ASSERT_EQ(UpdateEntry(library_.data.entry, &entry), 1);
  }

  ExportResult Export(const std::vector<int>& rows) {
    return ExportPDFFiles(&library_.data, box_.path("out").c_str(), rows);
  }

  QByteArray Bytes(const std::string& path) {
    QFile file(QString::fromStdString(path));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path;
    return file.readAll();
  }

  std::map<std::string, QByteArray> pdfs_;
};

TEST_F(PdfExportTest, EntriesOfOneFileNameAreNumberedInRowOrder) {
  ImportFiles({{"a/paper.pdf", 300}, {"b/paper.pdf", 400}, {"c/paper.pdf", 500}});
  // Rows in another order than the PDFs are stored in: names follow the rows.
  std::swap(library_.data.shownRows[0], library_.data.shownRows[2]);

  const ExportResult result = Export({2, 0, 1, 0});
  EXPECT_EQ(result.status, ExportStatus::Completed);
  EXPECT_TRUE(result.problems.empty());
  EXPECT_TRUE(result.save.ok());
  ASSERT_EQ(result.exported.size(), 3u);
  const char* names[] = {"paper", "paper-1", "paper-2"};
  const char* sources[] = {"c/paper.pdf", "b/paper.pdf", "a/paper.pdf"};
  for (int row = 0; row < 3; ++row) {
    const ExportedFile& out = result.exported[static_cast<size_t>(row)];
    EXPECT_EQ(out.row, row);
    EXPECT_EQ(out.pdfPath, box_.path("out/") + names[row] + ".pdf");
    EXPECT_EQ(out.flxPath, box_.path("out/") + names[row] + ".flx");
    EXPECT_EQ(Bytes(out.pdfPath), pdfs_[sources[row]]) << out.pdfPath;
    FLN_ENTRY fromFlx;
    ASSERT_EQ(ReadFLXFile(out.flxPath.c_str(), &fromFlx), 1);
    EXPECT_EQ(FIELD_TEXT(fromFlx, en_file_path), box_.path(sources[row]));
  }
  // Nothing else is left in the folder, temporary files included.
  EXPECT_EQ(FolderNames(box_.path("out")), (std::vector<std::string>{"paper-1.flx", "paper-1.pdf", "paper-2.flx",
                                                                     "paper-2.pdf", "paper.flx", "paper.pdf"}));

  // Exporting the same entry again never replaces what is there.
  const ExportResult again = Export({0});
  ASSERT_EQ(again.exported.size(), 1u);
  EXPECT_EQ(again.exported[0].pdfPath, box_.path("out/paper-3.pdf"));
  EXPECT_EQ(Bytes(box_.path("out/paper.pdf")), pdfs_["c/paper.pdf"]);
}

TEST_F(PdfExportTest, ANameIsFreeOnlyWhenNeitherThePdfNorItsMetadataFileExists) {
  ImportFiles({{"report.final.pdf", 300}});
  box_.writeText("out/report.final.pdf", "mine");
  box_.writeText("out/report.final-1.flx", "stray");
  const ExportResult result = Export({0});
  ASSERT_EQ(result.exported.size(), 1u);
  EXPECT_EQ(result.exported[0].pdfPath, box_.path("out/report.final-2.pdf"));
  EXPECT_EQ(result.exported[0].flxPath, box_.path("out/report.final-2.flx"));
  EXPECT_EQ(Bytes(box_.path("out/report.final.pdf")), "mine");
  EXPECT_EQ(Bytes(box_.path("out/report.final-1.flx")), "stray");
  EXPECT_EQ(FolderNames(box_.path("out")),
            (std::vector<std::string>{"report.final-1.flx", "report.final-2.flx", "report.final-2.pdf",
                                      "report.final.pdf"}));
}

TEST_F(PdfExportTest, TheMetadataFileHasTheExportAsLastUseAndTheEntryBothDatesAfterwards) {
  ImportFiles({{"paper.pdf", 300}});
  clock_.set(ExportTime());
  const ExportResult result = Export({0});
  ASSERT_EQ(result.exported.size(), 1u);

  FLN_ENTRY fromFlx;
  ASSERT_EQ(ReadFLXFile(result.exported[0].flxPath.c_str(), &fromFlx), 1);
  EXPECT_EQ(FIELD_CHARS(fromFlx, en_last_use_date), kExportDate);
  EXPECT_EQ(FIELD_CHARS(fromFlx, en_update_date), kFixedDate);

  Library reloaded;
  Load(libraryPath_, &reloaded);
  ASSERT_EQ(library_.data.shownRows.size(), 1u);
  for (TESK_ARY ary : {library_.data.entry, reloaded.data.entry}) {
    const std::vector<FLN_ENTRY> entries = Entries(ary);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(FIELD_CHARS(entries[0], en_last_use_date), kExportDate);
    EXPECT_EQ(FIELD_CHARS(entries[0], en_update_date), kExportDate);
  }
  // The list shows the entry as written.
  EXPECT_EQ(FIELD_CHARS(Shown(0), en_last_use_date), kExportDate);
}

TEST_F(PdfExportTest, AnEntryWithoutReadablePdfIsReportedAndTheOthersAreExported) {
  ImportFiles({{"a.pdf", 300}, {"b.pdf", 400}, {"c.pdf", 500}, {"d.pdf", 600}});
  // b loses its attachment record, c's points past the stored PDFs.
  std::vector<FLN_ATTACHMENT> attachments = Attachments(library_.data.attachment);
  Tesk_Ary_RemoveAll(library_.data.attachment);
  attachments[2].dataIndex = ZEL_EndianLong_NtoL(99);
  for (size_t i : {0u, 2u, 3u}) Tesk_Ary_Add(library_.data.attachment, &attachments[i]);
  const FLN_ENTRY bBefore = Shown(1);
  clock_.set(ExportTime());

  const ExportResult result = Export({0, 1, 2, 3});
  ASSERT_EQ(result.problems.size(), 2u);
  EXPECT_EQ(result.problems[0].row, 1);
  EXPECT_EQ(result.problems[0].kind, ExportProblemKind::NoPdf);
  EXPECT_EQ(result.problems[0].enId, Host(bBefore.en_id));
  EXPECT_EQ(result.problems[1].row, 2);
  EXPECT_EQ(result.problems[1].kind, ExportProblemKind::NoPdf);
  ASSERT_EQ(result.exported.size(), 2u);
  EXPECT_EQ(Bytes(box_.path("out/a.pdf")), pdfs_["a.pdf"]);
  EXPECT_EQ(Bytes(box_.path("out/d.pdf")), pdfs_["d.pdf"]);
  EXPECT_EQ(FolderNames(box_.path("out")), (std::vector<std::string>{"a.flx", "a.pdf", "d.flx", "d.pdf"}));
  const FLN_ENTRY bAfter = Shown(1);
  EXPECT_EQ(std::memcmp(&bAfter, &bBefore, sizeof bAfter), 0) << "an entry not exported keeps its dates";
  EXPECT_EQ(FIELD_CHARS(Shown(3), en_last_use_date), kExportDate);
}

TEST_F(PdfExportTest, AFileNameNeverLeavesTheChosenFolder) {
  ImportFiles({{"1.pdf", 100}, {"2.pdf", 100}, {"3.pdf", 100}, {"4.pdf", 100}, {"5.pdf", 100}});
  std::string longName;
  for (int i = 0; i < 100; ++i) longName += "あ";
  Rename(0, "../escape.pdf");
  Rename(1, "a/b.pdf");
  Rename(2, "/etc/passwd.pdf");
  Rename(3, longName + ".pdf");
  Rename(4, "README");

  const ExportResult result = Export({0, 1, 2, 3, 4});
  EXPECT_TRUE(result.problems.empty());
  const std::string cut = longName.substr(0, 42 * 3);
  std::vector<std::string> expected = {"_escape.flx", "_escape.pdf", "_etc_passwd.flx", "_etc_passwd.pdf",
                                       "README.flx", "README.pdf",   "a_b.flx",         "a_b.pdf",
                                       cut + ".flx", cut + ".pdf"};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(FolderNames(box_.path("out")), expected);
  EXPECT_FALSE(QFile::exists(QString::fromStdString(box_.path("escape.pdf"))));
  EXPECT_FALSE(QFile::exists(QString::fromStdString(box_.path("out/a"))));
}

TEST_F(PdfExportTest, PdfOnlyWritesTheBytesUnderTheirNamesAndLeavesTheLibraryAsItWas) {
  ImportFiles({{"a/paper.pdf", 300}, {"b/paper.pdf", 400}, {"c.pdf", 500}, {"d.pdf", 600}});
  // d loses its attachment record: reported, the others still go out.
  std::vector<FLN_ATTACHMENT> attachments = Attachments(library_.data.attachment);
  Tesk_Ary_RemoveAll(library_.data.attachment);
  for (size_t i : {0u, 1u, 2u}) Tesk_Ary_Add(library_.data.attachment, &attachments[i]);
  box_.writeText("out/paper.pdf", "mine");
  const QByteArray fileBefore = Bytes(libraryPath_);
  const std::vector<FLN_ENTRY> entriesBefore = Entries(library_.data.entry);
  clock_.set(ExportTime());

  const ExportResult result =
      ExportPDFFiles(&library_.data, box_.path("out").c_str(), {0, 1, 2, 3}, ExportMode::PdfOnly);
  EXPECT_EQ(result.status, ExportStatus::Completed);
  ASSERT_EQ(result.problems.size(), 1u);
  EXPECT_EQ(result.problems[0].row, 3);
  EXPECT_EQ(result.problems[0].kind, ExportProblemKind::NoPdf);
  ASSERT_EQ(result.exported.size(), 3u);
  const struct {
    const char* name;
    const char* source;
  } expected[] = {{"paper-1.pdf", "a/paper.pdf"}, {"paper-2.pdf", "b/paper.pdf"}, {"c.pdf", "c.pdf"}};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(result.exported[i].pdfPath, box_.path("out/") + expected[i].name);
    EXPECT_EQ(result.exported[i].flxPath, "");
    EXPECT_EQ(Bytes(result.exported[i].pdfPath), pdfs_[expected[i].source]) << expected[i].name;
  }
  EXPECT_EQ(Bytes(box_.path("out/paper.pdf")), "mine") << "a file already there is never replaced";
  EXPECT_EQ(FolderNames(box_.path("out")),
            (std::vector<std::string>{"c.pdf", "paper-1.pdf", "paper-2.pdf", "paper.pdf"}));
  // No date stamped, nothing written to the library file.
  const std::vector<FLN_ENTRY> entriesAfter = Entries(library_.data.entry);
  ASSERT_EQ(entriesAfter.size(), entriesBefore.size());
  for (size_t i = 0; i < entriesAfter.size(); ++i)
    EXPECT_EQ(std::memcmp(&entriesAfter[i], &entriesBefore[i], sizeof(FLN_ENTRY)), 0) << i;
  EXPECT_EQ(Bytes(libraryPath_), fileBefore);
}

TEST_F(PdfExportTest, RefusesAFolderThatIsNotThere) {
  ImportFiles({{"paper.pdf", 100}});
  const ExportResult result = ExportPDFFiles(&library_.data, box_.path("missing").c_str(), {0});
  EXPECT_EQ(result.status, ExportStatus::FolderUnusable);
  EXPECT_TRUE(result.exported.empty());
  EXPECT_EQ(FIELD_CHARS(Shown(0), en_last_use_date), "");
}

// A file size limit stands in for a disk that fills up during the export.
TEST_F(PdfExportTest, APdfThatCannotBeWrittenIsReportedAndLeavesNoFileBehind) {
  ImportFiles({{"small.pdf", 500}, {"big.pdf", 50000}, {"other.pdf", 600}});
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit rl{20000, 20000};
    if (setrlimit(RLIMIT_FSIZE, &rl) != 0) _exit(10);
    const ExportResult result = Export({0, 1, 2});
    const bool bigReported = result.problems.size() == 1 && result.problems[0].row == 1 &&
                             result.problems[0].kind == ExportProblemKind::WriteFailed &&
                             result.problems[0].error == EFBIG;
    FLN_ENTRY big = Shown(1);
    const bool bigUnchanged = big.en_last_use_date[0] == '\0';
    _exit((bigReported ? 0 : 1) | (result.exported.size() == 2 ? 0 : 2) | (bigUnchanged ? 0 : 4));
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: big.pdf not reported, 2: others not exported, 4: dates of big changed";
  EXPECT_EQ(FolderNames(box_.path("out")),
            (std::vector<std::string>{"other.flx", "other.pdf", "small.flx", "small.pdf"}));
  EXPECT_EQ(Bytes(box_.path("out/small.pdf")), pdfs_["small.pdf"]);
}

}  // namespace
