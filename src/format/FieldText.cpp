#include "format/FieldText.h"

#include <QByteArray>
#include <cstdint>
#include <cstring>

#include "format/Endian.h"

namespace {

constexpr char16_t kByteOrderMark = 0xFEFF;
// Host-order text ends at its zero unit, wherever that is.
constexpr size_t kUnbounded = SIZE_MAX;

char16_t unitNtoL(char16_t unit) {
  return static_cast<char16_t>(ZEL_EndianShort_NtoL(static_cast<int16_t>(unit)));
}
char16_t unitLtoN(char16_t unit) {
  return static_cast<char16_t>(ZEL_EndianShort_LtoN(static_cast<int16_t>(unit)));
}

// Units go through memcpy: a field inside a packed record need not be 2-byte aligned.
char16_t loadUnit(const void* base, size_t index) {
  char16_t unit;
  std::memcpy(&unit, static_cast<const char*>(base) + index * sizeof unit, sizeof unit);
  return unit;
}
// The little-endian unit at `index` in host order: unitLtoN(loadUnit(...))
// composed from its two bytes, which the compiler keeps inline, for the
// loops that read every unit of many fields.
char16_t loadUnitLtoN(const void* base, size_t index) {
  const auto* bytes = static_cast<const unsigned char*>(base) + index * sizeof(char16_t);
  return static_cast<char16_t>(bytes[0] | bytes[1] << 8);
}
void storeUnit(void* base, size_t index, char16_t unit) {
  std::memcpy(static_cast<char*>(base) + index * sizeof unit, &unit, sizeof unit);
}

// Writes the mark, the text and a zero unit, each unit in host or little-endian
// order; nothing when the whole text with mark and terminator needs more than
// maxBytes. A little-endian field receives the text only up to its first zero
// unit, which is where every reader of a field stops.
int storeText(const QString& text, void* dest, size_t maxBytes, bool littleEndian) {
  if (dest == nullptr) return 0;
  size_t length = static_cast<size_t>(text.size());
  if (length + 2 > maxBytes / sizeof(char16_t)) return 0;
  if (littleEndian) {
    const qsizetype zero = text.indexOf(QChar(u'\0'));
    if (zero >= 0) length = static_cast<size_t>(zero);
  }
  auto put = [&](size_t index, char16_t unit) { storeUnit(dest, index, littleEndian ? unitNtoL(unit) : unit); };
  put(0, kByteOrderMark);
  for (size_t i = 0; i < length; ++i) put(1 + i, text.at(static_cast<qsizetype>(i)).unicode());
  put(1 + length, 0);
  return 1;
}

// The text of at most maxUnits units before the first zero unit, in host or
// little-endian order, with one leading mark dropped.
QString loadText(const void* source, size_t maxUnits, bool littleEndian) {
  QString text;
  if (source == nullptr) return text;
  for (size_t i = 0; i < maxUnits; ++i) {
    const char16_t raw = loadUnit(source, i);
    const char16_t unit = littleEndian ? unitLtoN(raw) : raw;
    if (unit == 0) break;
    if (i == 0 && unit == kByteOrderMark) continue;
    text.append(QChar(unit));
  }
  return text;
}

bool isSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDFFF; }

int storeUtf8(const QString& text, char* dest, size_t maxBytes) {
  if (dest == nullptr) return 0;
  const QByteArray utf8 = text.toUtf8();
  const size_t bytes = static_cast<size_t>(utf8.size()) + 1;  // with the zero byte
  if (bytes > maxBytes) return 0;
  std::memcpy(dest, utf8.constData(), bytes);
  return 1;
}

}  // namespace

int FLN_COMM_ConvertCharToUniChar(const char* text, char16_t* dest, size_t maxBytes) {
  if (text == nullptr) return 0;
  return storeText(QString::fromUtf8(text), dest, maxBytes, false);
}

int FLN_COMM_ConvertCharToUniChar_NtoL(const char* text, void* destField, size_t maxBytes) {
  if (text == nullptr) return 0;
  return storeText(QString::fromUtf8(text), destField, maxBytes, true);
}

int FLN_COMM_CopyUniStr_FromNSString(const QString& text, char16_t* dest, size_t maxBytes) {
  return storeText(text, dest, maxBytes, false);
}

int FLN_COMM_CopyUniStr_FromNSString_NtoL(const QString& text, void* destField, size_t maxBytes) {
  return storeText(text, destField, maxBytes, true);
}

int FLN_COMM_ConvertUniCharToChar(const char16_t* text, char* dest, size_t maxBytes) {
  if (text == nullptr) return 0;
  return storeUtf8(loadText(text, kUnbounded, false), dest, maxBytes);
}

int FLN_COMM_ConvertUniCharToChar_LtoN(const void* field, size_t fieldBytes, char* dest, size_t maxBytes) {
  if (field == nullptr && fieldBytes > 0) return 0;
  return storeUtf8(loadText(field, fieldBytes / sizeof(char16_t), true), dest, maxBytes);
}

