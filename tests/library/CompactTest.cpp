// Compacting a library: the file rewritten without the space of removed
// items, every record kept, the old file whole after any failure or kill.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "LibraryTestSupport.h"
#include "format/Endian.h"
#include "library/FlnCompact.h"
#include "library/FlnCopy.h"
#include "library/FlnLoad.h"
#include "storage/FileIo.h"

using namespace libtest;

namespace {

constexpr int32_t kJunkTag = ZelTag("JUNK");
constexpr int32_t kUnknownTag = ZelTag("XTRA");
// What a copy leaves out and a compaction carries over as the file holds it.
const std::vector<int32_t> kCarriedTags = {kTagCat1, kTagCat2, kTagCat3, kTagEntrySort, kTagPrefFolderImport,
                                           kTagPrefFileImport, kUnknownTag};

// A sample library of three entries with their PDFs, the tags a copy leaves
// out, and 20000 bytes of a removed item in the middle of it.
class CompactLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteSampleLibrary(path, 3);
    AppendMember(path, kTagCat1, std::string(sizeof(FLN_CATEGORY), 'c'));
    AppendMember(path, kTagCat2, std::string(sizeof(FLN_CATEGORY), 'd'));
    AppendMember(path, kTagCat3, std::string(sizeof(FLN_CATEGORY), 'e'));
    AppendMember(path, kTagPrefFolderImport, std::string(256, 'f'));
    SetMembers(path, kJunkTag, {std::string(20000, 'j')});
    AppendMember(path, kTagPrefFileImport, std::string(256, 'g'));
    AppendMember(path, kUnknownTag, "first");
    AppendMember(path, kUnknownTag, "second");
    SetMembers(path, kJunkTag, {});
    before = readAll(path);
    writeAll(originalPath, before);
    original = ReadContents(path);
    for (int32_t tag : kCarriedTags) ASSERT_NE(MembersOf(original, tag), nullptr) << tag;
  }

  // The folder holds the library alone: no new file was left beside it.
  // Points attachment record `index` at stored PDF `dataIndex`.
  void SetDataIndex(size_t index, int32_t dataIndex) {
    std::vector<std::string> attachments = *MembersOf(original, kTagAttachment);
    FLN_ATTACHMENT a;
    std::memcpy(&a, attachments[index].data(), sizeof a);
    a.dataIndex = ZEL_EndianLong_NtoL(dataIndex);
    attachments[index].assign(reinterpret_cast<const char*>(&a), sizeof a);
    SetMembers(path, kTagAttachment, attachments);
  }

  void ExpectNothingBeside() {
    EXPECT_EQ(QDir(QString::fromStdString(dir.path(""))).entryList(QDir::Files), QStringList{"lib.fln"});
  }

  // The file at `file` holds, tag for tag, what a copy of the original
  // library writes, then the tags a copy leaves out, as the original held them.
  void ExpectCopyRecordsThenTheRest(const std::string& file) {
    Library loaded;
    ASSERT_TRUE(ReadFlnDataFromFlnFile(originalPath.c_str(), &loaded.data).ok());
    const std::string copyPath = keep.path("copy.fln");
    ASSERT_TRUE(WriteLibraryCopy(&loaded.data, copyPath.c_str()).ok());
    Contents expected = ReadContents(copyPath);
    for (const auto& tag : original)
      if (!IsLibraryRecordTag(tag.first) && tag.first != kJunkTag) expected.push_back(tag);
    EXPECT_EQ(ReadContents(file), expected);
    QFile::remove(QString::fromStdString(copyPath));
  }

  TempDir dir;
  TempDir keep;  // the original library and a copy of it, apart from the library's folder
  std::string originalPath = keep.path("original.fln");
  std::string path = dir.path("lib.fln");
  std::vector<uint8_t> before;
  Contents original;
};

TEST_F(CompactLibrary, GivesBackTheDeadBytesAndKeepsEveryRecordAsACopyWritesIt) {
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  LibraryLock lock;
  ASSERT_EQ(lock.acquire(path, LibraryLockMode::Exclusive, LibraryLockHolder::WritingCommand),
            LibraryLockStatus::Held);
  FlnCompaction done;
  std::vector<std::pair<int32_t, int32_t>> steps;
  const FlnResult r = CompactLibraryFile(path, &lock, LibraryLockHolder::WritingCommand, &done,
                                         [&](int32_t n, int32_t total) {
                                           steps.emplace_back(n, total);
                                           return true;
                                         });
  ASSERT_TRUE(r.ok()) << r.reason;
  EXPECT_EQ(steps, (std::vector<std::pair<int32_t, int32_t>>{{0, 3}, {1, 3}, {2, 3}}));
  EXPECT_EQ(done.sizeBefore, static_cast<int64_t>(before.size()));
  EXPECT_EQ(done.sizeAfter, static_cast<int64_t>(readAll(path).size()));
  // The removed item's 20036 bytes go; the copy's digests of the three PDFs
  // (which the sample library lacks) come in.
  EXPECT_LT(done.sizeAfter, done.sizeBefore - 19000);
  ExpectNothingBeside();
  ExpectCopyRecordsThenTheRest(path);
  struct stat st;
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);

  // The caller's lock holds the new file, which no one could open unlocked.
  LibraryLock other;
  EXPECT_EQ(other.acquire(path, LibraryLockMode::Shared, LibraryLockHolder::ReadingCommand), LibraryLockStatus::Busy);
  // Compacting a compact library changes nothing.
  const std::vector<uint8_t> once = readAll(path);
  ASSERT_TRUE(CompactLibraryFile(path, &lock, LibraryLockHolder::WritingCommand, nullptr).ok());
  EXPECT_EQ(readAll(path), once);
}

