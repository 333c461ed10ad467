#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

#include "LibraryTestSupport.h"
#include "TestFiles.h"
#include "library/FlnPreference.h"
#include "storage/FileIo.h"

using namespace libtest;

namespace {

std::vector<char> FolderRecord(const std::string& folder) {
  std::vector<char> record(kPreferenceRecordSize, '\0');
  std::memcpy(record.data(), folder.data(), folder.size());
  return record;
}

TEST(Preference, WritingTwiceReplacesTheRecordInPlace) {
  TempDir dir;
  const std::string path = dir.path("Preference.zel");
  const auto first = FolderRecord("/home/user/本棚");
  ASSERT_TRUE(WritePreference_ToZelFile(path.c_str(), kTagPrefLibraryFolder, kPreferenceRecordSize, first.data()).ok());
  EXPECT_EQ(ReadContents(path), (Contents{{kTagPrefLibraryFolder, {std::string(first.begin(), first.end())}}}));
  const size_t size = readAll(path).size();
  EXPECT_EQ(size, 548u + 36 + 256);

  const auto second = FolderRecord("/srv/library");
  ASSERT_TRUE(WritePreference_ToZelFile(path.c_str(), kTagPrefLibraryFolder, kPreferenceRecordSize, second.data()).ok());
  EXPECT_EQ(ReadContents(path), (Contents{{kTagPrefLibraryFolder, {std::string(second.begin(), second.end())}}}));
  EXPECT_EQ(readAll(path).size(), size);

  std::vector<char> out(kPreferenceRecordSize, 'x');
  ASSERT_EQ(ReadPreference_FromZelFile(path.c_str(), kTagPrefLibraryFolder, out.data(), kPreferenceRecordSize), 1);
  EXPECT_EQ(out, second);
}

// A preference write the disk refuses says why with the system's errno and
// leaves the file as it was; the next write goes through.
TEST(Preference, AFailedWriteSaysWhyAndKeepsTheFile) {
  const struct {
    int error;
    FlnStatus status;
  } cases[] = {{ENOSPC, FlnStatus::NoSpace}, {EIO, FlnStatus::WriteFailed}, {EACCES, FlnStatus::WriteFailed}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::strerror(c.error));
    TempDir dir;
    const std::string path = dir.path("Preference.zel");
    const auto first = FolderRecord("/home/user/本棚");
    ASSERT_TRUE(WritePreference_ToZelFile(path.c_str(), kTagPrefLibraryFolder, kPreferenceRecordSize, first.data()).ok());
    const std::vector<uint8_t> before = readAll(path);

    const auto second = FolderRecord("/srv/library");
    FileFaults::failWrite(1, FileFaults::Kind::FromThenOn, c.error);
    const FlnResult failed =
        WritePreference_ToZelFile(path.c_str(), kTagPrefLibraryFolder, kPreferenceRecordSize, second.data());
    FileFaults::reset();
    EXPECT_EQ(failed.status, c.status);
    EXPECT_EQ(failed.systemError, c.error);
    EXPECT_NE(failed.reason.find(std::strerror(c.error)), std::string::npos) << failed.reason;
    EXPECT_EQ(readAll(path), before);

    ASSERT_TRUE(WritePreference_ToZelFile(path.c_str(), kTagPrefLibraryFolder, kPreferenceRecordSize, second.data()).ok());
    std::vector<char> out(kPreferenceRecordSize, 'x');
    ASSERT_EQ(ReadPreference_FromZelFile(path.c_str(), kTagPrefLibraryFolder, out.data(), kPreferenceRecordSize), 1);
    EXPECT_EQ(out, second);
  }
}

TEST(Preference, AFileThatIsNotAContainerIsLeftAlone) {
  TempDir dir;
  const std::string path = dir.path("Preference.zel");
  const std::vector<uint8_t> foreign(1000, 'n');
  writeAll(path, foreign);
  const auto record = FolderRecord("/tmp");
  EXPECT_FALSE(WritePreference_ToZelFile(path.c_str(), kTagPrefFolderImport, kPreferenceRecordSize, record.data()).ok());
  EXPECT_EQ(readAll(path), foreign);
  char out[kPreferenceRecordSize] = "kept";
  EXPECT_EQ(ReadPreference_FromZelFile(path.c_str(), kTagPrefFolderImport, out, sizeof out), 0);
  EXPECT_STREQ(out, "kept");
  EXPECT_FALSE(WritePreference_ToZelFile(dir.path("no/such/folder/p.zel").c_str(), kTagPrefFolderImport,
                                      kPreferenceRecordSize, record.data()).ok());
}

TEST(Preference, ReadingCopiesAtMostTheCallersRecord) {
  TempDir dir;
  const std::string path = dir.path("p.zel");
  const auto record = FolderRecord(std::string(200, 'p'));
  ASSERT_TRUE(WritePreference_ToZelFile(path.c_str(), kTagPrefFileImport, kPreferenceRecordSize, record.data()).ok());

  const struct {
    const char* name;
    int32_t outSize;
  } cases[] = {{"smaller buffer", 64}, {"same size", kPreferenceRecordSize}, {"larger buffer", 300}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<char> out(static_cast<size_t>(c.outSize) + 16, '#');
    ASSERT_EQ(ReadPreference_FromZelFile(path.c_str(), kTagPrefFileImport, out.data(), c.outSize), 1);
    for (int32_t i = 0; i < c.outSize; ++i)
      ASSERT_EQ(out[static_cast<size_t>(i)], i < kPreferenceRecordSize ? record[static_cast<size_t>(i)] : '\0') << i;
    EXPECT_EQ(std::string(out.end() - 16, out.end()), std::string(16, '#'));  // nothing beyond outSize
  }
  char out[kPreferenceRecordSize] = "kept";
  EXPECT_EQ(ReadPreference_FromZelFile(path.c_str(), kTagPrefLibraryFolder, out, sizeof out), 0);
  EXPECT_STREQ(out, "kept");
}

// The preferences folder comes from XDG_CONFIG_HOME; the test points it at a
// temporary folder and puts it back afterwards.
class PreferenceFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = qgetenv("XDG_CONFIG_HOME");
    hadValue_ = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
  }
  void TearDown() override {
    if (hadValue_)
      qputenv("XDG_CONFIG_HOME", saved_);
    else
      qunsetenv("XDG_CONFIG_HOME");
  }
  TempDir dir;

 private:
  QByteArray saved_;
  bool hadValue_ = false;
};

TEST_F(PreferenceFolder, PathIsInFolianOfTheConfigFolderWhichIsCreated) {
  const std::string config = dir.path("config/deeper");
  qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config));
  char out[256];
  ASSERT_EQ(GetPreferenceFilePath(out, sizeof out), 1);
  EXPECT_EQ(std::string(out), config + "/FOLIAN/Preference.zel");
  EXPECT_TRUE(QFileInfo(QString::fromStdString(config + "/FOLIAN")).isDir());
  ASSERT_EQ(GetPreferenceFilePath(out, sizeof out), 1);  // an existing folder is fine
}

TEST_F(PreferenceFolder, APathThatDoesNotFitMeansNoPreferenceFile) {
  const std::string config = dir.path(std::string(240, 'c'));
  qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config));
  char out[256] = "stale";
  EXPECT_EQ(GetPreferenceFilePath(out, sizeof out), 0);
  EXPECT_STREQ(out, "");
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(config)));
}

}  // namespace
