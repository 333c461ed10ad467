#include <algorithm>
#include "library/FlnLoad.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "library/FlnCategoryTable.h"
#include "library/FlnArraySync.h"
#include "library/FlnContainerCheck.h"
#include "library/FlnIdCounter.h"
#include "format/Endian.h"
#include "format/LibrarySchema.h"
#include "library/FlnDataArrays.h"
#include "storage/TeskAryChanges.h"
#include "storage/ZelAry.h"

namespace {

FlnResult NoMemory() { return FlnResult::failure(FlnStatus::CannotOpen, "not enough memory to read the library"); }

// Why ZEL_Open refused the file, told from what the handle was left with.
FlnResult OpenFailure(int rc, int openErrno, ZEL_FILE* file) {
  if (file->stream == nullptr)
    return FlnResultOfSystemCall(openErrno, FlnStatus::CannotOpen, "open");
  uint8_t header[6] = {};
  const size_t got = file->stream->readAt(0, header, sizeof header);
  const int64_t size = file->stream->size();
  if (rc == ZEL_ERR_IO && size >= 0 && static_cast<uint64_t>(size) < zel::kHeaderSize)
    return FlnResult::failure(FlnStatus::Truncated, "truncated: the file has " + std::to_string(size) +
                                                        " bytes, fewer than the 512-byte container header");
  if (rc == ZEL_ERR_ARG && got == sizeof header) {
    if (std::memcmp(header, zel::kMagic, sizeof zel::kMagic) != 0)
      return FlnResult::failure(FlnStatus::NotALibrary, "not a Folian library: the file does not begin with \"ZEL\"");
    int16_t version;
    std::memcpy(&version, header + 4, sizeof version);
    return FlnResult::failure(FlnStatus::WrongVersion,
                              "container version " + std::to_string(ZEL_EndianShort_LtoN(version)) +
                                  ", this program reads versions " + std::to_string(zel::kLayout2.version) +
                                  " and " + std::to_string(zel::kLayout3.version));
  }
  return FlnResult::failure(FlnStatus::CannotOpen, "cannot read the container header");
}

// The arrays a load makes besides the stored ones.
constexpr TESK_ARY FLN_DATA::*kMadeArrays[] = {&FLN_DATA::cat1Ary, &FLN_DATA::cat2Ary,
                                               &FLN_DATA::cat3Ary};

// The arrays being loaded, released unless handed over.
struct LoadedArrays {
  FLN_DATA data;  // only the stored arrays and kMadeArrays are filled
  TESK_ARY entrySort = nullptr;
  FlnDiskImage* image = nullptr;

