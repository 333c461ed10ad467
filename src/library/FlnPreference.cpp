#include "library/FlnPreference.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "storage/TeskUtil.h"
#include "storage/ZelAry.h"

int GetPreferenceFilePath(char* out, size_t outSize) {
  if (out == nullptr || outSize == 0) return 0;
  out[0] = '\0';
  char base[1024];
  if (Tesk_GetUserPreferencePath(base, sizeof base) != 1) return 0;

  char folder[1024];
  char path[1024];
  if (std::snprintf(folder, sizeof folder, "%s%s", base, "FOLIAN") >= static_cast<int>(sizeof folder)) return 0;
  const int length = std::snprintf(path, sizeof path, "%s/%s", folder, "Preference.zel");
  if (length < 0 || static_cast<size_t>(length) >= outSize || static_cast<size_t>(length) >= sizeof path) return 0;

  QDir().mkpath(QFile::decodeName(folder));
  std::memcpy(out, path, static_cast<size_t>(length) + 1);
  return 1;
}

FlnResult WritePreference_ToZelFile(const char* path, int32_t tag, int32_t recordSize, const void* record) {
  if (path == nullptr || record == nullptr || recordSize < 1)
    return FlnResult::failure(FlnStatus::CannotOpen, "no preference file or record is given");
  TESK_ARY ary = Tesk_Ary_Init(recordSize, 1, 1);
  if (ary == nullptr || Tesk_Ary_Add(ary, record) != 0) {
    Tesk_Ary_Free(ary);
    return FlnResultOfStorage(ZEL_ERR_ARG, ENOMEM, FlnStatus::WriteFailed, "hold the preference");
  }
  ZEL_FILE file;
  FlnResult result = RunStorageStep(FlnStatus::CannotOpen, "open the preference file",
                                    [&] { return ZEL_Open(path, 0, &file); });
  if (!result.ok()) {
    ZEL_Close(&file);
    // Creating never overwrites: a file that is not a container stays as it
    // is, and the reason told is why it could not be opened.
    if (ZEL_Create(path, &file) == ZEL_OK) result = FlnResult::success();
  }
  if (result.ok())
    result = RunStorageStep(FlnStatus::WriteFailed, "write the preference file",
                            [&] { return ZEL_ARY_Save(&file, tag, ary, static_cast<uint32_t>(recordSize)); });
  if (result.ok())
    result = RunStorageStep(FlnStatus::WriteFailed, "commit the preference file", [&] { return ZEL_Commit(&file); });
  ZEL_Close(&file);
  Tesk_Ary_Free(ary);
  return result;
}

int ReadPreference_FromZelFile(const char* path, int32_t tag, void* out, int32_t outSize) {
  if (path == nullptr || out == nullptr || outSize < 1) return 0;
  ZEL_FILE file;
  TESK_ARY ary = nullptr;
  if (ZEL_Open(path, 1, &file) == ZEL_OK) ary = ZEL_ARY_Load(&file, tag);
  ZEL_Close(&file);
  if (ary == nullptr) return 0;

  const int32_t copied = std::min(ary->recordSize, outSize);
  int wasLocked;
  Tesk_Ary_Lock(ary, &wasLocked);
  std::memcpy(out, Tesk_Ary_GetDataPtr(ary, 0), static_cast<size_t>(copied));
  Tesk_Ary_Unlock(ary, wasLocked);
  std::memset(static_cast<char*>(out) + copied, 0, static_cast<size_t>(outSize - copied));
  Tesk_Ary_Free(ary);
  return 1;
}
