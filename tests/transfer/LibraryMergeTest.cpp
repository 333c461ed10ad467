#include "transfer/LibraryMerge.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <set>

#include "ContainerContents.h"
#include "TestFiles.h"
#include "TransferTestSupport.h"
#include "format/CategoryNames.h"
#include "format/Endian.h"
#include "library/FlnCategoryTable.h"
#include "library/FlnCreateCats.h"
#include "library/FlnLibraryLock.h"
#include "library/FlnLoad.h"
#include "library/FlnSave.h"
#include "storage/FileIo.h"
#include "storage/ZelJournal.h"

namespace {

using namespace transfertest;

std::vector<std::string> CategoriesOf(const FLN_ENTRY& e) {
  return {FIELD_TEXT(e, en_c1_name), FIELD_TEXT(e, en_c2_name), FIELD_TEXT(e, en_c3_name)};
}

const FLN_ENTRY* FindByTitle(const std::vector<FLN_ENTRY>& entries, const std::string& title) {
  for (const FLN_ENTRY& e : entries)
    if (FIELD_TEXT(e, en_title) == title) return &e;
  return nullptr;
}

// The open library holds mine/a.pdf; the other library "other.fln" holds
// theirs/a.pdf (the same bytes as mine/a.pdf), theirs/b.pdf and
// theirs/c.pdf filed under 論文 / 2024 / 英語, b with a rating and the window
// state of the other library's screen, and a category triple no entry uses.
class LibraryMergeTest : public SandboxLibraryTest {
 protected:
  void SetUp() override {
    SandboxLibraryTest::SetUp();
    box_.makeFolder("mine");
    box_.makeFolder("theirs");
    sources_[box_.path("mine/a.pdf")] = box_.writePdf("mine/a.pdf", 1500, 1);
    sources_[box_.path("theirs/a.pdf")] = box_.writePdf("theirs/a.pdf", 1500, 1);
    sources_[box_.path("theirs/b.pdf")] = box_.writePdf("theirs/b.pdf", 2600, 2);
    sources_[box_.path("theirs/c.pdf")] = box_.writePdf("theirs/c.pdf", 3700, 3);
    ASSERT_EQ(ImportPDFFiles(&library_.data, box_.path("mine").c_str(), nullptr, "", "", "").imported, 1);
    before_ = Entries(library_.data.entry);

    Library other;
    CreateAndLoad(otherPath_, &other);
    ASSERT_EQ(ImportPDFFiles(&other.data, box_.path("theirs").c_str(), nullptr, "論文", "2024", "英語").imported, 3);
    ASSERT_EQ(CreateFlnCats("空", "の", "分類", other.data.idCounter, other.data.catsAry), 0);
    for (int32_t i = 0; i < Tesk_Ary_GetSize(other.data.entry); ++i) {
      FLN_ENTRY e;
      Tesk_Ary_GetData(other.data.entry, i, &e);
      if (FIELD_TEXT(e, en_title) != "b.pdf") continue;
      e.en_my_rate = ZEL_EndianShort_NtoL(5);
      SET_FIELD_TEXT(e, en_note, "読んだ");
      e.en_window_position = FlnRect{ZEL_EndianShort_NtoL(10), ZEL_EndianShort_NtoL(20), ZEL_EndianShort_NtoL(300),
                                     ZEL_EndianShort_NtoL(400)};
      e.en_pdf_window_position = e.en_window_position;
      e.en_pdf_window_ordered_index = ZEL_EndianShort_NtoL(2);
      e.en_scroll_position = ZEL_EndianLong_NtoL(77);
      e.en_is_select_entrylist = 1;
      Tesk_Ary_Update(other.data.entry, i, &e);
      otherB_ = e;
    }
    ASSERT_TRUE(SaveAll(otherPath_.c_str(), &other.data).ok());
    otherBytes_ = readAll(otherPath_);
    libraryBytes_ = readAll(libraryPath_);
  }

  MergeResult Merge(bool skipDuplicates = false, const ImportProgress& progress = nullptr) {
    return MergeLibraryFile(&library_.data, otherPath_.c_str(), progress, skipDuplicates);
  }

