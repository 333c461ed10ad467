#include <gtest/gtest.h>

#include "LibraryTestSupport.h"
#include "TestFiles.h"
#include "library/FlnAttachment.h"
#include "library/FlnNewLibrary.h"

using namespace libtest;

namespace {

TEST(ReadPDFData_ByFLNFile, ReadsOneStoredPdfOrNothing) {
  TempDir dir;
  const std::string path = dir.path("lib.fln");
  ASSERT_TRUE(CreateNewLibraryFile(path.c_str()).ok());
  for (const std::string& pdf :
       {std::string("%PDF-zero"), std::string("%PDF-one"), std::string(), std::string("%PDF-three")})
    AppendMember(path, kTagAttachmentData, pdf);

  const struct {
    int32_t index;
    const char* expected;  // null: no data
  } cases[] = {{0, "%PDF-zero"}, {1, "%PDF-one"}, {2, nullptr}, {3, "%PDF-three"},
               {4, nullptr},     {100, nullptr},  {-1, nullptr}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.index);
    const QByteArray bytes = ReadPDFData_ByFLNFile(c.index, path.c_str());
    if (c.expected == nullptr) {
      EXPECT_TRUE(bytes.isNull());
    } else {
      EXPECT_EQ(bytes.toStdString(), c.expected);
    }
  }
}

TEST(ReadPDFData_ByFLNFile, GivesNothingForFilesWithoutPdfs) {
  TempDir dir;
  const std::string library = dir.path("lib.fln");
  ASSERT_TRUE(CreateNewLibraryFile(library.c_str()).ok());
  const std::string foreign = dir.path("foreign.bin");
  writeAll(foreign, std::vector<uint8_t>(1000, 'z'));
  for (const std::string& path : {library, foreign, dir.path("missing.fln")}) {
    SCOPED_TRACE(path);
    EXPECT_TRUE(ReadPDFData_ByFLNFile(0, path.c_str()).isNull());
  }
  EXPECT_TRUE(ReadPDFData_ByFLNFile(0, nullptr).isNull());
}

}  // namespace
