#include "transfer/FileListing.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <strings.h>
#include <string>

#include "transfer/FlxPath.h"

namespace {

class Lister {
 public:
  Lister(const char* ext, TESK_ARY list, std::vector<ImportFailure>* problems)
      : ext_(ext), list_(list), problems_(problems) {}

  // False only when the listing must stop (memory ran out).
  bool listFolder(const std::string& folder) {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
      report(folder, ImportFailureReason::FolderUnreadable, errno);
      return true;
    }
    bool go = true;
    while (go) {
      errno = 0;
      const dirent* item = readdir(dir);
      if (item == nullptr) {
        if (errno != 0) report(folder, ImportFailureReason::FolderUnreadable, errno);
        break;
      }
      const char* name = item->d_name;
      const std::string path = folder + "/" + name;
      if (isFolder(*item, path)) {
        if (std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0) go = listFolder(path);
      } else if (matches(name)) {
        go = add(path);
      }
    }
    closedir(dir);
    return go;
  }

  bool clean() const { return clean_; }

 private:
  // The entry's type as the folder reports it; file systems that do not
  // report types are asked without following a link.
  static bool isFolder(const dirent& item, const std::string& path) {
    if (item.d_type != DT_UNKNOWN) return item.d_type == DT_DIR;
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  }

  bool matches(const char* name) const {
    const char* dot = std::strrchr(name, '.');
    return dot != nullptr && strcasecmp(dot + 1, ext_) == 0;
  }

  bool add(const std::string& path) {
    if (path.size() + 1 > kFlnPathBufferSize) {
      report(path, ImportFailureReason::PathTooLong, 0);
      return true;
    }
    char record[kFlnPathBufferSize] = {};
    std::memcpy(record, path.c_str(), path.size() + 1);
    if (Tesk_Ary_Add(list_, record) != 0) {
      report(path, ImportFailureReason::OutOfMemory, 0);
      return false;
    }
    return true;
  }

  void report(const std::string& path, ImportFailureReason reason, int error) {
    clean_ = false;
    if (problems_ != nullptr) problems_->push_back(ImportFailure{path, reason, error});
  }

  const char* ext_;
  TESK_ARY list_;
  std::vector<ImportFailure>* problems_;
  bool clean_ = true;
};

}  // namespace

int ListUpFilesWithExt(const char* path, const char* ext, TESK_ARY list, std::vector<ImportFailure>* problems) {
  if (path == nullptr || ext == nullptr || list == nullptr ||
      list->recordSize != static_cast<int32_t>(kFlnPathBufferSize))
    return 1;
  Lister lister(ext, list, problems);
  lister.listFolder(path);
  return lister.clean() ? 0 : 1;
}
