#include "storage/FolianCommon.h"

#include "format/Endian.h"

#include <QByteArray>
#include <QDate>
#include <QTime>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

constexpr char16_t kByteOrderMark = 0xFEFF;
constexpr size_t kDateStringBytes = 18;  // 17 digits and a zero byte
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

void FLN_COMM_NSDateToString(const QDateTime& date, char* dest, size_t size) {
  if (dest == nullptr || size < kDateStringBytes || !date.isValid()) return;
  const QDateTime local = date.toLocalTime();
  const QDate day = local.date();
  const QTime time = local.time();
  // Only four-digit years fit the 17 digits; anything else would overrun the field.
  if (day.year() < 1 || day.year() > 9999) return;
  std::snprintf(dest, kDateStringBytes, "%04d%02d%02d%02d%02d%02d%03d", day.year(), day.month(), day.day(),
                time.hour(), time.minute(), time.second(), time.msec());
}
