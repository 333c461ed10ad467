#include "categories/CategoryNameText.h"

#include <cstring>

#include "storage/FolianCommon.h"

namespace {
constexpr size_t kNameFieldBytes = sizeof(FLN_CATS::cat1Name);
// A [128S] field holds at most 128 units (a damaged one may lack its zero
// unit), and no unit needs more than 3 bytes of UTF-8 (a surrogate pair needs
// 4 for 2 units).
constexpr size_t kNameFieldUtf8Max = kNameFieldBytes / 2 * 3 + 1;

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
  char utf8[kNameFieldUtf8Max];
  if (FLN_COMM_ConvertUniCharToChar_LtoN(field, kNameFieldBytes, utf8, sizeof utf8) != 1)
    utf8[0] = '\0';
  CopyCategoryName(dest, utf8);
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