QString FLN_COMM_CreateNSString_FromUniChar(const char16_t* text) { return loadText(text, kUnbounded, false); }

QString FLN_COMM_CreateNSString_FromUniChar_LtoN(const void* field, size_t fieldBytes) {
  // The last unit of a field is its terminator's place, so text is taken from the units before it.
  const size_t units = fieldBytes / sizeof(char16_t);
  return loadText(field, units == 0 ? 0 : units - 1, true);
}

void FLN_COMM_NtoL_UniChar(const char16_t* text, void* dest) {
  if (text == nullptr || dest == nullptr) return;
  for (size_t i = 0;; ++i) {
    storeUnit(dest, i, unitNtoL(text[i]));
    if (text[i] == 0) return;
  }
}

void FLN_COMM_LtoN_UniChar(const void* text, char16_t* dest) {
  if (text == nullptr || dest == nullptr) return;
  for (size_t i = 0;; ++i) {
    dest[i] = unitLtoN(loadUnit(text, i));
    if (dest[i] == 0) return;
  }
}

void AppendFieldTextUtf16(const void* field, size_t fieldBytes, std::vector<char16_t>& out) {
  // The last unit of a field is its terminator's place, as for the string.
  const size_t units = fieldBytes / sizeof(char16_t) == 0 ? 0 : fieldBytes / sizeof(char16_t) - 1;
  const size_t begin = units > 0 && loadUnitLtoN(field, 0) == kByteOrderMark ? 1 : 0;
  size_t end = begin;
  while (end < units && loadUnitLtoN(field, end) != 0) ++end;
  const size_t at = out.size();
  out.resize(at + (end - begin));
  char16_t* dest = out.data() + at;
  for (size_t i = begin; i < end; ++i) *dest++ = loadUnitLtoN(field, i);
}

void AppendFieldTextUtf8(const void* field, size_t fieldBytes, std::vector<char>& out) {
  const size_t units = fieldBytes / sizeof(char16_t);
  size_t begin = 0;
  if (units > 0 && loadUnitLtoN(field, 0) == kByteOrderMark) begin = 1;
  size_t end = begin;
  bool surrogates = false;
  for (; end < units; ++end) {
    const char16_t unit = loadUnitLtoN(field, end);
    if (unit == 0) break;
    surrogates = surrogates || isSurrogate(unit);
  }

  if (surrogates) {
    // Pairs and lone halves are encoded as the shared conversion decides:
    // leave them to it, so that both readings stay one and the same.
    std::vector<char> utf8(units * 3 + 1);
    if (FLN_COMM_ConvertUniCharToChar_LtoN(field, fieldBytes, utf8.data(), utf8.size()) != 1)
      utf8[0] = '\0';
    out.insert(out.end(), utf8.data(), utf8.data() + std::strlen(utf8.data()) + 1);
    return;
  }

  // Without surrogates every unit is one code point of the Basic
  // Multilingual Plane and encodes in 1, 2 or 3 bytes: room for the most,
  // then the room left over given back.
  const size_t at = out.size();
  out.resize(at + (end - begin) * 3 + 1);
  char* dest = out.data() + at;
  for (size_t i = begin; i < end; ++i) {
    const char16_t unit = loadUnitLtoN(field, i);
    if (unit < 0x80) {
      *dest++ = static_cast<char>(unit);
    } else if (unit < 0x800) {
      *dest++ = static_cast<char>(0xC0 | (unit >> 6));
      *dest++ = static_cast<char>(0x80 | (unit & 0x3F));
    } else {
      *dest++ = static_cast<char>(0xE0 | (unit >> 12));
      *dest++ = static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
      *dest++ = static_cast<char>(0x80 | (unit & 0x3F));
    }
  }
  *dest++ = '\0';
  out.resize(static_cast<size_t>(dest - out.data()));
}

QString CutText_ToUnits(const QString& text, size_t maxUnits) {
  if (static_cast<size_t>(text.size()) <= maxUnits) return text;
  qsizetype end = static_cast<qsizetype>(maxUnits);
  if (end > 0 && text.at(end - 1).isHighSurrogate()) --end;
  return text.left(end);
}

void StoreFittedText(const QString& text, void* field, size_t fieldBytes) {
  FLN_COMM_CopyUniStr_FromNSString_NtoL(CutText_ToUnits(text, TextUnitsOfField(fieldBytes)), field, fieldBytes);
}

bool StoreWholeText(const QString& text, void* field, size_t fieldBytes) {
  if (FLN_COMM_CopyUniStr_FromNSString_NtoL(text, field, fieldBytes) == 1) return true;
  // A field read back drops one leading mark, so the text may go without it
  // only when it cannot be taken for one.
  const size_t units = static_cast<size_t>(text.size());
  if (units + 1 != fieldBytes / sizeof(char16_t) || text.startsWith(QChar(0xFEFF)) || text.contains(QChar(u'\0')))
    return false;
  FLN_COMM_NtoL_UniChar(reinterpret_cast<const char16_t*>(text.utf16()), field);
  return true;
}
