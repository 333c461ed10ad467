#include "transfer/FlxPath.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(GenerateFLXFilePathTest, CutsBeforeTheLastDotOfTheWholePath) {
  const std::string longFolder = "/" + std::string(500, 'd') + "/";  // 502 bytes
  struct Case {
    std::string pdfPath;
    int result;
    std::string flxPath;
  };
  const Case cases[] = {
      {"/a/b/paper.pdf", 1, "/a/b/paper.flx"},
      {"/x/paper-2.pdf", 1, "/x/paper-2.flx"},
      {"/x/report.final.pdf", 1, "/x/report.final.flx"},
      {"/a/b.c/paper", 1, "/a/b.flx"},  // the dot is searched over the whole path
      {"/a/b/論文.pdf", 1, "/a/b/論文.flx"},
      {"paper.PDF", 1, "paper.flx"},
      {"/a/b/paper", 1, "/a/b/paper.flx"},  // no dot at all: never a bare ".flx"
      {"", 0, ""},
      {longFolder + "abcd.pdf", 1, longFolder + "abcd.flx"},    // 510 bytes in, 510 out
      {longFolder + "abcdefghi", 0, ""},                        // 511 in, 515 out: refused, not cut
      {longFolder + "abcdefg.pdf", 0, ""},                      // 513 in: over the path buffer
      {longFolder + "a.bcdefghi", 0, ""},                       // 512 in, although 507 out would fit
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pdfPath);
    char flxPath[kFlnPathBufferSize];
    std::memset(flxPath, '#', sizeof flxPath);
    EXPECT_EQ(GenerateFLXFilePath_ByPDFPath(c.pdfPath.c_str(), flxPath), c.result);
    EXPECT_EQ(std::string(flxPath), c.flxPath);
  }
}

TEST(GenerateFLXFilePathTest, MissingPathGivesEmptyResult) {
  char flxPath[kFlnPathBufferSize] = "stale";
  EXPECT_EQ(GenerateFLXFilePath_ByPDFPath(nullptr, flxPath), 0);
  EXPECT_STREQ(flxPath, "");
}

}  // namespace
