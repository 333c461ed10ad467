// The temporary files of whole-file replacements (a conversion, a
// compaction) whose process died: whoever takes the library alone removes
// them, never a running process's file nor a file of another name.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <set>

#include "LibraryTestSupport.h"
#include "TestFiles.h"
#include "library/FlnFileReplacement.h"
#include "library/FlnLibraryLock.h"
#include "storage/SideFilePath.h"

using namespace libtest;

namespace {

// The id of a process that has ended and been reaped.
long DeadPid() {
  const pid_t child = fork();
  if (child == 0) _exit(0);
  int status = 0;
  waitpid(child, &status, 0);
  return static_cast<long>(child);
}

std::string NameOf(const std::string& path) { return path.substr(path.rfind('/') + 1); }

void Touch(const std::string& path) { writeAll(path, {'x'}); }

class ReplacementLeftovers : public ::testing::Test {
 protected:
  void SetUp() override {
    library = tmp.path("lib.fln");
    WriteSampleLibrary(library, 2);
    dead = DeadPid();
  }

  // Lays the files of `kept` and `removed` beside the library, then takes its
  // lock in `mode`; only the files of `removed` may go, and only when held alone.
  void expectAfterLock(LibraryLockMode mode, const std::vector<std::string>& kept,
                       const std::vector<std::string>& removed) {
    for (const std::string& name : kept) Touch(tmp.path(name));
    for (const std::string& name : removed) Touch(tmp.path(name));
    {
      LibraryLock lock;
      ASSERT_EQ(lock.acquire(library, mode, LibraryLockHolder::WritingCommand), LibraryLockStatus::Held)
          << lock.problem();
    }
    std::set<std::string> expected(kept.begin(), kept.end());
    if (mode == LibraryLockMode::Shared) expected.insert(removed.begin(), removed.end());
    expected.insert("lib.fln");
    EXPECT_EQ(FolderNames(tmp.path("")), std::vector<std::string>(expected.begin(), expected.end()));
  }

  std::string leftover(long pid, int attempt, const std::string& target = "lib.fln") const {
    return target + ".new-" + std::to_string(pid) + "-" + std::to_string(attempt);
  }

  TempDir tmp;
  std::string library;
  long dead = 0;
};

TEST_F(ReplacementLeftovers, TakingTheLibraryAloneRemovesOnlyFilesOfDeadReplacements) {
  const long self = static_cast<long>(getpid());
  const long parent = static_cast<long>(getppid());
  const std::vector<std::string> kept = {
      leftover(self, 0),                     // this process: it may be writing it
      leftover(parent, 3),                   // another running process
      leftover(dead, 0, "other.fln"),        // another library's
      leftover(dead, 0, "lib"),              // a name the library's name begins with
      "lib.fln.new-" + std::to_string(dead) + "-x",
      "lib.fln.new-" + std::to_string(dead) + "-1.bak",
      "lib.fln.new--" + std::to_string(dead) + "-1",
      "lib.fln.new-0" + std::to_string(dead) + "-1",
      "lib.fln.journal-like",
      "xlib.fln.new-" + std::to_string(dead) + "-0",
  };
  const std::vector<std::string> removed = {leftover(dead, 0), leftover(dead, 17)};
  for (const LibraryLockMode mode : {LibraryLockMode::Shared, LibraryLockMode::Exclusive}) {
    SCOPED_TRACE(mode == LibraryLockMode::Shared ? "shared" : "exclusive");
    expectAfterLock(mode, kept, removed);
  }
}

TEST_F(ReplacementLeftovers, ALongLibraryNameIsMatchedAsItsTemporaryFilesAreNamed) {
  // A name that leaves no room for the suffix: the temporary file's name is
  // cut. (The matching needs no library file, only its name.)
  const std::string longName = std::string(250, 'a') + ".fln";
  library = tmp.path(longName);
  const std::string cut = NameOf(SideFilePath(library, ".new-" + std::to_string(dead) + "-2"));
  ASSERT_NE(cut.rfind(longName, 0), 0u) << "the name was to be cut";
  const std::string otherCut =
      NameOf(SideFilePath(tmp.path(std::string(250, 'b') + ".fln"), ".new-" + std::to_string(dead) + "-2"));
  Touch(tmp.path("lib.fln.new-" + std::to_string(dead) + "-0"));  // the fixture's other library's
  std::vector<std::string> expected = FolderNames(tmp.path(""));
  Touch(tmp.path(cut));
  Touch(tmp.path(otherCut));
  EXPECT_EQ(FlnFileReplacement::removeLeftovers(library), 1);
  expected.push_back(otherCut);
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(FolderNames(tmp.path("")), expected);
}

}  // namespace
