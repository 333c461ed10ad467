#include "library/FlnCreateCats.h"

#include <cstring>

#include "library/FlnIdCounter.h"
#include "format/Endian.h"
#include "format/FieldText.h"
#include "storage/TeskUtil.h"

namespace {

bool StoreName(const char* name, FlnUniChar* field, size_t fieldBytes) {
  return FLN_COMM_ConvertCharToUniChar_NtoL(name != nullptr ? name : "", field, fieldBytes) == 1;
}

}  // namespace

int CreateFlnCats(const char* cat1, const char* cat2, const char* cat3, TESK_ARY idCounter, TESK_ARY catsAry) {
  if (catsAry == nullptr || catsAry->recordSize != static_cast<int32_t>(sizeof(FLN_CATS))) return -1;
  FLN_CATS cats;
  std::memset(&cats, 0, sizeof cats);
  if (!StoreName(cat1, cats.cat1Name, sizeof cats.cat1Name) || !StoreName(cat2, cats.cat2Name, sizeof cats.cat2Name) ||
      !StoreName(cat3, cats.cat3Name, sizeof cats.cat3Name))
    return -1;
  const int32_t id = GetIdFromIdCounter(idCounter, kTagCats, "ct_id");
  if (id < 0) return -1;
  cats.ct_id = ZEL_EndianLong_NtoL(id);
  Tesk_GetCurrentTimeAsString(cats.createDate, sizeof cats.createDate);
  Tesk_GetCurrentTimeAsString(cats.updateDate, sizeof cats.updateDate);
  return Tesk_Ary_Add(catsAry, &cats);
}