  std::string otherPath_ = box_.path("other.fln");
  std::map<std::string, QByteArray> sources_;
  std::vector<FLN_ENTRY> before_;
  FLN_ENTRY otherB_;
  std::vector<uint8_t> otherBytes_, libraryBytes_;
};

TEST_F(LibraryMergeTest, TakesEveryEntryWithItsPdfCategoriesAndFieldsUnderNewIds) {
  std::vector<std::string> announced;
  const MergeResult result = Merge(false, [&](int32_t done, int32_t total, const std::string& name) {
    EXPECT_EQ(done, static_cast<int32_t>(announced.size()));
    EXPECT_EQ(total, 3);
    announced.push_back(name);
    return true;
  });
  ASSERT_TRUE(result.other.ok()) << result.other.reason;
  EXPECT_EQ(result.merged.status, ImportStatus::Completed);
  EXPECT_EQ(result.merged.listed, 3);
  EXPECT_EQ(result.merged.imported, 3);
  EXPECT_TRUE(result.merged.save.ok());
  EXPECT_TRUE(result.merged.failures.empty());
  const std::string bName = "b.pdf (entry " + std::to_string(Host(otherB_.en_id)) + ")";
  ASSERT_EQ(announced.size(), 3u);
  EXPECT_EQ(std::count(announced.begin(), announced.end(), bName), 1) << bName;
  // The PDF of a.pdf was in the library already: merged again, and said so.
  ASSERT_EQ(result.merged.duplicates.size(), 1u);
  EXPECT_EQ(result.merged.duplicates[0].rfind("a.pdf (entry ", 0), 0u) << result.merged.duplicates[0];

  const std::vector<FLN_ENTRY> entries = ExpectConsistentLibrary(libraryPath_, before_, sources_, "after the merge");
  ASSERT_EQ(entries.size(), 4u);
  std::set<int32_t> ids;
  for (const FLN_ENTRY& e : entries) ids.insert(Host(e.en_id));
  EXPECT_EQ(ids.size(), 4u);
  for (const char* title : {"a.pdf", "b.pdf", "c.pdf"}) {
    SCOPED_TRACE(title);
    const auto merged = std::find_if(entries.begin() + 1, entries.end(),
                                     [&](const FLN_ENTRY& e) { return FIELD_TEXT(e, en_title) == title; });
    ASSERT_NE(merged, entries.end());
    EXPECT_EQ(CategoriesOf(*merged), (std::vector<std::string>{"論文", "2024", "英語"}));
    EXPECT_GT(Host(merged->en_id), Host(before_[0].en_id));
  }
  // Its own fields come along; the other library's windows and screen do not.
  const FLN_ENTRY* b = FindByTitle(std::vector<FLN_ENTRY>(entries.begin() + 1, entries.end()), "b.pdf");
  ASSERT_NE(b, nullptr);
  FLN_ENTRY expected = otherB_;
  expected.en_id = b->en_id;
  expected.en_window_position = expected.en_pdf_window_position = FlnRect{};
  expected.en_pdf_window_ordered_index = 0;
  expected.en_scroll_position = 0;
  expected.en_is_select_entrylist = 0;
  EXPECT_EQ(std::memcmp(b, &expected, sizeof expected), 0);
  EXPECT_EQ(Host(b->en_my_rate), 5);
  EXPECT_EQ(FIELD_TEXT(*b, en_note), "読んだ");

  // Every category of the other library, the unused one too, and the lists show them.
  EXPECT_EQ(IsCatsExists(library_.data.catsAry, "論文", "2024", "英語"), 1);
  EXPECT_EQ(IsCatsExists(library_.data.catsAry, "空", "の", "分類"), 1);
  Library reloaded;
  Load(libraryPath_, &reloaded);
  EXPECT_EQ(IsCatsExists(reloaded.data.catsAry, "空", "の", "分類"), 1);
  EXPECT_EQ(static_cast<int32_t>(library_.data.shownRows.size()), 4);
  EXPECT_EQ(readAll(otherPath_), otherBytes_);
}

TEST_F(LibraryMergeTest, LeavesOutPdfsTheLibraryHoldsWhenAsked) {
  const struct {
    bool skip;
    int32_t imported;
    size_t entries;
  } cases[] = {{false, 3, 4}, {true, 2, 3}};
  const std::string saved = box_.path("saved.fln");
  writeAll(saved, readAll(libraryPath_));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.skip);
    writeAll(libraryPath_, readAll(saved));
    Load(libraryPath_, &library_);
    std::strcpy(library_.data.lastSelectCat1, kCategoryAll);
    const MergeResult result = Merge(c.skip);
    ASSERT_TRUE(result.other.ok());
    EXPECT_EQ(result.merged.imported, c.imported);
    ASSERT_EQ(result.merged.duplicates.size(), 1u);
    EXPECT_EQ(result.merged.duplicates[0].rfind("a.pdf (entry ", 0), 0u);
    EXPECT_TRUE(result.merged.failures.empty());
    EXPECT_EQ(ExpectConsistentLibrary(libraryPath_, before_, sources_, "merged").size(), c.entries);
  }
}

