#include "library/FlnSave.h"

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <new>

#include "library/FlnArraySync.h"
#include "library/FlnAttachmentHash.h"
#include "format/Endian.h"
#include "format/LibrarySchema.h"
#include "library/FlnDataArrays.h"
#include "storage/TeskUtil.h"
#include "storage/TeskAryChanges.h"

namespace {

// The three sort records, made fresh for every save; null without memory.
TESK_ARY MakeEntrySortRecords(const FLN_ENTRY_LIST_INFO& info) {
  TESK_ARY records = Tesk_Ary_Init(sizeof(FLN_ENTRY_SORT), 20, 20);
  if (records == nullptr) return nullptr;
  for (int32_t i = 0; i < 3; ++i) {
    FLN_ENTRY_SORT sort;
    std::memset(&sort, 0, sizeof sort);
    sort.index = ZEL_EndianLong_NtoL(i);
    sort.sortFieldKind = ZEL_EndianLong_NtoL(info.sortFieldKind[i]);
    sort.sortFieldAscend = info.sortFieldAscend[i];
    Tesk_GetCurrentTimeAsString(sort.createDate, sizeof sort.createDate);
    Tesk_GetCurrentTimeAsString(sort.updateDate, sizeof sort.updateDate);
    if (Tesk_Ary_Add(records, &sort) != 0) {
      Tesk_Ary_Free(records);
      return nullptr;
    }
  }
  return records;
}

// The save of SaveLibrary once its file is known to be the one in memory.
FlnResult WriteChanges(ZEL_FILE* file, FLN_DATA* flnData, FlnDiskImage* image, bool withEntrySort,
                       const std::unordered_set<int32_t>& removedAtIds) {
  FlnResult result;
  for (const LibraryTag& t : kLibraryTags)
    if (result.ok() && t.kind == LibraryTagKind::Array)
      result = RunStorageStep(FlnStatus::WriteFailed, "write the library's records", [&] {
        return FlnArraySync_Save(file, image, t.tag, flnData->*ArrayOfTag(t.tag), t.recordSize);
      });
  if (result.ok() && withEntrySort) {
    TESK_ARY sort = MakeEntrySortRecords(flnData->entryListInfo);
    result = sort == nullptr ? FlnResultOfStorage(ZEL_ERR_ARG, ENOMEM, FlnStatus::WriteFailed, "make the sort records")
                             : RunStorageStep(FlnStatus::WriteFailed, "write the sort records", [&] {
                                 return FlnArraySync_Save(file, image, kTagEntrySort, sort, sizeof(FLN_ENTRY_SORT));
                               });
    Tesk_Ary_Free(sort);
  }
  if (result.ok())
    result = RunStorageStep(FlnStatus::WriteFailed, "remove the digests of the deleted PDFs",
                            [&] { return RemoveAttachmentHashes(file, removedAtIds); });
  if (result.ok()) result = RunStorageStep(FlnStatus::WriteFailed, "commit the save", [&] { return ZEL_Commit(file); });
  return result;
}

FlnResult SaveLibrary(const char* path, FLN_DATA* flnData, bool withEntrySort,
                      const std::unordered_set<int32_t>& removedAtIds) {
  if (path == nullptr || path[0] == '\0' || flnData == nullptr)
    return FlnResult::failure(FlnStatus::CannotOpen, "no library file is given");
  // A null array would empty its tag: that is a library that was never
  // loaded (or failed to load), not one whose records were all deleted.
  for (const LibraryTag& t : kLibraryTags)
    if (t.kind == LibraryTagKind::Array && flnData->*ArrayOfTag(t.tag) == nullptr)
      return FlnResult::failure(FlnStatus::NotLoaded, "the library was never loaded");

  if (flnData->diskImage == nullptr) flnData->diskImage = new (std::nothrow) FlnDiskImage;
  FlnDiskImage* image = flnData->diskImage;
  if (image == nullptr) return FlnResultOfStorage(ZEL_ERR_ARG, ENOMEM, FlnStatus::WriteFailed, "save the library");

  ZEL_FILE file;
  FlnResult result = RunStorageStep(FlnStatus::CannotOpen, "open the library file for writing",
                                    [&] { return ZEL_Open(path, 0, &file); });
  // Only the file this program loaded or last wrote is written: one that
  // was replaced (a new file renamed over it) or changed by anyone else is
  // never overwritten with records that came from another file.
  if (result.ok() && !image->checkFile(&file))
    result = FlnResult::failure(FlnStatus::Replaced,
                                "the library file was replaced or changed by another program since it was read");
  if (!result.ok()) {
    ZEL_Close(&file);
    return image->lastSave = result;
  }

  result = WriteChanges(&file, flnData, image, withEntrySort, removedAtIds);
  // One save is one change of the file: all of it or none; a rollback leaves
  // the image knowing nothing (FlnArraySync.h, invariant 6).
  if (!result.ok()) {
    ZEL_Rollback(&file);
    image->forgetAll();
  }
  image->rememberStamp(&file);
  ZEL_Close(&file);
  return image->lastSave = result;
}

}  // namespace

FlnResult SaveAll(const char* path, FLN_DATA* flnData) { return SaveLibrary(path, flnData, true, {}); }

FlnResult SaveAllRemovingDigests(const char* path, FLN_DATA* flnData, const std::unordered_set<int32_t>& removedAtIds) {
  return SaveLibrary(path, flnData, true, removedAtIds);
}

FlnResult SaveAllWithoutEntrySort(const char* path, FLN_DATA* flnData) {
  return SaveLibrary(path, flnData, false, {});
}

FlnResult LastSaveResult(const FLN_DATA* flnData) {
  if (flnData == nullptr || flnData->diskImage == nullptr) return FlnResult::success();
  return flnData->diskImage->lastSave;
}

int UpdateEntry(TESK_ARY entryArray, FLN_ENTRY* entry) {
  if (entryArray == nullptr || entry == nullptr || entryArray->recordSize != static_cast<int32_t>(sizeof(FLN_ENTRY)))
    return 0;
  // The array's index of en_id finds the record without walking them all;
  // en_id is compared as stored (little-endian) on both sides.
  const int32_t found = Tesk_Ary_FindKey(entryArray, offsetof(FLN_ENTRY, en_id), entry->en_id);
  if (found < 0) return 0;
  return UpdateEntryAt(entryArray, found, entry);
}

int UpdateEntryAt(TESK_ARY entryArray, int32_t index, FLN_ENTRY* entry) {
  if (entryArray == nullptr || entry == nullptr || entryArray->recordSize != static_cast<int32_t>(sizeof(FLN_ENTRY)) ||
      index < 0 || index >= Tesk_Ary_GetSize(entryArray))
    return 0;
  int wasLocked;
  Tesk_Ary_Lock(entryArray, &wasLocked);
  int32_t storedId;
  std::memcpy(&storedId, Tesk_Ary_ReadDataPtr(entryArray, index), sizeof storedId);
  Tesk_Ary_Unlock(entryArray, wasLocked);
  if (storedId != entry->en_id) return 0;
  Tesk_GetCurrentTimeAsString(entry->en_update_date, sizeof entry->en_update_date);
  Tesk_Ary_Update(entryArray, index, entry);
  return 1;
}
