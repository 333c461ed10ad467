#pragma once
// Helpers for the library tests: a temporary folder, a frozen clock, owned
// arrays and libraries, record builders and readers, and a plain view of what
// a container file holds.

#include <QDateTime>
#include <QTemporaryDir>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "library/FlnRecords.h"

namespace libtest {

struct TempDir {
  QTemporaryDir dir;
  std::string path(const std::string& name) const { return dir.filePath(QString::fromStdString(name)).toStdString(); }
};

/// Makes Clock::now() answer `time` until destroyed.
class FrozenClock {
 public:
  explicit FrozenClock(const QDateTime& time);
  ~FrozenClock();
  void set(const QDateTime& time);

 private:
  std::shared_ptr<QDateTime> time_;
};
/// 2026-12-08 21:13:20.500 local time, whose date string is "20261208211320500".
QDateTime FixedTime();
constexpr char kFixedDate[] = "20261208211320500";

struct AryDeleter {
  void operator()(TeskAryHeader* ary) const { Tesk_Ary_Free(ary); }
};
using Ary = std::unique_ptr<TeskAryHeader, AryDeleter>;
Ary NewAry(size_t recordSize);

/// An FLN_DATA released with FreeFlnData when destroyed.
struct Library {
  FLN_DATA data;
  Library() = default;
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;
  ~Library();
};

/// A new library file at `path`, loaded into `library`; fails the test when either step fails.
void CreateAndLoad(const std::string& path, Library* library);

/// Writes a library file with `entries` entries (en_id 100 + i, each with
/// an attachment and a small PDF), two environment values and a second
/// category triple, saved with SaveAll.
void WriteSampleLibrary(const std::string& path, int entries);

/// UTF-8 text of a little-endian text field.
std::string Text(const void* field, size_t fieldBytes);
#define LIBTEST_TEXT(record, field) libtest::Text((record).field, sizeof((record).field))
/// A zero-terminated date or key field as a string.
std::string Chars(const char* field, size_t size);

/// An entry with en_id `id` and the given title and categories.
FLN_ENTRY MakeEntry(int32_t id, const std::string& title, const std::string& c1 = "その他",
                    const std::string& c2 = "その他", const std::string& c3 = "その他");
FLN_ATTACHMENT MakeAttachment(int32_t atId, int32_t enId, int32_t dataIndex);
int32_t Host(int32_t littleEndian);

/// Tags in chain order, each with its members' bytes in member order; an empty
/// list when the file does not open as a container.
using Contents = std::vector<std::pair<int32_t, std::vector<std::string>>>;
Contents ReadContents(const std::string& path);
std::vector<int32_t> TagsOf(const Contents& contents);
const std::vector<std::string>* MembersOf(const Contents& contents, int32_t tag);

/// Moves the file's modification time a few seconds ahead, as a change made
/// later by someone else would.
void TouchLater(const std::string& path);

/// Appends one member to `tag` of the container at `path`.
void AppendMember(const std::string& path, int32_t tag, const std::string& bytes);
/// Replaces the members of `tag` with `members` (removing the tag when empty).
void SetMembers(const std::string& path, int32_t tag, const std::vector<std::string>& members);

}  // namespace libtest
