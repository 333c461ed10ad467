#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <cstring>
#include <functional>

#include "LibraryTestSupport.h"
#include "TestFiles.h"
#include "library/FlnCopy.h"
#include "library/FlnLoad.h"
#include "library/FlnSave.h"
#include "format/Endian.h"
#include "storage/FileIo.h"

using namespace libtest;

namespace {

FLN_ATTACHMENT AttachmentFrom(const std::string& bytes) {
  FLN_ATTACHMENT a;
  EXPECT_EQ(bytes.size(), sizeof a);
  std::memcpy(&a, bytes.data(), sizeof a);
  return a;
}

// A library of three entries whose attachments point at PDF members 0, 1, 2.
class CopyLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteSampleLibrary(path, 3);
    ASSERT_NO_FATAL_FAILURE(Load(path, &library));
  }
  void SetDataIndex(int32_t attachment, int32_t dataIndex) {
    FLN_ATTACHMENT a;
    Tesk_Ary_GetData(library.data.attachment, attachment, &a);
    a.dataIndex = ZEL_EndianLong_NtoL(dataIndex);
    Tesk_Ary_Update(library.data.attachment, attachment, &a);
  }
  TempDir dir;
  std::string path = dir.path("lib.fln");
  std::string target = dir.path("copy.fln");
  Library library;
};

TEST_F(CopyLibrary, CopiesRecordsAndPdfsWithoutSortOrCategoryTags) {
  int32_t leftOut = -1;
  const FlnResult r = WriteLibraryCopy(&library.data, target.c_str(), &leftOut);
  ASSERT_TRUE(r.ok()) << r.reason;
  EXPECT_EQ(leftOut, 0);
  const Contents copy = ReadContents(target);
  EXPECT_EQ(TagsOf(copy), (std::vector<int32_t>{kTagEntry, kTagLabel, kTagIdCounter, kTagEnvironment, kTagCats,
                                                kTagAttachment, kTagAttachmentData, kTagAttachmentHash}));
  const Contents original = ReadContents(path);
  for (int32_t tag :
       {kTagEntry, kTagLabel, kTagIdCounter, kTagEnvironment, kTagCats, kTagAttachment, kTagAttachmentData})
    EXPECT_EQ(*MembersOf(copy, tag), *MembersOf(original, tag)) << TagsOf(copy).size();
  Library reopened;
  EXPECT_TRUE(ReadFlnDataFromFlnFile(target.c_str(), &reopened.data).ok());
}

