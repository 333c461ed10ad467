// A transfer whose library file the disk refuses says why: its result carries
// the kind of the failure and the system's error, so that the window and
// folian-cli name the reason (a full disk, an I/O error) rather than only
// that the library was not saved.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "TestFiles.h"
#include "TransferTestSupport.h"
#include "categories/EntryQuery.h"
#include "format/CategoryNames.h"
#include "library/FlnResult.h"
#include "storage/FileIo.h"
#include "transfer/LibraryMerge.h"
#include "transfer/PdfDelete.h"
#include "transfer/PdfImport.h"

namespace {

using namespace transfertest;

class TransferSaveReason : public SandboxLibraryTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(SandboxLibraryTest::SetUp());
    for (const char* folder : {"mine", "more", "theirs"}) box_.makeFolder(folder);
    box_.writePdf("mine/a.pdf", 1500, 1);
    box_.writePdf("mine/b.pdf", 2500, 2);
    box_.writePdf("more/c.pdf", 3500, 3);
    box_.writePdf("theirs/d.pdf", 4500, 4);
    ASSERT_EQ(ImportPDFFiles(&library_.data, box_.path("mine").c_str(), nullptr, "Alpha", "", "").imported, 2);
    Library other;
    ASSERT_NO_FATAL_FAILURE(CreateAndLoad(otherPath_, &other));
    ASSERT_EQ(ImportPDFFiles(&other.data, box_.path("theirs").c_str(), nullptr, "Beta", "", "").imported, 1);
  }

  std::string otherPath_ = box_.path("other.fln");
};

TEST_F(TransferSaveReason, EachTransferCarriesTheKindAndTheSystemsErrorOfItsFailedWrite) {
  const struct {
    int error;
    FlnStatus kind;
  } faults[] = {
      {ENOSPC, FlnStatus::NoSpace},
      {EDQUOT, FlnStatus::NoSpace},
      {EIO, FlnStatus::WriteFailed},
      {EACCES, FlnStatus::WriteFailed},
  };
  const struct {
    const char* what;
    std::function<FlnResult(FLN_DATA*)> run;
  } transfers[] = {
      {"import", [&](FLN_DATA* data) {
         return ImportPDFFiles(data, box_.path("more").c_str(), nullptr, "Gamma", "", "").save;
       }},
      {"merge", [&](FLN_DATA* data) { return MergeLibraryFile(data, otherPath_.c_str()).merged.save; }},
      {"delete", [](FLN_DATA* data) {
         // The entry list shows every entry, as after choosing all categories.
         EXPECT_EQ(QueryEntryRows(kCategoryAll, kCategoryAll, kCategoryAll, data->entry, data->shownRows), 0);
         return DeletePDFEntries(data, {0}, nullptr).save;
       }},
  };
  const std::vector<uint8_t> before = readAll(libraryPath_);
  for (const auto& fault : faults) {
    for (const auto& transfer : transfers) {
      SCOPED_TRACE(std::string(transfer.what) + ", " + std::strerror(fault.error));
      Library library;
      ASSERT_NO_FATAL_FAILURE(Load(libraryPath_, &library));
      FileFaults::failWrite(1, FileFaults::Kind::FromThenOn, fault.error);
      const FlnResult save = transfer.run(&library.data);
      FileFaults::reset();
      EXPECT_EQ(save.status, fault.kind) << save.reason;
      EXPECT_EQ(save.systemError, fault.error) << save.reason;
      EXPECT_NE(save.reason.find(std::strerror(fault.error)), std::string::npos) << save.reason;
      EXPECT_EQ(readAll(libraryPath_), before);
    }
  }
}

// The import's PDF that could not be stored names the same reason.
TEST_F(TransferSaveReason, APdfThatCannotBeStoredNamesTheSystemsError) {
  FileFaults::failWrite(1, FileFaults::Kind::FromThenOn, ENOSPC);
  const ImportResult result = ImportPDFFiles(&library_.data, box_.path("more").c_str(), nullptr, "Gamma", "", "");
  FileFaults::reset();
  EXPECT_EQ(result.imported, 0);
  ASSERT_EQ(result.failures.size(), 1u);
  EXPECT_EQ(result.failures[0].reason, ImportFailureReason::StoreFailed);
  EXPECT_EQ(result.failures[0].error, ENOSPC);
  EXPECT_EQ(result.save.status, FlnStatus::NoSpace) << result.save.reason;
}

}  // namespace
