#include "library/FlnNewLibrary.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "format/CategoryNames.h"
#include "library/FlnContainerCheck.h"
#include "library/FlnCreateCats.h"
#include "library/FlnFileReplacement.h"
#include "library/FlnIdCounter.h"
#include "library/FlnData.h"
#include "format/Endian.h"
#include "format/FieldText.h"
#include "storage/TeskUtil.h"
#include "storage/ZelAry.h"

namespace {

// An array that is released when it goes out of scope.
struct OwnedArray {
  TESK_ARY ary;
  explicit OwnedArray(int32_t recordSize) : ary(Tesk_Ary_Init(recordSize, 20, 20)) {}
  ~OwnedArray() { Tesk_Ary_Free(ary); }
  OwnedArray(const OwnedArray&) = delete;
  OwnedArray& operator=(const OwnedArray&) = delete;
};


bool AddFirstCounter(TESK_ARY counters) {
  FLN_ID_COUNTER counter;
  std::memset(&counter, 0, sizeof counter);
  counter.ic_id = ZEL_EndianLong_NtoL(0);
  counter.tag = ZEL_EndianLong_NtoL(kTagIdCounter);
  std::strcpy(counter.key, "ic_id");
  counter.nextId = ZEL_EndianLong_NtoL(1);
  Tesk_GetCurrentTimeAsString(counter.createDate, sizeof counter.createDate);
  Tesk_GetCurrentTimeAsString(counter.updateDate, sizeof counter.updateDate);
  return Tesk_Ary_Add(counters, &counter) == 0;
}

bool AddLabels(TESK_ARY counters, TESK_ARY labels) {
  for (int32_t level = 1; level <= 3; ++level) {
    FLN_LABEL label;
    std::memset(&label, 0, sizeof label);
    const int32_t id = GetIdFromIdCounter(counters, kTagLabel, "la_id");
    if (id < 0) return false;
    label.la_id = ZEL_EndianLong_NtoL(id);
    label.itemNumber = ZEL_EndianLong_NtoL(level);
    FLN_COMM_ConvertCharToUniChar_NtoL(kDefaultLabelNames[level - 1], label.name, sizeof label.name);
    Tesk_GetCurrentTimeAsString(label.createDate, sizeof label.createDate);
    Tesk_GetCurrentTimeAsString(label.updateDate, sizeof label.updateDate);
    if (Tesk_Ary_Add(labels, &label) != 0) return false;
  }
  return true;
}

// The records of `tag` written into the new file; a failure names the tag.
FlnResult SaveTag(ZEL_FILE* file, int32_t tag, TESK_ARY ary, uint32_t recordSize) {
  return RunNewFileWrite("write " + TagText(tag) + " of the new library",
                         [&] { return ZEL_ARY_Save(file, tag, ary, recordSize); });
}

FlnResult WriteDefaults(ZEL_FILE* file) {
  const FlnResult noMemory = FlnResult::failure(FlnStatus::WriteFailed, "not enough memory to build the new library");
  OwnedArray counters(sizeof(FLN_ID_COUNTER));
  OwnedArray labels(sizeof(FLN_LABEL));
  OwnedArray category(sizeof(FLN_CATEGORY));
  OwnedArray cats(sizeof(FLN_CATS));
  if (counters.ary == nullptr || labels.ary == nullptr || category.ary == nullptr || cats.ary == nullptr)
    return noMemory;

  if (!AddFirstCounter(counters.ary) || !AddLabels(counters.ary, labels.ary)) return noMemory;
  FlnResult r = SaveTag(file, kTagLabel, labels.ary, sizeof(FLN_LABEL));
  if (!r.ok()) return r;

  FLN_CATEGORY other;
  std::memset(&other, 0, sizeof other);
  FLN_COMM_ConvertCharToUniChar_NtoL(kCategoryOther, other.name, sizeof other.name);
  Tesk_GetCurrentTimeAsString(other.createDate, sizeof other.createDate);
  Tesk_GetCurrentTimeAsString(other.updateDate, sizeof other.updateDate);
  if (Tesk_Ary_Add(category.ary, &other) != 0) return noMemory;
  for (int32_t tag : {kTagCat1, kTagCat2, kTagCat3}) {
    const int32_t id = GetIdFromIdCounter(counters.ary, tag, "ca_id");
    if (id < 0) return noMemory;
    other.ca_id = ZEL_EndianLong_NtoL(id);
    Tesk_Ary_Update(category.ary, 0, &other);
    r = SaveTag(file, tag, category.ary, sizeof(FLN_CATEGORY));
    if (!r.ok()) return r;
  }

  if (CreateFlnCats(kCategoryOther, kCategoryOther, kCategoryOther, counters.ary, cats.ary) != 0) return noMemory;
  // The counters go last, once every identifier has been handed out.
  r = SaveTag(file, kTagCats, cats.ary, sizeof(FLN_CATS));
  if (!r.ok()) return r;
  return SaveTag(file, kTagIdCounter, counters.ary, sizeof(FLN_ID_COUNTER));
}

}  // namespace

FlnResult CreateNewLibraryFile(const char* path) {
  if (path == nullptr || path[0] == '\0') return FlnResult::failure(FlnStatus::CannotOpen, "no library file given");
  if (std::strlen(path) >= sizeof(FLN_DATA::filePath))
    return FlnResult::failure(FlnStatus::PathTooLong,
                              "the path is longer than " + std::to_string(sizeof(FLN_DATA::filePath) - 1) + " bytes");

  FlnFileReplacement replacement(path);
  ZEL_FILE file;
  const FlnResult created = replacement.create(&file);
  if (!created.ok()) {
    ZEL_Close(&file);
    return created;
  }
  FlnResult r = WriteDefaults(&file);
  if (r.ok() && !replacement.commit(&file))
    r = FlnResultOfSystemCall(errno, FlnStatus::WriteFailed, "put the new library in place");
  ZEL_Close(&file);
  return r;
}
