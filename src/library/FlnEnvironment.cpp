#include "library/FlnEnvironment.h"

#include <cstring>

#include "library/FlnIdCounter.h"
#include "format/Endian.h"
#include "format/FieldText.h"
#include "storage/TeskUtil.h"

namespace {

// Room for the UTF-8 form of any stored key: 63 units of at most 3 bytes.
constexpr size_t kKeyUtf8Max = sizeof(FLN_ENV::key) / 2 * 3 + 1;

bool IsEnvArray(TESK_ARY envAry) {
  return envAry != nullptr && envAry->recordSize == static_cast<int32_t>(sizeof(FLN_ENV));
}

// Index of the first record whose key is `key`, or -1. Fills `record` with it.
int32_t FindKey(TESK_ARY envAry, const char* key, FLN_ENV* record) {
  const int32_t count = Tesk_Ary_GetSize(envAry);
  for (int32_t i = 0; i < count; ++i) {
    Tesk_Ary_GetData(envAry, i, record);
    char stored[kKeyUtf8Max];
    if (FLN_COMM_ConvertUniCharToChar_LtoN(record->key, sizeof record->key, stored, sizeof stored) == 1 &&
        std::strcmp(stored, key) == 0)
      return i;
  }
  return -1;
}

}  // namespace

int SaveEnvironment(FLN_DATA* flnData, const char* key, const char* value) {
  if (flnData == nullptr || key == nullptr || value == nullptr || !IsEnvArray(flnData->envAry)) return -1;
  FLN_ENV fields;  // a new record; converting first also tells whether key and value fit
  std::memset(&fields, 0, sizeof fields);
  if (FLN_COMM_ConvertCharToUniChar_NtoL(key, fields.key, sizeof fields.key) != 1 ||
      FLN_COMM_ConvertCharToUniChar_NtoL(value, fields.value, sizeof fields.value) != 1)
    return -1;

  FLN_ENV record;
  const int32_t index = FindKey(flnData->envAry, key, &record);
  if (index >= 0) {
    // Converted into the record's own field, as every stored text is: units
    // after the new zero unit keep what they held.
    FLN_COMM_ConvertCharToUniChar_NtoL(value, record.value, sizeof record.value);
    Tesk_GetCurrentTimeAsString(record.updateDate, sizeof record.updateDate);
    Tesk_Ary_Update(flnData->envAry, index, &record);
    return 0;
  }

  const int32_t id = GetIdFromIdCounter(flnData->idCounter, kTagEnvironment, "ev_id");
  if (id < 0) return -1;
  fields.ev_id = ZEL_EndianLong_NtoL(id);
  Tesk_GetCurrentTimeAsString(fields.createDate, sizeof fields.createDate);
  Tesk_GetCurrentTimeAsString(fields.updateDate, sizeof fields.updateDate);
  return Tesk_Ary_Add(flnData->envAry, &fields);
}

int GetEnvironmentValue(TESK_ARY envAry, const char* key, char* out) {
  if (!IsEnvArray(envAry) || key == nullptr || out == nullptr) return 0;
  FLN_ENV record;
  if (FindKey(envAry, key, &record) < 0) return 0;
  return FLN_COMM_ConvertUniCharToChar_LtoN(record.value, sizeof record.value, out, kEnvValueBufferSize) == 1 ? 1 : 0;
}
