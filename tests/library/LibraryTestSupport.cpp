#include "LibraryTestSupport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <ctime>

#include "library/FlnCreateCats.h"
#include "library/FlnEnvironment.h"
#include "library/FlnIdCounter.h"
#include "library/FlnNewLibrary.h"
#include "library/FlnSave.h"
#include "format/Endian.h"
#include "storage/ZelFile.h"

namespace libtest {

void WriteSampleLibrary(const std::string& path, int entries) {
  const FlnResult created = CreateNewLibraryFile(path.c_str());
  ASSERT_TRUE(created.ok()) << created.reason;
  // The PDFs first, written straight into the file, and only then the
  // library that uses them: a library saves only into the file it loaded.
  for (int i = 0; i < entries; ++i) AppendMember(path, kTagAttachmentData, "%PDF-1.4 sample " + std::to_string(i));
  Library library;
  Load(path, &library);
  FLN_DATA& d = library.data;
  for (int i = 0; i < entries; ++i) {
    const FLN_ENTRY e = MakeEntry(100 + i, "本のタイトル " + std::to_string(i), i % 2 ? "技術" : "その他");
    ASSERT_EQ(Tesk_Ary_Add(d.entry, &e), 0);
    const FLN_ATTACHMENT a = MakeAttachment(i, 100 + i, i);
    ASSERT_EQ(Tesk_Ary_Add(d.attachment, &a), 0);
  }
  // The counters stand above the identifiers just stored, as in a library the program wrote.
  ASSERT_EQ(RaiseIdCounter(d.idCounter, kTagEntry, "en_id", 100 + entries - 1), 0);
  ASSERT_EQ(RaiseIdCounter(d.idCounter, kTagAttachment, "at_id", entries - 1), 0);
  ASSERT_EQ(SaveEnvironment(&d, "main_window_position", "10,20,610,820"), 0);
  ASSERT_EQ(SaveEnvironment(&d, "categorybox_height", "150.000000"), 0);
  ASSERT_EQ(CreateFlnCats("技術", "その他", "その他", d.idCounter, d.catsAry), 0);
  ASSERT_TRUE(SaveAll(d.filePath, &d).ok());
}

FLN_ENTRY MakeEntry(int32_t id, const std::string& title, const std::string& c1, const std::string& c2,
                    const std::string& c3) {
  FLN_ENTRY e;
  std::memset(&e, 0, sizeof e);
  e.en_id = ZEL_EndianLong_NtoL(id);
  SET_FIELD_TEXT(e, en_title, title);
  SET_FIELD_TEXT(e, en_file_name, title + ".pdf");
  SET_FIELD_TEXT(e, en_c1_name, c1);
  SET_FIELD_TEXT(e, en_c2_name, c2);
  SET_FIELD_TEXT(e, en_c3_name, c3);
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

FLN_ID_COUNTER MakeIdCounter(int32_t icId, int32_t tag, const char* key, int32_t nextId) {
  FLN_ID_COUNTER c;
  std::memset(&c, 0, sizeof c);
  c.ic_id = ZEL_EndianLong_NtoL(icId);
  c.tag = ZEL_EndianLong_NtoL(tag);
  std::strncpy(c.key, key, sizeof c.key - 1);
  c.nextId = ZEL_EndianLong_NtoL(nextId);
  return c;
}

ChildEnd RunInChild(const std::function<bool()>& work) {
  const pid_t child = fork();
  if (child < 0) return ChildEnd::Unexpected;
  if (child == 0) _exit(work() ? 0 : 1);
  int status = 0;
  if (waitpid(child, &status, 0) != child) return ChildEnd::Unexpected;
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return ChildEnd::Completed;
  if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) return ChildEnd::Killed;
  return ChildEnd::Unexpected;
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

}  // namespace libtest
