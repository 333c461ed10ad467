#include "ZelTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace zeltest {

std::vector<uint8_t> fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

uint32_t u32At(const std::vector<uint8_t>& bytes, size_t offset) {
  return static_cast<uint32_t>(bytes.at(offset)) | static_cast<uint32_t>(bytes.at(offset + 1)) << 8 |
         static_cast<uint32_t>(bytes.at(offset + 2)) << 16 | static_cast<uint32_t>(bytes.at(offset + 3)) << 24;
}

void putU32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.at(offset + i) = static_cast<uint8_t>(value >> (8 * i));
}

int walk(const std::string& path, Contents* out) {
  ZEL_FILE f;
  int rc = ZEL_Open(path.c_str(), 1, &f);
  out->tags.clear();
  for (rc = rc == ZEL_OK ? ZEL_FirstTag(&f) : rc; rc == ZEL_OK; rc = ZEL_NextTag(&f)) {
    if (out->tags.size() > 10000) { rc = -100; break; }  // the walk itself must stay bounded
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
    out->tags.emplace_back(tag, members);
    ZEL_FirstMember(&f, tag);  // back to the head, so that NextTag continues the tag chain
  }
  ZEL_Close(&f);
  return rc == ZEL_ERR_NO_TAG ? ZEL_OK : rc;
}

void makeContainer(const std::string& path,
                   const std::vector<std::pair<int32_t, std::vector<std::string>>>& tags) {
  ZEL_FILE f;
  ASSERT_EQ(ZEL_Create(path.c_str(), &f), ZEL_OK);
  for (const auto& [tag, members] : tags)
    for (const auto& data : members)
      ASSERT_EQ(ZEL_AddData(&f, tag, static_cast<uint32_t>(data.size()), data.data()), ZEL_OK);
  ZEL_Close(&f);
}

}  // namespace zeltest