TEST_F(LibraryMergeTest, RefusesAnOtherFileItCannotReadWholeAndChangesNothing) {
  const struct {
    const char* name;
    std::function<std::string()> make;  // the other file's path
    FlnStatus status;
    const char* reasonPart;
    int systemError = 0;  // the errno the result names
  } cases[] = {
      {"missing", [&] { return box_.path("nothing.fln"); }, FlnStatus::CannotOpen, "No such file", ENOENT},
      {"not a library",
       [&] {
         box_.writeText("text.fln", std::string(600, 'x'));
         return box_.path("text.fln");
       },
       FlnStatus::NotALibrary, ""},
      {"records of two lengths",
       [&] {
         const Contents contents = ReadContents(otherPath_);
         std::vector<std::string> members = *MembersOf(contents, kTagEntry);
         members.push_back("short");
         SetMembers(otherPath_, kTagEntry, members);
         return otherPath_;
       },
       FlnStatus::Damaged, "folian-cli recover"},
      {"a change left unfinished beside it",
       [&] {
         box_.writeText("other.fln-journal", "unfinished");
         return otherPath_;
       },
       FlnStatus::CannotOpen, "being changed"},
      {"this library itself", [&] { return libraryPath_; }, FlnStatus::SameFile, "own file"},
      {"this library under another name",
       [&] {
         EXPECT_EQ(::link(libraryPath_.c_str(), box_.path("alias.fln").c_str()), 0);
         return box_.path("alias.fln");
       },
       FlnStatus::SameFile, "own file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string other = c.make();
    const std::vector<uint8_t> otherBefore = QFile::exists(QString::fromStdString(other)) ? readAll(other)
                                                                                         : std::vector<uint8_t>();
    const MergeResult result = MergeLibraryFile(&library_.data, other.c_str());
    EXPECT_EQ(result.other.status, c.status) << result.other.reason;
    EXPECT_NE(result.other.reason.find(c.reasonPart), std::string::npos) << result.other.reason;
    EXPECT_EQ(result.other.systemError, c.systemError);
    EXPECT_EQ(result.merged.imported, 0);
    EXPECT_EQ(readAll(libraryPath_), libraryBytes_);
    EXPECT_EQ(Tesk_Ary_GetSize(library_.data.entry), 1);
    if (!otherBefore.empty()) {
      EXPECT_EQ(readAll(other), otherBefore);
    }
    writeAll(otherPath_, otherBytes_);
    QFile::remove(QString::fromStdString(ZelJournal::PathFor(otherPath_)));
  }
}

// A library this user may not read is refused with the system's reason, told
// as every other layer tells it, and nothing is merged.
TEST_F(LibraryMergeTest, AnUnreadableOtherLibraryNamesTheSystemsReason) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads a file of mode 000";
  ASSERT_EQ(::chmod(otherPath_.c_str(), 0), 0);
  const MergeResult result = MergeLibraryFile(&library_.data, otherPath_.c_str());
  ::chmod(otherPath_.c_str(), 0644);
  EXPECT_EQ(result.other.status, FlnStatus::CannotOpen);
  EXPECT_EQ(result.other.systemError, EACCES);
  EXPECT_EQ(result.other.reason, std::string("cannot open: ") + std::strerror(EACCES));
  EXPECT_EQ(result.merged.imported, 0);
  EXPECT_EQ(readAll(libraryPath_), libraryBytes_);
  EXPECT_EQ(Tesk_Ary_GetSize(library_.data.entry), 1);
}

