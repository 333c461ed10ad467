#include "ContainerContents.h"

#include <gtest/gtest.h>

#include "storage/ZelFile.h"

namespace testsupport {

int WalkContainer(const std::string& path, Contents* out) {
  ZEL_FILE f;
  int rc = ZEL_Open(path.c_str(), 1, &f);
  out->clear();
  for (rc = rc == ZEL_OK ? ZEL_FirstTag(&f) : rc; rc == ZEL_OK; rc = ZEL_NextTag(&f)) {
    if (out->size() > 10000) { rc = -100; break; }  // the walk itself must stay bounded
    const int32_t tag = f.current.tag;
    std::vector<std::string> members;
    int m = ZEL_FirstMember(&f, tag);
    for (; m == ZEL_OK; m = ZEL_NextMember(&f)) {
      std::string data(static_cast<size_t>(ZEL_GetDataLength(&f)), '\0');
      m = ZEL_GetData(&f, static_cast<uint32_t>(data.size()), data.data());
      if (m != ZEL_OK) break;
      members.push_back(data);
      if (members.size() > 10000) { m = -100; break; }
    }
    if (m != ZEL_ERR_NO_MEMBER) { rc = m; break; }
    out->emplace_back(tag, members);
    ZEL_FirstMember(&f, tag);  // back to the head, so that NextTag continues the tag chain
  }
  ZEL_Close(&f);
  return rc == ZEL_ERR_NO_TAG ? ZEL_OK : rc;
}

Contents ReadContents(const std::string& path) {
  Contents contents;
  EXPECT_EQ(WalkContainer(path, &contents), ZEL_OK) << path;
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

void MakeContainer(const std::string& path, const Contents& contents, const zel::RecordLayout& layout) {
  ZEL_FILE f;
  ASSERT_EQ(ZEL_CreateWithLayout(path.c_str(), layout, &f), ZEL_OK);
  for (const auto& [tag, members] : contents)
    for (const auto& data : members)
      ASSERT_EQ(ZEL_AddData(&f, tag, static_cast<uint32_t>(data.size()), data.data()), ZEL_OK);
  ZEL_Close(&f);
}

void SetMembers(const std::string& path, int32_t tag, const std::vector<std::string>& members) {
  ZEL_FILE file;
  ASSERT_EQ(ZEL_Open(path.c_str(), 0, &file), ZEL_OK);
  while (ZEL_FirstMember(&file, tag) == ZEL_OK) ASSERT_EQ(ZEL_RemoveData(&file), ZEL_OK);
  for (const std::string& m : members)
    EXPECT_EQ(ZEL_AddData(&file, tag, static_cast<uint32_t>(m.size()), m.data()), ZEL_OK);
  ZEL_Close(&file);
}

int64_t FirstItemOffset(const std::string& path, int32_t tag) {
  ZEL_FILE file;
  int64_t offset = -1;
  if (ZEL_Open(path.c_str(), 1, &file) == ZEL_OK && ZEL_FirstMember(&file, tag) == ZEL_OK)
    offset = file.current.position;
  ZEL_Close(&file);
  return offset;
}

}  // namespace testsupport
