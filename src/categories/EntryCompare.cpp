#include "categories/EntryCompare.h"

#include <cstring>

#include "format/Endian.h"
#include "format/FieldText.h"

FLN_ENTRY_LIST_INFO gEntryListInfo = {};

namespace {

const char* FieldBytes(const FLN_ENTRY& entry, const EntryFieldInfo& field) {
  return reinterpret_cast<const char*>(&entry) + field.offset;
}

int32_t ReadNumber(const FLN_ENTRY& entry, const EntryFieldInfo& field) {
  if (field.fieldClass == EntryFieldClass::Number16) {
    int16_t stored;
    memcpy(&stored, FieldBytes(entry, field), sizeof stored);
    return ZEL_EndianShort_LtoN(stored);
  }
  int32_t stored;
  memcpy(&stored, FieldBytes(entry, field), sizeof stored);
  return ZEL_EndianLong_LtoN(stored);
}

int CompareAscending(const EntryFieldInfo& field, const FLN_ENTRY& a, const FLN_ENTRY& b) {
  switch (field.fieldClass) {
    case EntryFieldClass::Text: {
      char textA[kEntryTextUtf8Max];
      char textB[kEntryTextUtf8Max];
      ReadEntryFieldText(a, field, textA);
      ReadEntryFieldText(b, field, textB);
      return strcmp(textA, textB);
    }
    case EntryFieldClass::Date:
      // A damaged date may lack its zero byte: stay inside the field.
      return strncmp(FieldBytes(a, field), FieldBytes(b, field), field.size);
    case EntryFieldClass::Number32:
    case EntryFieldClass::Number16: {
      const int32_t valueA = ReadNumber(a, field);
      const int32_t valueB = ReadNumber(b, field);
      return valueA < valueB ? -1 : valueA > valueB ? 1 : 0;
    }
  }
  return 0;
}

}  // namespace

void ReadEntryFieldText(const FLN_ENTRY& entry, const EntryFieldInfo& field, char* dest) {
  if (FLN_COMM_ConvertUniCharToChar_LtoN(FieldBytes(entry, field), field.size, dest,
                                         kEntryTextUtf8Max) != 1)
    dest[0] = '\0';
}

int CompareFlnEntryItem(int32_t kind, uint8_t ascend, const FLN_ENTRY* a, const FLN_ENTRY* b) {
  const EntryFieldInfo* field = GetEntryFieldInfo(kind);
  if (field == nullptr) return 0;
  return ascend == 1 ? CompareAscending(*field, *a, *b) : CompareAscending(*field, *b, *a);
}

int UsedSortKeyCount(const FLN_ENTRY_LIST_INFO& info) {
  if (info.sortFieldKind[1] == 0) return 1;
  if (info.sortFieldKind[2] == 0) return 2;
  return 3;
}

int EntryListSortProc(const void* a, const void* b) {
  const FLN_ENTRY* entryA = static_cast<const FLN_ENTRY*>(a);
  const FLN_ENTRY* entryB = static_cast<const FLN_ENTRY*>(b);
  const int keys = UsedSortKeyCount(gEntryListInfo);
  for (int key = 0; key < keys; ++key) {
    const int result = CompareFlnEntryItem(gEntryListInfo.sortFieldKind[key],
                                           gEntryListInfo.sortFieldAscend[key], entryA, entryB);
    if (result != 0) return result;
  }
  const int32_t idA = ZEL_EndianLong_LtoN(entryA->en_id);
  const int32_t idB = ZEL_EndianLong_LtoN(entryB->en_id);
  // One en_id is one entry: equal ids are equal, so that the order stays
  // consistent even for a damaged array that repeats an id.
  if (idA == idB) return 0;
  return idA > idB ? -1 : 1;
}