TEST_F(LibraryMergeTest, AnEntryWhosePdfIsDamagedIsListedAndTheOthersMerged) {
  const Contents contents = ReadContents(otherPath_);
  std::vector<std::string> pdfs = *MembersOf(contents, kTagAttachmentData);
  size_t bIndex = pdfs.size();
  for (const std::string& record : *MembersOf(contents, kTagAttachment)) {
    FLN_ATTACHMENT a;
    std::memcpy(&a, record.data(), sizeof a);
    if (a.en_id == otherB_.en_id) bIndex = static_cast<size_t>(Host(a.dataIndex));
  }
  ASSERT_LT(bIndex, pdfs.size());
  pdfs[bIndex][100] ^= 0x20;  // b.pdf's bytes no longer match their digest
  SetMembers(otherPath_, kTagAttachmentData, pdfs);
  const MergeResult result = Merge();
  ASSERT_TRUE(result.other.ok());
  EXPECT_EQ(result.merged.imported, 2);
  ASSERT_EQ(result.merged.failures.size(), 1u);
  EXPECT_EQ(result.merged.failures[0].path, "b.pdf (entry " + std::to_string(Host(otherB_.en_id)) + ")");
  EXPECT_EQ(result.merged.failures[0].reason, ImportFailureReason::PdfUnreadable);
  const std::vector<FLN_ENTRY> entries = ExpectConsistentLibrary(libraryPath_, before_, sources_, "damaged b");
  EXPECT_EQ(entries.size(), 3u);
  EXPECT_EQ(FindByTitle(entries, "b.pdf"), nullptr);
}

TEST_F(LibraryMergeTest, ReadsALibraryThatAnotherHolderHasLockedAndNeverWritesIt) {
  LibraryLock window;
  ASSERT_EQ(window.acquire(otherPath_, LibraryLockMode::Exclusive, LibraryLockHolder::Window),
            LibraryLockStatus::Held);
  const MergeResult result = Merge();
  ASSERT_TRUE(result.other.ok()) << result.other.reason;
  EXPECT_EQ(result.merged.imported, 3);
  EXPECT_EQ(readAll(otherPath_), otherBytes_);
}

TEST_F(LibraryMergeTest, StoppingBetweenEntriesKeepsTheMergedOnesSaved) {
  const MergeResult result = Merge(false, [](int32_t done, int32_t, const std::string&) { return done < 2; });
  EXPECT_EQ(result.merged.status, ImportStatus::Stopped);
  EXPECT_EQ(result.merged.imported, 2);
  EXPECT_EQ(ExpectConsistentLibrary(libraryPath_, before_, sources_, "stopped").size(), 3u);
}

// Fails the N-th write of a merge for N = 1, 2, ... until the merge no longer
// reaches it: the library keeps every entry it had, and holds merged
// entries only whole, each with its PDF.
TEST_F(LibraryMergeTest, AFailedWriteAnywhereLeavesWholeEntriesOnly) {
  const std::string base = box_.path("base.fln");
  writeAll(base, libraryBytes_);
  for (FileFaults::Kind kind : {FileFaults::Kind::FromThenOn, FileFaults::Kind::Once}) {
    bool reachedEnd = false;
    int partial = 0;
    for (long n = 1; n < 1000 && !reachedEnd; ++n) {
      const std::string context = std::string(kind == FileFaults::Kind::Once ? "only write" : "writes fail from") +
                                  " #" + std::to_string(n);
      const std::string work = box_.path("work.fln");
      QFile::remove(QString::fromStdString(ZelJournal::PathFor(work)));
      writeAll(work, readAll(base));
      Library library;
      Load(work, &library);
      FileFaults::failWrite(n, kind);
      const MergeResult result = MergeLibraryFile(&library.data, otherPath_.c_str());
      reachedEnd = FileFaults::writesSeen() < n;
      FileFaults::reset();
      SCOPED_TRACE(context);
      ASSERT_TRUE(result.other.ok());
      if (reachedEnd) {
        EXPECT_EQ(result.merged.imported, 3);
      }
      const size_t count = ExpectConsistentLibrary(work, before_, sources_, context).size();
      if (count > 1 && count < 4) ++partial;
      EXPECT_EQ(readAll(otherPath_), otherBytes_);
    }
    EXPECT_TRUE(reachedEnd);
    std::printf("merge with failing writes: %d runs left some of the entries merged\n", partial);
  }
}

}  // namespace
