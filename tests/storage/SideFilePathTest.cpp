#include "storage/SideFilePath.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "TestFiles.h"
#include "format/Utf8Text.h"

namespace {

std::string NameOf(const std::string& path) { return path.substr(path.rfind('/') + 1); }

TEST(SideFilePathTest, AddsTheSuffixAndCutsOnlyWhatWouldNotFit) {
  TempDir dir;
  const std::string folder = dir.dir.path().toStdString() + "/";
  std::string kanji85;  // 255 bytes
  for (int i = 0; i < 85; ++i) kanji85 += "字";
  const struct {
    const char* what;
    std::string name;
    bool cut;
  } cases[] = {
      {"short", "lib.fln", false},
      {"room for the suffix exactly", std::string(NAME_MAX - 8, 'a'), false},
      {"one byte too long", std::string(NAME_MAX - 7, 'a'), true},
      {"as long as a name may be", std::string(NAME_MAX, 'b'), true},
      {"Japanese", kanji85, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string side = SideFilePath(folder + c.name, "-journal");
    EXPECT_EQ(side.substr(0, folder.size()), folder) << "beside the file";
    const std::string name = NameOf(side);
    EXPECT_LE(name.size(), static_cast<size_t>(NAME_MAX));
    EXPECT_TRUE(IsUtf8Text(name)) << "cut at a character boundary";
    EXPECT_EQ(name.size() >= 8 ? name.substr(name.size() - 8) : name, "-journal");
    if (c.cut) {
      EXPECT_NE(name, c.name + "-journal");
      EXPECT_EQ(name.size() + 3 > static_cast<size_t>(NAME_MAX), true) << "cut no more than needed";
    } else {
      EXPECT_EQ(side, folder + c.name + "-journal");
    }
    EXPECT_EQ(SideFilePath(folder + c.name, "-journal"), side) << "the same every time";
    // The side file can really be made there.
    writeAll(side, {'x'});
    EXPECT_EQ(readAll(side), std::vector<uint8_t>{'x'});
  }
  // Two long names alike up to the cut get side files of their own.
  const std::string a = std::string(NAME_MAX - 1, 'c') + "1", b = std::string(NAME_MAX - 1, 'c') + "2";
  EXPECT_NE(SideFilePath(folder + a, "-journal"), SideFilePath(folder + b, "-journal"));
  // A path without a folder stays without one.
  EXPECT_EQ(SideFilePath("lib.fln", ".new-1-0"), "lib.fln.new-1-0");
  EXPECT_EQ(NameOf(SideFilePath(std::string(NAME_MAX, 'd'), ".new-1-0")).size(), static_cast<size_t>(NAME_MAX));
}

}  // namespace