// The second attachment's PDF cannot be read, in each way it can go missing.
TEST_F(CopyLibrary, LeavesOutAnAttachmentWhosePdfIsMissing) {
  const struct {
    const char* name;
    std::function<void()> loseSecondPdf;
  } cases[] = {
      {"index past the stored PDFs", [&] { SetDataIndex(1, 40); }},
      {"negative index", [&] { SetDataIndex(1, -1); }},
      {"empty member",
       [&] {
         AppendMember(path, kTagAttachmentData, "");
         SetDataIndex(1, 3);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(ReadFlnDataFromFlnFile(path.c_str(), &library.data).ok());
    c.loseSecondPdf();
    int32_t leftOut = -1;
    const FlnResult r = WriteLibraryCopy(&library.data, target.c_str(), &leftOut);
    ASSERT_TRUE(r.ok()) << r.reason;
    EXPECT_EQ(leftOut, 1);
    const Contents copy = ReadContents(target);
    const auto* attachments = MembersOf(copy, kTagAttachment);
    ASSERT_NE(attachments, nullptr);
    ASSERT_EQ(attachments->size(), 2u);
    EXPECT_EQ(Host(AttachmentFrom((*attachments)[0]).dataIndex), 0);
    EXPECT_EQ(Host(AttachmentFrom((*attachments)[1]).en_id), 102);
    EXPECT_EQ(Host(AttachmentFrom((*attachments)[1]).dataIndex), 1);
    EXPECT_EQ(*MembersOf(copy, kTagAttachmentData),
              (std::vector<std::string>{"%PDF-1.4 sample 0", "%PDF-1.4 sample 2"}));
  }
}

TEST_F(CopyLibrary, TakesPdfsInAttachmentOrder) {
  SetDataIndex(0, 2);
  SetDataIndex(2, 0);
  ASSERT_TRUE(WriteLibraryCopy(&library.data, target.c_str()).ok());
  EXPECT_EQ(*MembersOf(ReadContents(target), kTagAttachmentData),
            (std::vector<std::string>{"%PDF-1.4 sample 2", "%PDF-1.4 sample 1", "%PDF-1.4 sample 0"}));
}

TEST_F(CopyLibrary, RefusesTheLibrarysOwnFileUnderAnyName) {
  const std::string folder = dir.dir.path().toStdString();
  ASSERT_EQ(symlink(path.c_str(), dir.path("link.fln").c_str()), 0);
  ASSERT_EQ(link(path.c_str(), dir.path("hard.fln").c_str()), 0);
  const std::vector<uint8_t> before = readAll(path);
  for (const std::string& name :
       {path, folder + "/./lib.fln", folder + "/../" + QDir(dir.dir.path()).dirName().toStdString() + "/lib.fln",
        dir.path("link.fln"), dir.path("hard.fln")}) {
    SCOPED_TRACE(name);
    const FlnResult r = WriteLibraryCopy(&library.data, name.c_str());
    EXPECT_EQ(r.status, FlnStatus::SameFile);
    EXPECT_EQ(readAll(path), before);
  }
}

TEST_F(CopyLibrary, ReplacesAnotherFileOnlyWhenTheCopyIsComplete) {
  const std::vector<uint8_t> old(3000, 'o');
  bool copied = false;
  for (long n = 1; n < 400 && !copied; ++n) {
    SCOPED_TRACE(n);
    writeAll(target, old);
    FileFaults::failWrite(n, FileFaults::Kind::Once);
    const FlnResult r = WriteLibraryCopy(&library.data, target.c_str());
    FileFaults::reset();
    copied = r.ok();
    if (!copied) {
      EXPECT_EQ(r.status, FlnStatus::WriteFailed) << r.reason;
      EXPECT_EQ(readAll(target), old);
    }
    EXPECT_EQ(QDir(dir.dir.path()).entryList(QDir::Files | QDir::Hidden), (QStringList{"copy.fln", "lib.fln"}));
  }
  EXPECT_TRUE(copied);
  EXPECT_EQ(TagsOf(ReadContents(target)).size(), 8u);
}

// Written under a temporary name beside the target first, which must fit
// the file system's limit on one name even when the target's name fills it.
TEST_F(CopyLibrary, CopiesUnderANameAsLongAsTheFileSystemAllows) {
  std::string kanji;
  for (int i = 0; i < 85; ++i) kanji += "字";
  for (const std::string& name : {std::string(255, 'c'), kanji}) {
    SCOPED_TRACE(name.size());
    const std::string longTarget = dir.path(name);
    const FlnResult r = WriteLibraryCopy(&library.data, longTarget.c_str());
    ASSERT_TRUE(r.ok()) << r.reason;
    EXPECT_EQ(TagsOf(ReadContents(longTarget)).size(), 8u);
    ASSERT_EQ(std::remove(longTarget.c_str()), 0);
    EXPECT_EQ(QDir(dir.dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"lib.fln"});
  }
}

TEST_F(CopyLibrary, RefusesWithoutALibraryFile) {
  Library unloaded;
  EXPECT_EQ(WriteLibraryCopy(&unloaded.data, target.c_str()).status, FlnStatus::CannotOpen);
  QFile::remove(QString::fromStdString(path));
  EXPECT_EQ(WriteLibraryCopy(&library.data, target.c_str()).status, FlnStatus::CannotOpen);
  EXPECT_FALSE(QFile::exists(QString::fromStdString(target)));
}

}  // namespace