  LoadedArrays() = default;
  LoadedArrays(const LoadedArrays&) = delete;
  LoadedArrays& operator=(const LoadedArrays&) = delete;
  ~LoadedArrays() {
    for (const LibraryTag& t : kLibraryTags)
      if (t.kind == LibraryTagKind::Array) Tesk_Ary_Free(data.*ArrayOfTag(t.tag));
    for (TESK_ARY FLN_DATA::*made : kMadeArrays) Tesk_Ary_Free(data.*made);
    Tesk_Ary_Free(entrySort);
    delete image;
  }
};

// Loads one stored array. A missing tag, or one whose members all have
// another length than `recordSize`, yields an empty array of `recordSize`
// when `emptyIfMissing`, else null. The disk image learns what the tag holds.
FlnResult LoadTag(ZEL_FILE* file, int32_t tag, uint32_t recordSize, bool emptyIfMissing, FlnDiskImage* image,
                  TESK_ARY* out) {
  *out = nullptr;
  std::vector<uint64_t> positions;
  TESK_ARY ary = ZEL_ARY_Load(file, tag, &positions);
  if (ary != nullptr && static_cast<uint32_t>(ary->recordSize) == recordSize) {
    image->setTag(tag, ary, std::move(positions));
    *out = ary;
    return FlnResult::success();
  }
  if (ary != nullptr) {  // one length throughout, but not this kind's: not records we can read
    Tesk_Ary_Free(ary);
    image->forgetTag(tag);
  } else {
    int reason = 0;
    if (IsCompatibleTag(file, tag, recordSize, &reason))
      return DamagedResult("the records of " + TagText(tag) + " cannot be read");
    if (reason == 2) return DamagedResult(TagText(tag) + " holds records of different lengths");
    if (reason != 1) return DamagedResult("the member chain of " + TagText(tag) + " is broken");
    image->setTag(tag, nullptr, {});
  }
  if (emptyIfMissing) {
    *out = Tesk_Ary_Init(static_cast<int32_t>(recordSize), 20, 20);
    if (*out == nullptr) return NoMemory();
  }
  return FlnResult::success();
}

// The distinct names of one level, sorted as the category lists show them.
TESK_ARY MakeNameArray(TESK_ARY cats, int (*distinct)(TESK_ARY, TESK_ARY)) {
  TESK_ARY names = Tesk_Ary_Init(kCategoryNameSize, 20, 20);
  if (names == nullptr) return nullptr;
  if (distinct(cats, names) != 0) {
    Tesk_Ary_Free(names);
    return nullptr;
  }
  Tesk_Ary_QuickSort(names, CategorySortFunc);
  return names;
}

// Counters that are missing or behind the identifiers stored would hand out
// identifiers in use again; they catch up here, in memory, and reach the
// file with the next save. The counters' own counter comes first in the
// table, since the others may need an ic_id from it.
bool RaiseCountersToStoredIds(const FLN_DATA& data) {
  for (const LibraryTag& t : kLibraryTags)
    if (t.kind == LibraryTagKind::Array &&
        RaiseIdCounter(data.idCounter, t.tag, t.idKey, HighestStoredId(data.*ArrayOfTag(t.tag), t.idOffset)) != 0)
      return false;
  return true;
}

FlnResult ReadArrays(ZEL_FILE* file, LoadedArrays* a) {
  // The tags read record by record below are checked by reading them. The
  // PDFs are not needed to list the entries: damage among them (a last PDF
  // cut short by a writer that died) costs only the PDFs it reaches, which
  // fail when they are read.
  FlnResult r = CheckLibraryChains(file);
  if (!r.ok()) return r;
  for (const LibraryTag& t : kLibraryTags) {
    if (t.kind == LibraryTagKind::Array)
      r = LoadTag(file, t.tag, t.recordSize, true, a->image, &(a->data.*ArrayOfTag(t.tag)));
    else if (t.kind == LibraryTagKind::EntrySort)
      r = LoadTag(file, t.tag, t.recordSize, false, a->image, &a->entrySort);
    if (!r.ok()) return r;
  }

  FLN_DATA& d = a->data;
  if (!RaiseCountersToStoredIds(d)) return NoMemory();

  d.cat1Ary = MakeNameArray(d.catsAry, GetDistinctCat1Ary_FromCatsAry);
  d.cat2Ary = MakeNameArray(d.catsAry, GetDistinctCat2Ary_FromCatsAry);
  d.cat3Ary = MakeNameArray(d.catsAry, GetDistinctCat3Ary_FromCatsAry);
  for (TESK_ARY FLN_DATA::*made : kMadeArrays)
    if (d.*made == nullptr) return NoMemory();
  return FlnResult::success();
}

void Replace(TESK_ARY* field, TESK_ARY* loaded) {
  Tesk_Ary_Free(*field);
  *field = *loaded;
  *loaded = nullptr;
}

void HandOver(const char* path, LoadedArrays* a, FLN_DATA* flnData) {
  for (const LibraryTag& t : kLibraryTags)
    if (t.kind == LibraryTagKind::Array) Replace(&(flnData->*ArrayOfTag(t.tag)), &(a->data.*ArrayOfTag(t.tag)));
  for (TESK_ARY FLN_DATA::*made : kMadeArrays) Replace(&(flnData->*made), &(a->data.*made));
  flnData->shownRows.clear();
  delete flnData->diskImage;
  flnData->diskImage = a->image;
  a->image = nullptr;

  std::memset(flnData->filePath, 0, sizeof flnData->filePath);
  std::memcpy(flnData->filePath, path, std::strlen(path));

  FLN_ENTRY_LIST_INFO& info = flnData->entryListInfo;
  if (a->entrySort != nullptr) {
    const int32_t n = Tesk_Ary_GetSize(a->entrySort);
    for (int32_t i = 0; i < n && i < 3; ++i) {
      FLN_ENTRY_SORT sort;
      Tesk_Ary_GetData(a->entrySort, i, &sort);
      info.sortFieldKind[i] = ZEL_EndianLong_LtoN(sort.sortFieldKind);
      info.sortFieldAscend[i] = sort.sortFieldAscend;
    }
  } else {
    info.sortFieldKind[0] = 2;
    info.sortFieldKind[1] = 0;
    info.sortFieldKind[2] = 0;
    info.sortFieldAscend[0] = 1;
  }
}

}  // namespace

