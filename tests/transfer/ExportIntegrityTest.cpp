// Export hands out a PDF only when it is the one stored, and copies it in
// bounded pieces.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "library/FlnLoad.h"
#include "ContainerContents.h"
#include "TransferTestSupport.h"
#include "library/FlnAttachment.h"
#include "format/Endian.h"
#include "transfer/PdfExport.h"
#include "transfer/PdfOpenCopy.h"
#include "transfer/PdfImport.h"
#include "library/FlnLoad.h"

namespace {

using namespace transfertest;

class ExportIntegrityTest : public SandboxLibraryTest {
 protected:
  // Imports PDFs of these sizes (named p0.pdf, p1.pdf, ...) and lists every entry.
  void ImportSizes(const std::vector<int>& sizes) {
    box_.makeFolder("in");
    for (size_t i = 0; i < sizes.size(); ++i)
      pdfs_.push_back(box_.writePdf("in/p" + std::to_string(i) + ".pdf", sizes[i], static_cast<int>(i) + 1));
    ASSERT_EQ(ImportPDFFiles(&library_.data, box_.path("in").c_str(), nullptr, "", "", "").imported,
              static_cast<int32_t>(sizes.size()));
  }
  // The row of the entry imported from p<i>.pdf.
  int RowOf(size_t i) {
    for (int32_t row = 0; row < static_cast<int32_t>(library_.data.shownRows.size()); ++row) {
      FLN_ENTRY e;
      EXPECT_EQ(GetFLNEntry_ByFLNData(&library_.data, row, &e), 1);
      if (FIELD_TEXT(e, en_file_name) == "p" + std::to_string(i) + ".pdf") return row;
    }
    ADD_FAILURE() << "no entry of p" << i;
    return -1;
  }
  // Flips one byte of the `index`-th stored PDF in the library file.
  void FlipStoredByte(int index, int at) {
    ZEL_FILE file;
    ASSERT_EQ(ZEL_Open(libraryPath_.c_str(), 1, &file), ZEL_OK);
    AttachmentDataReader reader(&file);
    ASSERT_GT(reader.seek(index), at);
    const uint64_t offset = file.current.position + zel::kRecordSize + static_cast<uint64_t>(at);
    ZEL_Close(&file);
    std::vector<uint8_t> bytes = readAll(libraryPath_);
    bytes[offset] ^= 0x04;
    writeAll(libraryPath_, bytes);
  }

  std::vector<QByteArray> pdfs_;
};

TEST_F(ExportIntegrityTest, APdfDifferentFromItsDigestIsNotExportedAndTheOthersAre) {
  ImportSizes({1000, 2000, 3000});
  FlipStoredByte(1, 500);
  box_.makeFolder("out");
  const ExportResult r = ExportPDFFiles(&library_.data, box_.path("out").c_str(), {RowOf(0), RowOf(1), RowOf(2)});
  ASSERT_EQ(r.problems.size(), 1u);
  EXPECT_EQ(r.problems[0].kind, ExportProblemKind::NoPdf);
  EXPECT_EQ(r.problems[0].pdf, PdfFault::DigestMismatch);
  ASSERT_EQ(r.exported.size(), 2u);
  std::vector<std::string> expectedNames;
  for (const ExportedFile& f : r.exported) {
    EXPECT_NE(f.row, r.problems[0].row);
    const std::string name = f.pdfPath.substr(f.pdfPath.rfind('/') + 1);
    const size_t i = static_cast<size_t>(name[1] - '0');  // "p<i>.pdf"
    const std::vector<uint8_t> out = readAll(f.pdfPath);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(out.data()), static_cast<qsizetype>(out.size())), pdfs_[i])
        << f.pdfPath;
    expectedNames.push_back("p" + std::to_string(i) + ".flx");
    expectedNames.push_back(name);
  }
  // Nothing of the damaged one is left behind, not even a temporary file.
  std::sort(expectedNames.begin(), expectedNames.end());
  EXPECT_EQ(FolderNames(box_.path("out")), expectedNames);
}

TEST_F(ExportIntegrityTest, WithoutADigestALengthOtherThanTheEntrysFileSizeIsRefused) {
  ImportSizes({1000, 2000});
  SetMembers(libraryPath_, kTagAttachmentHash, {});
  // The entry of p1 claims one byte more than its PDF has, as after a cut.
  FLN_ENTRY e;
  EXPECT_EQ(GetFLNEntry_ByFLNData(&library_.data, RowOf(1), &e), 1);
  e.en_file_size = ZEL_EndianLong_NtoL(2001);
  Tesk_Ary_Update(library_.data.entry, ShownEntryIndex(library_.data, RowOf(1)), &e);
  box_.makeFolder("out");
  const ExportResult r = ExportPDFFiles(&library_.data, box_.path("out").c_str(), {RowOf(0), RowOf(1)});
  ASSERT_EQ(r.problems.size(), 1u);
  EXPECT_EQ(r.problems[0].pdf, PdfFault::SizeMismatch);
  EXPECT_EQ(r.exported.size(), 1u);
}

