#include "LibraryTestSupport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <ctime>

#include "library/FlnCreateCats.h"
#include "library/FlnEnvironment.h"
#include "library/FlnLoad.h"
#include "library/FlnNewLibrary.h"
#include "library/FlnSave.h"
#include "storage/Clock.h"
#include "storage/Endian.h"
#include "storage/FolianCommon.h"
#include "storage/ZelFile.h"

namespace libtest {

FrozenClock::FrozenClock(const QDateTime& time) : time_(std::make_shared<QDateTime>(time)) {
  std::shared_ptr<QDateTime> t = time_;
  Clock::setSource([t] { return *t; });
}
FrozenClock::~FrozenClock() { Clock::setSource({}); }
void FrozenClock::set(const QDateTime& time) { *time_ = time; }

QDateTime FixedTime() { return QDateTime(QDate(2026, 12, 8), QTime(21, 13, 20, 500)); }

Ary NewAry(size_t recordSize) { return Ary(Tesk_Ary_Init(static_cast<int32_t>(recordSize), 20, 20)); }

Library::~Library() { FreeFlnData(&data); }

void CreateAndLoad(const std::string& path, Library* library) {
  const FlnResult created = CreateNewLibraryFile(path.c_str());
  ASSERT_TRUE(created.ok()) << created.reason;
  const FlnResult loaded = ReadFlnDataFromFlnFile(path.c_str(), &library->data);
  ASSERT_TRUE(loaded.ok()) << loaded.reason;
}

void WriteSampleLibrary(const std::string& path, int entries) {
  Library library;
  CreateAndLoad(path, &library);
  FLN_DATA& d = library.data;
  for (int i = 0; i < entries; ++i) {
    const FLN_ENTRY e = MakeEntry(100 + i, "本のタイトル " + std::to_string(i), i % 2 ? "技術" : "その他");
    ASSERT_EQ(Tesk_Ary_Add(d.entry, &e), 0);
    const FLN_ATTACHMENT a = MakeAttachment(i, 100 + i, i);
    ASSERT_EQ(Tesk_Ary_Add(d.attachment, &a), 0);
    AppendMember(path, kTagAttachmentData, "%PDF-1.4 sample " + std::to_string(i));
  }
  ASSERT_EQ(SaveEnvironment(&d, "main_window_position", "10,20,610,820"), 0);
  ASSERT_EQ(SaveEnvironment(&d, "categorybox_height", "150.000000"), 0);
  ASSERT_EQ(CreateFlnCats("技術", "その他", "その他", d.idCounter, d.catsAry), 0);
  ASSERT_EQ(SaveAll(d.filePath, &d), 1);
}

std::string Text(const void* field, size_t fieldBytes) {
  return FLN_COMM_CreateNSString_FromUniChar_LtoN(field, fieldBytes).toStdString();
}

std::string Chars(const char* field, size_t size) { return std::string(field, strnlen(field, size)); }

namespace {
void SetText(void* field, size_t bytes, const std::string& text) {
  ASSERT_EQ(FLN_COMM_ConvertCharToUniChar_NtoL(text.c_str(), field, bytes), 1) << text;
}
}  // namespace

FLN_ENTRY MakeEntry(int32_t id, const std::string& title, const std::string& c1, const std::string& c2,
                    const std::string& c3) {
  FLN_ENTRY e;
  std::memset(&e, 0, sizeof e);
  e.en_id = ZEL_EndianLong_NtoL(id);
  SetText(e.en_title, sizeof e.en_title, title);
  SetText(e.en_file_name, sizeof e.en_file_name, title + ".pdf");
  SetText(e.en_c1_name, sizeof e.en_c1_name, c1);
  SetText(e.en_c2_name, sizeof e.en_c2_name, c2);
  SetText(e.en_c3_name, sizeof e.en_c3_name, c3);
  return e;
}

FLN_ATTACHMENT MakeAttachment(int32_t atId, int32_t enId, int32_t dataIndex) {
  FLN_ATTACHMENT a;
  std::memset(&a, 0, sizeof a);
  a.at_id = ZEL_EndianLong_NtoL(atId);
  a.en_id = ZEL_EndianLong_NtoL(enId);
  a.dataIndex = ZEL_EndianLong_NtoL(dataIndex);
  return a;
}

int32_t Host(int32_t littleEndian) { return ZEL_EndianLong_LtoN(littleEndian); }

Contents ReadContents(const std::string& path) {
  Contents contents;
  ZEL_FILE file;
  if (ZEL_Open(path.c_str(), 1, &file) != ZEL_OK) {
    ZEL_Close(&file);
    return contents;
  }
  std::vector<int32_t> tags;
  for (int rc = ZEL_FirstTag(&file); rc == ZEL_OK; rc = ZEL_NextTag(&file)) tags.push_back(file.current.tag);
  for (int32_t tag : tags) {
    std::vector<std::string> members;
    for (int rc = ZEL_FirstMember(&file, tag); rc == ZEL_OK; rc = ZEL_NextMember(&file)) {
      std::string bytes(static_cast<size_t>(ZEL_GetDataLength(&file)), '\0');
      EXPECT_EQ(ZEL_GetData(&file, static_cast<uint32_t>(bytes.size()), bytes.data()), ZEL_OK);
      members.push_back(bytes);
    }
    contents.emplace_back(tag, members);
  }
  ZEL_Close(&file);
  return contents;
}

std::vector<int32_t> TagsOf(const Contents& contents) {
  std::vector<int32_t> tags;
  for (const auto& t : contents) tags.push_back(t.first);
  return tags;
}

const std::vector<std::string>* MembersOf(const Contents& contents, int32_t tag) {
  for (const auto& t : contents)
    if (t.first == tag) return &t.second;
  return nullptr;
}

void TouchLater(const std::string& path) {
  struct timespec times[2] = {{0, UTIME_OMIT}, {time(nullptr) + 5, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

void AppendMember(const std::string& path, int32_t tag, const std::string& bytes) {
  ZEL_FILE file;
  ASSERT_EQ(ZEL_Open(path.c_str(), 0, &file), ZEL_OK);
  EXPECT_EQ(ZEL_AddData(&file, tag, static_cast<uint32_t>(bytes.size()), bytes.data()), ZEL_OK);
  ZEL_Close(&file);
}

void SetMembers(const std::string& path, int32_t tag, const std::vector<std::string>& members) {
  ZEL_FILE file;
  ASSERT_EQ(ZEL_Open(path.c_str(), 0, &file), ZEL_OK);
  while (ZEL_FirstMember(&file, tag) == ZEL_OK) ASSERT_EQ(ZEL_RemoveData(&file), ZEL_OK);
  for (const std::string& m : members)
    EXPECT_EQ(ZEL_AddData(&file, tag, static_cast<uint32_t>(m.size()), m.data()), ZEL_OK);
  ZEL_Close(&file);
}

}  // namespace libtest
