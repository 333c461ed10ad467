#pragma once
// Helpers for the import, export and deletion tests: a temporary folder that
// also keeps the preference file, a loaded library in it, generated PDFs, and
// checks of what a library file holds; on top of the shared library, clock
// and record field helpers.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDateTime>
#include <map>
#include <string>
#include <vector>

#include "FrozenClock.h"
#include "LibraryFixtures.h"
#include "OwnedAry.h"
#include "RecordFields.h"
#include "TestFiles.h"
#include "library/FlnData.h"

namespace transfertest {

using namespace testsupport;

/// 2027-01-02 03:04:05.006 local time, a later time than FixedTime, and its date string.
QDateTime ExportTime();
constexpr char kExportDate[] = "20270102030405006";

/// A temporary folder that also stands in for the user's configuration
/// folder (XDG_CONFIG_HOME) while it lives, so that the preference file of
/// an import lands here.
class Sandbox {
 public:
  Sandbox();
  ~Sandbox();
  std::string path(const std::string& relative) const;
  std::string root() const;
  /// Creates the folders on the way to `relative` (a folder).
  void makeFolder(const std::string& relative) const;
  /// Writes a PDF of `size` bytes (at least 16) whose bytes depend on `seed`; returns them.
  QByteArray writePdf(const std::string& relative, int size, int seed) const;
  void writeText(const std::string& relative, const std::string& text) const;
  /// The preference file's path.
  std::string preferenceFile() const;

 private:
  TempDir dir_;
  QByteArray savedConfigHome_;
  bool hadConfigHome_ = false;
};

/// A new library file "library.fln" in a Sandbox, loaded, with every
/// category list choosing kCategoryAll so that the entry list shows every
/// entry; the clock stands at FixedTime until the test changes it.
class SandboxLibraryTest : public testing::Test {
 protected:
  void SetUp() override;

  Sandbox box_;
  FrozenClock clock_{FixedTime()};
  std::string libraryPath_ = box_.path("library.fln");
  Library library_;
};

/// A PDF's bytes: "%PDF-1.4\n" then deterministic bytes, `size` in all.
QByteArray PdfBytes(int size, int seed);

/// Every record of an array, in order.
std::vector<FLN_ENTRY> Entries(TESK_ARY ary);
std::vector<FLN_ATTACHMENT> Attachments(TESK_ARY ary);

/// The stored PDF of the entry with en_id `enId` (host order), null when it
/// has no attachment record or the bytes cannot be read.
QByteArray StoredPdf(const FLN_DATA& library, int32_t enId);

/// What must hold of any library file whatever happened to an import into
/// it: once an unfinished change is rolled back, it loads; every entry of `before` is still there, byte for byte, with
/// its PDF; every entry has exactly one attachment record and a PDF that
/// equals the file it was imported from (`sources`, by en_file_path); en_ids
/// and at_ids are unique and below the nextId of their counters as the file
/// stores them. Test failures name `context`. Returns the loaded entries.
std::vector<FLN_ENTRY> ExpectConsistentLibrary(const std::string& libraryPath, const std::vector<FLN_ENTRY>& before,
                                               const std::map<std::string, QByteArray>& sources,
                                               const std::string& context);

/// The one 256-byte record of `tag` in the container at `path`, as text; empty when missing.
std::string PreferenceRecord(const std::string& path, int32_t tag);

}  // namespace transfertest
