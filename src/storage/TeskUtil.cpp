#include "storage/TeskUtil.h"

#include "storage/Clock.h"
#include "storage/FolianCommon.h"

#include <QByteArray>
#include <QFile>
#include <QStandardPaths>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

void Tesk_GetCurrentTimeAsString(char* dest, size_t size) { FLN_COMM_NSDateToString(Clock::now(), dest, size); }

int Tesk_ReadBuffer_fromFile(const char* path, char** out) {
  if (out == nullptr) return 0;
  *out = nullptr;
  if (path == nullptr) return 0;

  FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return 0;
  // A folder (or a device, a pipe) has no size to read whole; only regular files qualify.
  struct stat st;
  if (fstat(fileno(file), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0 ||
      static_cast<uint64_t>(st.st_size) >= SIZE_MAX) {
    std::fclose(file);
    return 0;
  }
  const size_t size = static_cast<size_t>(st.st_size);
  char* buffer = static_cast<char*>(std::calloc(size + 1, 1));
  if (buffer == nullptr) {
    std::fclose(file);
    return 0;
  }
  // A short read (I/O error, file cut meanwhile) would hand out a partial text as if complete.
  const size_t got = size == 0 ? 0 : std::fread(buffer, 1, size, file);
  std::fclose(file);
  if (got != size) {
    std::free(buffer);
    return 0;
  }
  *out = buffer;
  return 1;
}

int Tesk_GetUserPreferencePath(char* dest, size_t size) {
  if (dest == nullptr) return 0;
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  if (folder.isEmpty()) return 0;
  const QByteArray path = QFile::encodeName(folder) + '/';
  if (static_cast<size_t>(path.size()) + 1 > size) return 0;
  std::memcpy(dest, path.constData(), static_cast<size_t>(path.size()) + 1);
  return 1;
}
