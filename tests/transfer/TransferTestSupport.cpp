#include "TransferTestSupport.h"

#include <dirent.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <algorithm>
#include <cstring>
#include <set>

#include "library/FlnAttachment.h"
#include "library/FlnLoad.h"
#include "library/FlnNewLibrary.h"
#include "library/FlnPreference.h"
#include "storage/Clock.h"
#include "storage/Endian.h"
#include "storage/FolianCommon.h"

namespace transfertest {

FrozenClock::FrozenClock(const QDateTime& time) : time_(std::make_shared<QDateTime>(time)) {
  std::shared_ptr<QDateTime> t = time_;
  Clock::setSource([t] { return *t; });
}
FrozenClock::~FrozenClock() { Clock::setSource({}); }
void FrozenClock::set(const QDateTime& time) { *time_ = time; }

QDateTime ImportTime() { return QDateTime(QDate(2026, 12, 8), QTime(21, 13, 20, 500)); }
QDateTime ExportTime() { return QDateTime(QDate(2027, 1, 2), QTime(3, 4, 5, 6)); }

Sandbox::Sandbox() {
  EXPECT_TRUE(dir_.isValid());
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

std::string Sandbox::root() const { return dir_.path().toStdString(); }
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

Library::~Library() { FreeFlnData(&data); }

void CreateAndLoad(const std::string& path, Library* library) {
  const FlnResult created = CreateNewLibraryFile(path.c_str());
  ASSERT_TRUE(created.ok()) << created.reason;
  Load(path, library);
}

void Load(const std::string& path, Library* library) {
  const FlnResult loaded = ReadFlnDataFromFlnFile(path.c_str(), &library->data);
  ASSERT_TRUE(loaded.ok()) << path << ": " << loaded.reason;
}

namespace {
template <typename Record>
std::vector<Record> RecordsOf(TESK_ARY ary) {
  std::vector<Record> records(static_cast<size_t>(Tesk_Ary_GetSize(ary)));
  for (size_t i = 0; i < records.size(); ++i) Tesk_Ary_GetData(ary, static_cast<int32_t>(i), &records[i]);
  return records;
}

int32_t NextIdOf(TESK_ARY counters, int32_t tag, const char* key) {
  for (const FLN_ID_COUNTER& c : RecordsOf<FLN_ID_COUNTER>(counters))
    if (Host(c.tag) == tag && std::strcmp(c.key, key) == 0) return Host(c.nextId);
  return 0;
}
}  // namespace

std::vector<FLN_ENTRY> Entries(TESK_ARY ary) { return RecordsOf<FLN_ENTRY>(ary); }
std::vector<FLN_ATTACHMENT> Attachments(TESK_ARY ary) { return RecordsOf<FLN_ATTACHMENT>(ary); }

std::string Text(const void* field, size_t fieldBytes) {
  return FLN_COMM_CreateNSString_FromUniChar_LtoN(field, fieldBytes).toStdString();
}
std::string Date(const char* field, size_t fieldBytes) { return std::string(field, strnlen(field, fieldBytes)); }
int32_t Host(int32_t littleEndian) { return ZEL_EndianLong_LtoN(littleEndian); }

QByteArray StoredPdf(const FLN_DATA& library, int32_t enId) {
  for (const FLN_ATTACHMENT& a : Attachments(library.attachment))
    if (Host(a.en_id) == enId) return ReadPDFData_ByFLNFile(Host(a.dataIndex), library.filePath);
  return QByteArray();
}

std::vector<FLN_ENTRY> ExpectConsistentLibrary(const std::string& libraryPath, const std::vector<FLN_ENTRY>& before,
                                               const std::map<std::string, QByteArray>& sources,
                                               const std::string& context) {
  SCOPED_TRACE(context);
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
  const int32_t nextEnId = NextIdOf(library.data.idCounter, kTagEntry, "en_id");
  const int32_t nextAtId = NextIdOf(library.data.idCounter, kTagAttachment, "at_id");
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
    const auto source = sources.find(TT_TEXT(e, en_file_path));
    if (source == sources.end()) {
      ADD_FAILURE() << "entry " << id << " comes from no known file: " << TT_TEXT(e, en_file_path);
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

std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return names;
  while (const dirent* item = readdir(dir))
    if (std::strcmp(item->d_name, ".") != 0 && std::strcmp(item->d_name, "..") != 0) names.push_back(item->d_name);
  closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace transfertest
