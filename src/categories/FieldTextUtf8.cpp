#include "categories/FieldTextUtf8.h"

#include <cstdint>
#include <cstring>

#include "format/Endian.h"
#include "storage/FolianCommon.h"

namespace {

constexpr char16_t kByteOrderMark = 0xFEFF;

bool IsSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDFFF; }

char16_t UnitAt(const void* field, size_t index) {
  int16_t stored;
  memcpy(&stored, static_cast<const char*>(field) + index * sizeof stored, sizeof stored);
  return static_cast<char16_t>(ZEL_EndianShort_LtoN(stored));
}

}  // namespace

void AppendFieldTextUtf8(const void* field, size_t fieldBytes, std::vector<char>& out) {
  const size_t units = fieldBytes / sizeof(char16_t);
  size_t begin = 0;
  if (units > 0 && UnitAt(field, 0) == kByteOrderMark) begin = 1;
  size_t end = begin;
  bool surrogates = false;
  for (; end < units; ++end) {
    const char16_t unit = UnitAt(field, end);
    if (unit == 0) break;
    surrogates = surrogates || IsSurrogate(unit);
  }

  if (surrogates) {
    // Pairs and lone halves are encoded as the shared conversion decides:
    // leave them to it, so that both readings stay one and the same.
    std::vector<char> utf8(units * 3 + 1);
    if (FLN_COMM_ConvertUniCharToChar_LtoN(field, fieldBytes, utf8.data(), utf8.size()) != 1)
      utf8[0] = '\0';
    out.insert(out.end(), utf8.data(), utf8.data() + strlen(utf8.data()) + 1);
    return;
  }

  // Without surrogates every unit is one code point of the Basic
  // Multilingual Plane and encodes in 1, 2 or 3 bytes.
  for (size_t i = begin; i < end; ++i) {
    const char16_t unit = UnitAt(field, i);
    if (unit < 0x80) {
      out.push_back(static_cast<char>(unit));
    } else if (unit < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (unit >> 6)));
      out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xE0 | (unit >> 12)));
      out.push_back(static_cast<char>(0x80 | ((unit >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    }
  }
  out.push_back('\0');
}
