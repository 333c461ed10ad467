// The metadata text file beside a PDF is read only when it is a small
// regular file: a pipe never blocks the import, a huge file is refused.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <string>

#include "TransferTestSupport.h"
#include "transfer/FlxWriter.h"
#include "transfer/ImportFileRead.h"
#include "transfer/PdfImport.h"

namespace {

using namespace transfertest;

class ImportSideFileTest : public SandboxLibraryTest {};

TEST_F(ImportSideFileTest, OnlyASmallRegularMetadataFileIsRead) {
  const std::string title(40, 'T');
  FLN_ENTRY written;
  std::memset(&written, 0, sizeof written);
  SET_FIELD_TEXT(written, en_title, title);
  ASSERT_EQ(WriteFLXFile(&written, box_.path("model.flx").c_str()), kFlxWriteOk);
  const std::vector<uint8_t> model = readAll(box_.path("model.flx"));
  const std::string text(model.begin(), model.end());
  const struct {
    const char* name;
    std::function<void(const std::string& flx)> make;
    bool imported;
    ImportFailureReason reason;  // when not imported
  } cases[] = {
      {"no metadata file", [](const std::string&) {}, true, {}},
      {"a small one", [&](const std::string& flx) { writeAll(flx, std::vector<uint8_t>(text.begin(), text.end())); },
       true, {}},
      {"exactly 64 KiB",
       [&](const std::string& flx) {
         std::string padded = text;
         padded.resize(static_cast<size_t>(kFlxMaxSize), '\n');
         writeAll(flx, std::vector<uint8_t>(padded.begin(), padded.end()));
       },
       true, {}},
      {"one byte over 64 KiB",
       [&](const std::string& flx) {
         std::string padded = text;
         padded.resize(static_cast<size_t>(kFlxMaxSize) + 1, '\n');
         writeAll(flx, std::vector<uint8_t>(padded.begin(), padded.end()));
       },
       false, ImportFailureReason::FlxTooLarge},
      {"a named pipe", [](const std::string& flx) { ASSERT_EQ(mkfifo(flx.c_str(), 0600), 0); }, false,
       ImportFailureReason::NotAFile},
      {"a folder", [](const std::string& flx) { ASSERT_EQ(mkdir(flx.c_str(), 0700), 0); }, false,
       ImportFailureReason::NotAFile},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string folder = "case" + std::to_string(n++);
    box_.makeFolder(folder);
    box_.writePdf(folder + "/a.pdf", 1000 + n, n);
    c.make(box_.path(folder + "/a.flx"));
    // A pipe that blocked the import would end the test here instead of hanging it.
    alarm(20);
    const ImportResult r =
        ImportPDFFiles(&library_.data, box_.path(folder + "/a.pdf").c_str(), nullptr, "", "", "");
    alarm(0);
    EXPECT_EQ(r.imported, c.imported ? 1 : 0);
    if (c.imported) {
      EXPECT_TRUE(r.failures.empty());
    } else {
      ASSERT_EQ(r.failures.size(), 1u);
      EXPECT_EQ(r.failures[0].reason, c.reason);
      EXPECT_EQ(r.failures[0].path, box_.path(folder + "/a.flx")) << "the message names the metadata file";
    }
  }
  // The metadata files that were read filled their entries.
  int fromFlx = 0;
  for (const FLN_ENTRY& e : Entries(library_.data.entry)) fromFlx += FIELD_TEXT(e, en_title) == title ? 1 : 0;
  EXPECT_EQ(fromFlx, 2);
}

}  // namespace
