#include "format/CategoryNameText.h"

#include <cstring>

#include "format/FieldText.h"

namespace {
constexpr size_t kNameFieldBytes = sizeof(FLN_CATS::cat1Name);
// A [128S] field holds at most 128 units (a damaged one may lack its zero
// unit), and no unit needs more than 3 bytes of UTF-8 (a surrogate pair needs
// 4 for 2 units): a name record holds any of them whole.
static_assert(kCategoryNameSize == kNameFieldBytes / 2 * 3 + 1, "a name record holds any name field whole");

bool ReadField(const void* field, char* dest) {
  if (field == nullptr) {
    dest[0] = '\0';
    return false;
  }
  ReadCategoryNameField(field, dest);
  return true;
}
}  // namespace

void CopyCategoryName(char* dest, const char* name) {
  if (name == nullptr) {
    dest[0] = '\0';
    return;
  }
  size_t length = strnlen(name, kCategoryNameSize);
  if (length >= static_cast<size_t>(kCategoryNameSize)) {
    length = kCategoryNameSize - 1;
    // Step back over continuation bytes so that the cut drops the whole
    // character that would not fit.
    while (length > 0 && (static_cast<unsigned char>(name[length]) & 0xC0) == 0x80) --length;
  }
  memcpy(dest, name, length);
  dest[length] = '\0';
}

void ReadCategoryNameField(const void* field, char* dest) {
  if (FLN_COMM_ConvertUniCharToChar_LtoN(field, kNameFieldBytes, dest, kCategoryNameSize) != 1) dest[0] = '\0';
}

bool ReadCategoryNameOf(const FLN_CATS& cats, int level, char* dest) {
  const void* field = level == 1 ? cats.cat1Name
                    : level == 2 ? cats.cat2Name
                    : level == 3 ? cats.cat3Name
                                 : nullptr;
  return ReadField(field, dest);
}

bool ReadCategoryNameOf(const FLN_ENTRY& entry, int level, char* dest) {
  const void* field = level == 1 ? entry.en_c1_name
                    : level == 2 ? entry.en_c2_name
                    : level == 3 ? entry.en_c3_name
                                 : nullptr;
  return ReadField(field, dest);
}

