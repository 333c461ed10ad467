#include "TransferTestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <algorithm>
#include <cstring>
#include <set>

#include "format/CategoryNames.h"
#include "library/FlnAttachment.h"
#include "library/FlnPreference.h"
#include "storage/ZelAry.h"
#include "storage/ZelJournal.h"

namespace transfertest {

QDateTime ExportTime() { return QDateTime(QDate(2027, 1, 2), QTime(3, 4, 5, 6)); }

Sandbox::Sandbox() {
  EXPECT_TRUE(dir_.dir.isValid());
  hadConfigHome_ = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
  savedConfigHome_ = qgetenv("XDG_CONFIG_HOME");
  makeFolder("config");
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(QString::fromStdString(path("config"))));
}

Sandbox::~Sandbox() {
  if (hadConfigHome_)
    qputenv("XDG_CONFIG_HOME", savedConfigHome_);
  else
    qunsetenv("XDG_CONFIG_HOME");
}

std::string Sandbox::root() const { return dir_.dir.path().toStdString(); }
std::string Sandbox::path(const std::string& relative) const { return root() + "/" + relative; }

void Sandbox::makeFolder(const std::string& relative) const {
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(path(relative)))) << relative;
}

QByteArray PdfBytes(int size, int seed) {
  QByteArray bytes("%PDF-1.4\n");
  uint32_t state = 2166136261u ^ static_cast<uint32_t>(seed);
  while (bytes.size() < size) {
    state = state * 16777619u + 12345u;
    bytes.append(static_cast<char>(state >> 24));
  }
  bytes.truncate(size);
  return bytes;
}

QByteArray Sandbox::writePdf(const std::string& relative, int size, int seed) const {
  const QByteArray bytes = PdfBytes(size, seed);
  QFile file(QString::fromStdString(path(relative)));
  EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << relative;
  EXPECT_EQ(file.write(bytes), bytes.size());
  return bytes;
}

void Sandbox::writeText(const std::string& relative, const std::string& text) const {
  QFile file(QString::fromStdString(path(relative)));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << relative;
  ASSERT_EQ(file.write(text.data(), static_cast<qint64>(text.size())), static_cast<qint64>(text.size()));
}

std::string Sandbox::preferenceFile() const { return path("config/FOLIAN/Preference.zel"); }

void SandboxLibraryTest::SetUp() {
  ASSERT_NO_FATAL_FAILURE(CreateAndLoad(libraryPath_, &library_));
  for (char* choice : {library_.data.lastSelectCat1, library_.data.lastSelectCat2, library_.data.lastSelectCat3})
    std::strcpy(choice, kCategoryAll);
}

namespace {
// The nextId of a counter as the file stores it (loading raises counters
// that are behind, so the loaded ones would always look right); 0 without it.
int32_t StoredNextIdOf(const std::string& libraryPath, int32_t tag, const char* key) {
  ZEL_FILE file;
  Ary counters;
  if (ZEL_Open(libraryPath.c_str(), 1, &file) == ZEL_OK) counters.reset(ZEL_ARY_Load(&file, kTagIdCounter));
  ZEL_Close(&file);
  if (counters == nullptr) return 0;
  for (const FLN_ID_COUNTER& c : RecordsOf<FLN_ID_COUNTER>(counters.get()))
    if (Host(c.tag) == tag && std::strcmp(c.key, key) == 0) return Host(c.nextId);
  return 0;
}
}  // namespace

std::vector<FLN_ENTRY> Entries(TESK_ARY ary) { return RecordsOf<FLN_ENTRY>(ary); }
std::vector<FLN_ATTACHMENT> Attachments(TESK_ARY ary) { return RecordsOf<FLN_ATTACHMENT>(ary); }

QByteArray StoredPdf(const FLN_DATA& library, int32_t enId) {
  for (const FLN_ATTACHMENT& a : Attachments(library.attachment))
    if (Host(a.en_id) == enId) return ReadPDFData_ByFLNFile(Host(a.dataIndex), library.filePath);
  return QByteArray();
}

std::vector<FLN_ENTRY> ExpectConsistentLibrary(const std::string& libraryPath, const std::vector<FLN_ENTRY>& before,
                                               const std::map<std::string, QByteArray>& sources,
                                               const std::string& context) {
  SCOPED_TRACE(context);
  // As whoever opens the library next does: an unfinished change is undone first.
  const ZelJournal::Recovery recovery = ZelJournal::RollBack(libraryPath);
  EXPECT_TRUE(recovery != ZelJournal::Recovery::Failed && recovery != ZelJournal::Recovery::Foreign);
  Library library;
  Load(libraryPath, &library);
  const std::vector<FLN_ENTRY> entries = Entries(library.data.entry);
  const std::vector<FLN_ATTACHMENT> attachments = Attachments(library.data.attachment);

  for (const FLN_ENTRY& old : before) {
    const bool kept = std::any_of(entries.begin(), entries.end(), [&](const FLN_ENTRY& e) {
      return std::memcmp(&e, &old, sizeof e) == 0;
    });
    EXPECT_TRUE(kept) << "entry " << Host(old.en_id) << " lost or changed";
  }

  std::set<int32_t> enIds, atIds;
  const int32_t nextEnId = StoredNextIdOf(libraryPath, kTagEntry, "en_id");
  const int32_t nextAtId = StoredNextIdOf(libraryPath, kTagAttachment, "at_id");
  for (const FLN_ATTACHMENT& a : attachments) {
    EXPECT_TRUE(atIds.insert(Host(a.at_id)).second) << "at_id " << Host(a.at_id) << " twice";
    EXPECT_LT(Host(a.at_id), nextAtId);
  }
  for (const FLN_ENTRY& e : entries) {
    const int32_t id = Host(e.en_id);
    EXPECT_TRUE(enIds.insert(id).second) << "en_id " << id << " twice";
    EXPECT_LT(id, nextEnId);
    const auto links = std::count_if(attachments.begin(), attachments.end(),
                                     [&](const FLN_ATTACHMENT& a) { return Host(a.en_id) == id; });
    EXPECT_EQ(links, 1) << "entry " << id << " has " << links << " attachment records";
    const auto source = sources.find(FIELD_TEXT(e, en_file_path));
    if (source == sources.end()) {
      ADD_FAILURE() << "entry " << id << " comes from no known file: " << FIELD_TEXT(e, en_file_path);
      continue;
    }
    EXPECT_EQ(StoredPdf(library.data, id), source->second) << "PDF of entry " << id << " (" << source->first << ")";
  }
  return entries;
}

std::string PreferenceRecord(const std::string& path, int32_t tag) {
  char record[kPreferenceRecordSize] = {};
  if (ReadPreference_FromZelFile(path.c_str(), tag, record, sizeof record) != 1) return std::string();
  return std::string(record, strnlen(record, sizeof record));
}

}  // namespace transfertest
