#include "transfer/FlxWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>

#include "FlxTestEntry.h"
#include "TestFiles.h"
#include "format/Endian.h"
#include "storage/FileIo.h"

namespace {

using flxtest::baseEntry;
using flxtest::baseLines;
using flxtest::flxText;
using flxtest::withValue;

std::string asText(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }
bool exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

TEST(FlxWriterTest, WritesAnEmptyLineThenEveryKeyInOrder) {
  const FLN_ENTRY entry = baseEntry();
  const std::string text = MakeFLXText_FromEntry(&entry);
  EXPECT_EQ(text, flxText(baseLines()));
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 39);
  EXPECT_EQ(text.rfind("\n[fln_version] 0090\n", 0), 0u);
}

TEST(FlxWriterTest, WritesStoredValuesAsTheyAre) {
  // Damaged or extreme records are written without reaching past their fields.
  struct Case {
    const char* name;
    void (*change)(FLN_ENTRY&);
    const char* key;
    std::string value;
  };
  const Case cases[] = {
      {"empty text field", [](FLN_ENTRY& e) { std::memset(e.en_title, 0, sizeof e.en_title); }, "[en_title]", ""},
      {"text field without zero unit",
       [](FLN_ENTRY& e) {
         for (size_t i = 0; i < sizeof e.en_os / sizeof e.en_os[0]; ++i)
           e.en_os[i] = static_cast<FlnUniChar>(ZEL_EndianShort_NtoL('x'));
       },
       "[en_os]",
       std::string(63, 'x')},
      {"date without zero byte", [](FLN_ENTRY& e) { std::memset(e.en_create_date, '9', 18); }, "[en_create_date]",
       std::string(18, '9')},
      {"8-bit fields unsigned", [](FLN_ENTRY& e) { e.en_detail_toggle = 255; }, "[en_detail_toggle]", "255"},
      {"text with line feeds", [](FLN_ENTRY& e) { SET_FIELD_TEXT(e, en_note, "一\n二\n三"); }, "[en_note]",
       "一\n二\n三"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FLN_ENTRY entry = baseEntry();
    c.change(entry);
    EXPECT_EQ(MakeFLXText_FromEntry(&entry), flxText(withValue(baseLines(), c.key, c.value)));
  }
}

class FlxWriteFileTest : public ::testing::Test {
 protected:
  void TearDown() override { FileFaults::reset(); }
  TempDir dir_;
};

TEST_F(FlxWriteFileTest, CreatesOrTruncatesTheFile) {
  const FLN_ENTRY entry = baseEntry();
  const std::string fresh = dir_.path("fresh.flx");
  const std::string old = dir_.path("old.flx");
  writeAll(old, std::vector<uint8_t>(20000, 'z'));
  for (const std::string& target : {fresh, old}) {
    SCOPED_TRACE(target);
    ASSERT_EQ(WriteFLXFile(&entry, target.c_str()), kFlxWriteOk);
    EXPECT_EQ(asText(readAll(target)), flxText(baseLines()));
  }
}

TEST_F(FlxWriteFileTest, ReportsAFileThatCannotBeCreated) {
  const FLN_ENTRY entry = baseEntry();
  const std::string missingFolder = dir_.path("missing/paper.flx");
  const std::string folder = dir_.path("folder.flx");
  ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);

  EXPECT_EQ(WriteFLXFile(&entry, missingFolder.c_str()), kFlxWriteCannotCreate);
  EXPECT_EQ(errno, ENOENT);
  EXPECT_FALSE(exists(missingFolder));
  EXPECT_EQ(WriteFLXFile(&entry, folder.c_str()), kFlxWriteCannotCreate);
  EXPECT_EQ(WriteFLXFile(nullptr, dir_.path("x.flx").c_str()), kFlxWriteCannotCreate);
  EXPECT_EQ(WriteFLXFile(&entry, nullptr), kFlxWriteCannotCreate);
  EXPECT_FALSE(exists(dir_.path("x.flx")));
}

TEST_F(FlxWriteFileTest, FailedWriteLeavesNoFileBehind) {
  const FLN_ENTRY entry = baseEntry();
  for (const bool existed : {false, true}) {
    SCOPED_TRACE(existed ? "over an old file" : "new file");
    const std::string target = dir_.path(existed ? "old.flx" : "new.flx");
    if (existed) writeAll(target, std::vector<uint8_t>(100, 'z'));
    FileFaults::failWrite(1, FileFaults::Kind::Once);
    EXPECT_EQ(WriteFLXFile(&entry, target.c_str()), kFlxWriteFailed);
    EXPECT_EQ(errno, EIO);
    EXPECT_FALSE(exists(target));
    FileFaults::reset();
  }
}

TEST_F(FlxWriteFileTest, FullDiskIsReportedAndLeavesNoPartialFile) {
  // A file size limit makes the kernel refuse the write part way, as a full disk does.
  const std::string target = dir_.path("paper.flx");
  const FLN_ENTRY entry = baseEntry();
  struct rlimit saved;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  void (*savedHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 100;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);

  const int result = WriteFLXFile(&entry, target.c_str());
  const int error = errno;

  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, savedHandler);
  EXPECT_EQ(result, kFlxWriteFailed);
  EXPECT_EQ(error, EFBIG);
  EXPECT_FALSE(exists(target));
}

}  // namespace