TEST_F(CompactLibrary, AFailedReadWriteOrFlushAnywhereLeavesTheOldFileWhole) {
  const struct {
    const char* name;
    void (*arm)(long n, FileFaults::Kind kind);
    long (*seen)();
    long atLeast;  // failures that must leave the old file (the last flush is after the rename)
  } faults[] = {{"write", FileFaults::failWrite, FileFaults::writesSeen, 20},
                {"flush", FileFaults::failFlush, FileFaults::flushesSeen, 1},
                {"read", FileFaults::failRead, FileFaults::readsSeen, 20}};
  for (const auto& fault : faults) {
    SCOPED_TRACE(fault.name);
    long failed = 0;
    bool reachedEnd = false;
    for (long n = 1; n < 20000 && !reachedEnd; ++n) {
      fault.arm(n, FileFaults::Kind::Once);
      LibraryLock lock;
      const FlnResult r = CompactLibraryFile(path, &lock, LibraryLockHolder::WritingCommand, nullptr);
      reachedEnd = fault.seen() < n;
      FileFaults::reset();
      if (r.ok()) {
        ExpectCopyRecordsThenTheRest(path);
        writeAll(path, before);
        continue;
      }
      ASSERT_EQ(readAll(path), before) << "failing " << fault.name << " " << n << ": " << r.reason;
      ExpectNothingBeside();
          ++failed;
    }
    EXPECT_TRUE(reachedEnd);
    EXPECT_GE(failed, fault.atLeast);
  }
}

TEST_F(CompactLibrary, AProcessKilledAnywhereLeavesTheOldFileOrTheWholeNewOne) {
  const struct {
    const char* name;
    void (*arm)(long n);
  } kills[] = {{"write", FileFaults::killAfterWrite}, {"flush", FileFaults::killAfterFlush}};
  for (const auto& kill : kills) {
    SCOPED_TRACE(kill.name);
    bool completed = false;
    int sawNew = 0, killed = 0;
    for (long n = 1; n < 20000 && !completed; ++n) {
      writeAll(path, before);
      const ChildEnd end = RunInChild([&] {
        kill.arm(n);
        LibraryLock lock;
        return CompactLibraryFile(path, &lock, LibraryLockHolder::WritingCommand, nullptr).ok();
      });
      ASSERT_NE(end, ChildEnd::Unexpected) << n;
      if (end == ChildEnd::Completed)
        completed = true;
      else
        ++killed;
      if (readAll(path) != before) {
        ++sawNew;
        ExpectCopyRecordsThenTheRest(path);
      }
      // A killed writer leaves its unfinished new file beside the library;
      // it is never the library.
      for (const QString& name : QDir(QString::fromStdString(dir.path(""))).entryList(QDir::Files))
        if (name.startsWith(QStringLiteral("lib.fln.new-"))) QFile::remove(QString::fromStdString(dir.path(name.toStdString())));
    }
    EXPECT_TRUE(completed);
    EXPECT_GE(killed, 3);
    EXPECT_GE(sawNew, 1);
  }
}

TEST_F(CompactLibrary, RefusesWhatWouldLoseAPdfAndAStopAndLeavesTheFileAlone) {
  const struct {
    const char* name;
    std::function<void()> damage;
    CompactProgress progress;
    FlnStatus status;
    const char* reason;
  } cases[] = {
      {"a PDF past the stored ones", [&] { SetDataIndex(1, 40); }, nullptr, FlnStatus::Damaged,
       "1 stored PDFs cannot be read whole; compacting would lose them (\"folian-cli check\" names them)"},
      {"a PDF of no bytes",
       [&] {
         AppendMember(path, kTagAttachmentData, "");
         SetDataIndex(2, 3);
       },
       nullptr, FlnStatus::Damaged,
       "1 stored PDFs cannot be read whole; compacting would lose them (\"folian-cli check\" names them)"},
      {"stopped before the second PDF", [] {}, [](int32_t done, int32_t) { return done < 1; }, FlnStatus::Stopped,
       "stopped; the library is unchanged"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    writeAll(path, before);
    c.damage();
    const std::vector<uint8_t> damaged = readAll(path);
    LibraryLock lock;
    const FlnResult r = CompactLibraryFile(path, &lock, LibraryLockHolder::WritingCommand, nullptr, c.progress);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.reason, c.reason);
    EXPECT_EQ(readAll(path), damaged);
    ExpectNothingBeside();
  }
}

}  // namespace