TEST_F(ExportIntegrityTest, APdfLargerThanOnePieceIsExportedWhole) {
  const int size = static_cast<int>(kPdfPieceSize) * 2 + 12345;
  ImportSizes({size});
  box_.makeFolder("out");
  const ExportResult r = ExportPDFFiles(&library_.data, box_.path("out").c_str(), {RowOf(0)});
  ASSERT_EQ(r.exported.size(), 1u);
  const std::vector<uint8_t> out = readAll(r.exported[0].pdfPath);
  EXPECT_TRUE(QByteArray(reinterpret_cast<const char*>(out.data()), static_cast<qsizetype>(out.size())) == pdfs_[0]);
}

TEST_F(ExportIntegrityTest, CopiesForOpeningAreTheStoredPdfsReadOnlyAndLeaveTheLibraryAlone) {
  ImportSizes({1000, 2000, 3000});
  // Two more entries named like earlier ones, stored after them; the last one damaged.
  box_.makeFolder("again");
  pdfs_.push_back(box_.writePdf("again/p0.pdf", 1500, 9));
  const QByteArray damaged = box_.writePdf("again/p2.pdf", 1700, 10);
  for (const char* name : {"again/p0.pdf", "again/p2.pdf"})
    ASSERT_EQ(ImportPDFFiles(&library_.data, box_.path(name).c_str(), nullptr, "", "", "").imported, 1) << name;
  FlipStoredByte(4, 500);
  const std::vector<uint8_t> libraryBefore = readAll(libraryPath_);
  box_.makeFolder("hand");

  std::vector<int> rows;
  int damagedRow = -1;
  for (int32_t row = 0; row < static_cast<int32_t>(library_.data.shownRows.size()); ++row) {
    rows.push_back(row);
    FLN_ENTRY e;
    EXPECT_EQ(GetFLNEntry_ByFLNData(&library_.data, row, &e), 1);
    if (FIELD_TEXT(e, en_file_path) == box_.path("again/p2.pdf")) damagedRow = row;
  }
  const OpenCopyResult r = WritePdfCopiesForOpening(&library_.data, box_.path("hand"), rows);

  ASSERT_EQ(r.problems.size(), 1u);
  EXPECT_EQ(r.problems[0].row, damagedRow);
  EXPECT_EQ(r.problems[0].kind, ExportProblemKind::NoPdf);
  EXPECT_EQ(r.problems[0].pdf, PdfFault::DigestMismatch);
  ASSERT_EQ(r.paths.size(), 4u);
  // One new folder for the call; the two p0 entries get p0.pdf and p0-1.pdf.
  const std::vector<std::string> made = FolderNames(box_.path("hand"));
  ASSERT_EQ(made.size(), 1u);
  const std::string folder = box_.path("hand") + "/" + made[0];
  EXPECT_EQ(FolderNames(folder), (std::vector<std::string>{"p0-1.pdf", "p0.pdf", "p1.pdf", "p2.pdf"}));
  std::vector<QByteArray> copied;
  for (const std::string& path : r.paths) {
    EXPECT_EQ(path.substr(0, folder.size() + 1), folder + "/");
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0) << path;
    EXPECT_EQ(st.st_mode & 0777, 0400u) << path;
    const std::vector<uint8_t> out = readAll(path);
    copied.emplace_back(reinterpret_cast<const char*>(out.data()), static_cast<qsizetype>(out.size()));
  }
  for (size_t i = 0; i < pdfs_.size(); ++i)
    EXPECT_NE(std::find(copied.begin(), copied.end(), pdfs_[i]), copied.end()) << "pdf " << i;
  EXPECT_EQ(std::find(copied.begin(), copied.end(), damaged), copied.end());
  EXPECT_EQ(readAll(libraryPath_), libraryBefore);

  // A second call never meets the first one's names.
  const OpenCopyResult again = WritePdfCopiesForOpening(&library_.data, box_.path("hand"), {RowOf(1)});
  ASSERT_EQ(again.paths.size(), 1u);
  EXPECT_EQ(again.paths[0].substr(again.paths[0].rfind('/')), "/p1.pdf");
  EXPECT_EQ(FolderNames(box_.path("hand")).size(), 2u);
  EXPECT_TRUE(WritePdfCopiesForOpening(&library_.data, box_.path("hand"), {}).paths.empty());
  EXPECT_EQ(FolderNames(box_.path("hand")).size(), 2u);
}

TEST_F(ExportIntegrityTest, CopiesForOpeningIntoAFolderThatCannotBeWrittenAreReported) {
  ImportSizes({1000});
  const OpenCopyResult r = WritePdfCopiesForOpening(&library_.data, box_.path("missing"), {0});
  EXPECT_TRUE(r.paths.empty());
  ASSERT_EQ(r.problems.size(), 1u);
  EXPECT_EQ(r.problems[0].kind, ExportProblemKind::WriteFailed);
  EXPECT_EQ(r.problems[0].error, ENOENT);
}

}  // namespace
