#include "storage/SideFilePath.h"

#include <climits>
#include <cstdio>
#include <unistd.h>

#include "storage/FileIo.h"
#include "storage/RecordHash.h"
#include "format/Utf8Text.h"

namespace {

// The longest name one entry of `folder` may have.
size_t NameMaxIn(const std::string& folder) {
  const long max = ::pathconf(folder.c_str(), _PC_NAME_MAX);
  return max > 0 ? static_cast<size_t>(max) : static_cast<size_t>(NAME_MAX);
}

}  // namespace

std::string SideFilePath(const std::string& path, const std::string& suffix) {
  const size_t slash = path.rfind('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const std::string name = path.substr(nameStart);
  const size_t nameMax = NameMaxIn(FolderOf(path));
  if (name.size() + suffix.size() <= nameMax) return path + suffix;

  char mark[18];
  std::snprintf(mark, sizeof mark, "~%016llx", static_cast<unsigned long long>(RecordHash(name.data(), name.size())));
  const std::string tail = std::string(mark) + suffix;
  const size_t room = nameMax > tail.size() ? nameMax - tail.size() : 0;
  return path.substr(0, nameStart) + CutUtf8_ToBytes(name, room) + tail;
}
