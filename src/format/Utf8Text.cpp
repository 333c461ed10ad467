#include "format/Utf8Text.h"

#include <QByteArrayView>

namespace {
bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }
}  // namespace

bool IsUtf8Text(std::string_view text) {
  return QByteArrayView(text.data(), static_cast<qsizetype>(text.size())).isValidUtf8();
}

size_t Utf16UnitsOfUtf8(std::string_view text) {
  size_t units = 0;
  for (const char c : text) {
    if (IsContinuationByte(c)) continue;
    // A lead byte of four bytes (11110xxx) starts a character beyond U+FFFF: a surrogate pair.
    units += (static_cast<unsigned char>(c) & 0xF8) == 0xF0 ? 2 : 1;
  }
  return units;
}

std::string CutUtf8_ToBytes(const std::string& text, size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  size_t end = maxBytes;
  // Back up over continuation bytes to the lead byte of the sequence that
  // would be cut, and cut before it.
  while (end > 0 && IsContinuationByte(text[end])) --end;
  return text.substr(0, end);
}