FlnResult ReadFlnDataFromFlnFile(const char* path, FLN_DATA* flnData) {
  if (flnData == nullptr || path == nullptr || path[0] == '\0')
    return FlnResult::failure(FlnStatus::CannotOpen, "no library file given");
  if (std::strlen(path) >= sizeof flnData->filePath)
    return FlnResult::failure(FlnStatus::PathTooLong,
                              "the path is longer than " + std::to_string(sizeof flnData->filePath - 1) + " bytes");
  struct stat st;
  if (stat(path, &st) != 0)
    return FlnResultOfSystemCall(errno, FlnStatus::CannotOpen, "open");
  if (!S_ISREG(st.st_mode)) return FlnResult::failure(FlnStatus::CannotOpen, "not a regular file");

  ZEL_FILE file;
  const int rc = ZEL_Open(path, 1, &file);
  const int openErrno = errno;
  if (rc != ZEL_OK) {
    FlnResult r = OpenFailure(rc, openErrno, &file);
    ZEL_Close(&file);
    return r;
  }

  LoadedArrays loaded;
  loaded.image = new (std::nothrow) FlnDiskImage;
  if (loaded.image == nullptr) {
    ZEL_Close(&file);
    return NoMemory();
  }
  // The stamp before reading: a change made while reading then shows as a
  // change at the next save, which rewrites everything.
  loaded.image->rememberStamp(&file);
  FlnResult r = ReadArrays(&file, &loaded);
  ZEL_Close(&file);
  if (r.ok()) HandOver(path, &loaded, flnData);
  return r;
}

void FreeFlnData(FLN_DATA* flnData) {
  if (flnData == nullptr) return;
  for (TESK_ARY* field : {&flnData->entry, &flnData->label, &flnData->idCounter, &flnData->attachment,
                          &flnData->catsAry, &flnData->cat1Ary, &flnData->cat2Ary,
                          &flnData->cat3Ary, &flnData->envAry}) {
    Tesk_Ary_Free(*field);
    *field = nullptr;
  }
  flnData->shownRows.clear();
  delete flnData->diskImage;
  flnData->diskImage = nullptr;
  std::memset(flnData->filePath, 0, sizeof flnData->filePath);
}

int GetFLNEntry_ByFLNData(const FLN_DATA* flnData, int32_t index, FLN_ENTRY* out) {
  const FLN_ENTRY* shown = ShownEntry(flnData, index);
  if (shown == nullptr || out == nullptr) return 0;
  *out = *shown;
  return 1;
}

int32_t ShownEntryIndex(const FLN_DATA& flnData, int32_t row) {
  if (row < 0 || static_cast<size_t>(row) >= flnData.shownRows.size()) return -1;
  return flnData.shownRows[static_cast<size_t>(row)];
}

const FLN_ENTRY* ShownEntry(const FLN_DATA* flnData, int32_t row) {
  if (flnData == nullptr) return nullptr;
  const int32_t index = ShownEntryIndex(*flnData, row);
  if (index < 0 || index >= Tesk_Ary_GetSize(flnData->entry) ||
      flnData->entry->recordSize != static_cast<int32_t>(sizeof(FLN_ENTRY)))
    return nullptr;
  return static_cast<const FLN_ENTRY*>(Tesk_Ary_ReadDataPtr(flnData->entry, index));
}

void ForgetEntryRows(FLN_DATA* flnData, const std::vector<int32_t>& indexes) {
  if (indexes.empty()) return;
  std::vector<int32_t>& rows = flnData->shownRows;
  size_t kept = 0;
  for (int32_t row : rows) {
    const auto at = std::lower_bound(indexes.begin(), indexes.end(), row);
    if (at != indexes.end() && *at == row) continue;
    rows[kept++] = row - static_cast<int32_t>(at - indexes.begin());
  }
  rows.resize(kept);
}
