#pragma once
// Helpers for the import, export and deletion tests: a library file in a
// temporary folder with the preference file kept there too, a frozen clock,
// generated PDFs, and a plain view of what a library file holds.

#include <QByteArray>
#include <QDateTime>
#include <QTemporaryDir>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "library/FlnRecords.h"

namespace transfertest {

/// Makes Clock::now() answer a settable time until destroyed.
class FrozenClock {
 public:
  explicit FrozenClock(const QDateTime& time);
  ~FrozenClock();
  void set(const QDateTime& time);

 private:
  std::shared_ptr<QDateTime> time_;
};
/// 2026-12-08 21:13:20.500 and 2027-01-02 03:04:05.006 local time, and their date strings.
QDateTime ImportTime();
QDateTime ExportTime();
constexpr char kImportDate[] = "20261208211320500";
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
  QTemporaryDir dir_;
  QByteArray savedConfigHome_;
  bool hadConfigHome_ = false;
};

/// A PDF's bytes: "%PDF-1.4\n" then deterministic bytes, `size` in all.
QByteArray PdfBytes(int size, int seed);

/// An FLN_DATA released when destroyed.
struct Library {
  FLN_DATA data;
  Library() = default;
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;
  ~Library();
};
/// Creates a new library file at `path` and loads it (test failure otherwise).
void CreateAndLoad(const std::string& path, Library* library);
/// Loads the file at `path` (test failure otherwise).
void Load(const std::string& path, Library* library);

/// Every record of an array, in order.
std::vector<FLN_ENTRY> Entries(TESK_ARY ary);
std::vector<FLN_ATTACHMENT> Attachments(TESK_ARY ary);

/// UTF-8 text of a stored text field, and a zero-terminated date field.
std::string Text(const void* field, size_t fieldBytes);
std::string Date(const char* field, size_t fieldBytes);
#define TT_TEXT(record, field) transfertest::Text((record).field, sizeof((record).field))
#define TT_DATE(record, field) transfertest::Date((record).field, sizeof((record).field))
int32_t Host(int32_t littleEndian);

/// The stored PDF of the entry with en_id `enId` (host order), null when it
/// has no attachment record or the bytes cannot be read.
QByteArray StoredPdf(const FLN_DATA& library, int32_t enId);

/// What must hold of any library file whatever happened to an import into
/// it: it loads; every entry of `before` is still there, byte for byte, with
/// its PDF; every entry has exactly one attachment record and a PDF that
/// equals the file it was imported from (`sources`, by en_file_path); en_ids
/// and at_ids are unique and below their counters' nextId. Test failures
/// name `context`. Returns the loaded entries.
std::vector<FLN_ENTRY> ExpectConsistentLibrary(const std::string& libraryPath, const std::vector<FLN_ENTRY>& before,
                                               const std::map<std::string, QByteArray>& sources,
                                               const std::string& context);

/// The one 256-byte record of `tag` in the container at `path`, as text; empty when missing.
std::string PreferenceRecord(const std::string& path, int32_t tag);

/// Names in the folder (not "." and ".."), sorted.
std::vector<std::string> FolderNames(const std::string& folder);

}  // namespace transfertest
