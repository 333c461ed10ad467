#include "transfer/FileListing.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "TransferTestSupport.h"
#include "transfer/FlxPath.h"

namespace {

using transfertest::Sandbox;

std::vector<std::string> Listed(TESK_ARY list) {
  std::vector<std::string> paths;
  for (int32_t i = 0; i < Tesk_Ary_GetSize(list); ++i) {
    char record[kFlnPathBufferSize];
    Tesk_Ary_GetData(list, i, record);
    paths.emplace_back(record);
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

using List = testsupport::Ary;

TEST(FileListingTest, ListsMatchingNamesAtAnyDepthWithoutFollowingFolderLinks) {
  Sandbox box;
  box.makeFolder("in/sub/deeper");
  box.makeFolder("elsewhere");
  for (const char* name : {"in/a.pdf", "in/.hidden.pdf", "in/b.PDF", "in/c.pdf.txt", "in/pdf", "in/sub/d.pdf",
                           "in/sub/deeper/e.x.pdf", "in/sub/f.Pdf", "in/g.PDFX", "in/h.pd", "elsewhere/outside.pdf"})
    box.writeText(name, "%PDF-1.4");
  ASSERT_EQ(symlink(box.path("elsewhere").c_str(), box.path("in/folder-link").c_str()), 0);
  ASSERT_EQ(symlink(box.path("elsewhere/outside.pdf").c_str(), box.path("in/file-link.pdf").c_str()), 0);

  List list(Tesk_Ary_Init(kFlnPathBufferSize, 20, 20));
  std::vector<ImportFailure> problems;
  EXPECT_EQ(ListUpFilesWithExt(box.path("in").c_str(), "pdf", list.get(), &problems), 0);
  EXPECT_TRUE(problems.empty());
  std::vector<std::string> expected;
  for (const char* name : {"in/.hidden.pdf", "in/a.pdf", "in/b.PDF", "in/file-link.pdf", "in/sub/d.pdf",
                           "in/sub/deeper/e.x.pdf", "in/sub/f.Pdf"})
    expected.push_back(box.path(name));
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Listed(list.get()), expected);
}

// The folder's own order, as readdir gives it, for names ending in ".pdf" in
// any case.
std::vector<std::string> PdfNamesInFolderOrder(const std::string& folder) {
  std::vector<std::string> paths;
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return paths;
  while (const dirent* item = readdir(dir)) {
    const std::string name = item->d_name;
    if (name.size() > 4 && strcasecmp(name.c_str() + name.size() - 4, ".pdf") == 0) paths.push_back(folder + "/" + name);
  }
  closedir(dir);
  return paths;
}

TEST(FileListingTest, MatchesOfEveryCaseKeepTheFolderOrder) {
  Sandbox box;
  box.makeFolder("in");
  // Enough names that a listing sorted or grouped by case would differ from
  // the folder's own order.
  for (int i = 0; i < 24; ++i) {
    const char* const ext[] = {"pdf", "PDF", "Pdf", "pDf"};
    box.writeText("in/n" + std::to_string((i * 7) % 24) + "." + ext[i % 4], "%PDF-1.4");
  }
  List list(Tesk_Ary_Init(kFlnPathBufferSize, 20, 20));
  EXPECT_EQ(ListUpFilesWithExt(box.path("in").c_str(), "pdf", list.get()), 0);
  std::vector<std::string> listed;
  for (int32_t i = 0; i < Tesk_Ary_GetSize(list.get()); ++i) {
    char record[kFlnPathBufferSize];
    Tesk_Ary_GetData(list.get(), i, record);
    listed.emplace_back(record);
  }
  const std::vector<std::string> expected = PdfNamesInFolderOrder(box.path("in"));
  EXPECT_EQ(expected.size(), 24u);
  EXPECT_EQ(listed, expected);
}

TEST(FileListingTest, AFolderThatCannotBeOpenedIsReported) {
  Sandbox box;
  List list(Tesk_Ary_Init(kFlnPathBufferSize, 20, 20));
  std::vector<ImportFailure> problems;
  EXPECT_EQ(ListUpFilesWithExt(box.path("missing").c_str(), "pdf", list.get(), &problems), 1);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].path, box.path("missing"));
  EXPECT_EQ(problems[0].reason, ImportFailureReason::FolderUnreadable);
  EXPECT_EQ(problems[0].error, ENOENT);
  EXPECT_EQ(Tesk_Ary_GetSize(list.get()), 0);

  // A list of other records is refused rather than overrun.
  List small(Tesk_Ary_Init(64, 20, 20));
  box.writeText("a.pdf", "%PDF-1.4");
  EXPECT_EQ(ListUpFilesWithExt(box.root().c_str(), "pdf", small.get()), 1);
  EXPECT_EQ(Tesk_Ary_GetSize(small.get()), 0);
}

}  // namespace
