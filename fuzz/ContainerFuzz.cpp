// Takes arbitrary bytes as a container file and does everything a reader
// does with one: walks every tag and member, loads every tag as a record
// array and reads every member's data. Any crash, hang, leak or sanitizer
// report is a bug in the reader.

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include "storage/TeskAry.h"
#include "storage/ZelAry.h"
#include "storage/ZelFile.h"

static std::string InputPath() {
  static const std::string path = "/dev/shm/container_fuzz_" + std::to_string(getpid()) + ".zel";
  return path;
}

static void ReadEveryMember(ZEL_FILE* file, int32_t tag) {
  std::vector<uint8_t> buffer;
  for (int rc = ZEL_FirstMember(file, tag); rc == ZEL_OK; rc = ZEL_NextMember(file)) {
    const int64_t length = ZEL_GetDataLength(file);
    if (length < 0) return;
    buffer.resize(static_cast<size_t>(length));
    if (ZEL_GetData(file, static_cast<uint32_t>(buffer.size()), buffer.data()) != ZEL_OK) return;
  }
  ZEL_FirstMember(file, tag);
  while (ZEL_NextMember(file) == ZEL_OK) {}
  while (ZEL_PreviousMember(file) == ZEL_OK) {}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = InputPath();
  FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) return 0;
  std::fwrite(data, 1, size, out);
  std::fclose(out);

  ZEL_FILE file;
  if (ZEL_Open(path.c_str(), 1, &file) == ZEL_OK) {
    std::vector<int32_t> tags;
    for (int rc = ZEL_FirstTag(&file); rc == ZEL_OK; rc = ZEL_NextTag(&file)) tags.push_back(file.current.tag);
    if (!tags.empty()) {
      ZEL_FirstMember(&file, tags.back());
      while (ZEL_PreviousTag(&file) == ZEL_OK) {}
    }
    for (const int32_t tag : tags) {
      ReadEveryMember(&file, tag);
      int reason = 0;
      IsCompatibleTag(&file, tag, 36, &reason);
      Tesk_Ary_Free(ZEL_ARY_Load(&file, tag));
    }
  }
  ZEL_Close(&file);
  return 0;
}
