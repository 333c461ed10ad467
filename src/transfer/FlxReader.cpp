#include "transfer/FlxReader.h"

#include "storage/Endian.h"
#include "storage/FolianCommon.h"
#include "storage/TeskUtil.h"
#include "transfer/FlxKeyTable.h"
#include "transfer/FlxPath.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The longest pattern "\n<key> " with its zero byte; the longest key has 31 characters.
constexpr size_t kPatternSize = 40;

constexpr bool keyTableFitsTheReader() {
  for (int i = 0; i < kFlxKeyCount; ++i) {
    const FlxKey& key = kFlxKeys[i];
    if (std::char_traits<char>::length(key.key) + 3 > kPatternSize) return false;
    if (key.readerLimit > kFlxLongestValue) return false;
    if (key.kind == FlxValueKind::Date && key.readerLimit > key.size) return false;
    if ((key.missingNext == FlxMissingNext::Chain) != (i >= kFlxChainFirst)) return false;
  }
  return true;
}
static_assert(keyTableFitsTheReader(),
              "a key or a reader limit does not fit its buffer or field, or the chain is misplaced");

enum class Taken { Nothing, WithLineFeed, Clean };

size_t patternLength(const char* key) { return 1 + std::strlen(key) + 1; }

Taken takeValue(const char* key, const char* keyPos, const char* end, char* out, size_t outSize) {
  if (key == nullptr || keyPos == nullptr || end == nullptr || out == nullptr) return Taken::Nothing;
  const char* start = keyPos + patternLength(key);
  if (end < start) return Taken::Nothing;
  const size_t length = static_cast<size_t>(end - start);
  if (length + 1 > outSize) return Taken::Nothing;
  std::memcpy(out, start, length);
  out[length] = '\0';
  return std::memchr(out, '\n', length) != nullptr ? Taken::WithLineFeed : Taken::Clean;
}

bool isWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// A leading decimal integer. Digits are gathered modulo 2^64, so any run of
// digits gives a defined value whose low bits the fields keep.
int64_t leadingInteger(const char* text) {
  while (isWhiteSpace(*text)) ++text;
  const bool negative = *text == '-';
  if (*text == '-' || *text == '+') ++text;
  uint64_t value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) value = value * 10 + static_cast<uint64_t>(*text - '0');
  return static_cast<int64_t>(negative ? 0 - value : value);
}

template <typename T>
void store(FLN_ENTRY* entry, size_t offset, T value) {
  std::memcpy(reinterpret_cast<char*>(entry) + offset, &value, sizeof value);
}

void storeShort(FLN_ENTRY* entry, size_t offset, int64_t value) {
  store(entry, offset, ZEL_EndianShort_NtoL(static_cast<int16_t>(static_cast<uint16_t>(value))));
}

void storeValue(FLN_ENTRY* entry, const FlxKey& key, const char* value) {
  char* field = reinterpret_cast<char*>(entry) + key.offset;
  switch (key.kind) {
    case FlxValueKind::Version:
    case FlxValueKind::Identifier:
      return;  // read for their place in the text only
    case FlxValueKind::Text:
      FLN_COMM_ConvertCharToUniChar_NtoL(value, field, key.size);
      return;
    case FlxValueKind::Date:
      std::memcpy(field, value, std::strlen(value) + 1);  // fits: readerLimit <= size
      return;
    case FlxValueKind::Long:
      store(entry, key.offset,
            ZEL_EndianLong_NtoL(static_cast<int32_t>(static_cast<uint32_t>(leadingInteger(value)))));
      return;
    case FlxValueKind::Short:
      storeShort(entry, key.offset, leadingInteger(value));
      return;
    case FlxValueKind::Byte:
      store(entry, key.offset, static_cast<uint8_t>(leadingInteger(value)));
      return;
    case FlxValueKind::Flag:
      store(entry, key.offset, static_cast<uint8_t>(leadingInteger(value) != 0 ? 1 : 0));
      return;
    case FlxValueKind::Rect: {
      char before[kCommaBeforeSize];
      char after[kCommaAfterSize];
      char rest[kCommaAfterSize];
      const char* text = value;
      for (size_t member = 0; member < 4; ++member) {
        MyGetParameter_in_Comma(text, before, after);
        storeShort(entry, key.offset + member * sizeof(int16_t), leadingInteger(before));
        std::memcpy(rest, after, sizeof rest);
        text = rest;
      }
      return;
    }
  }
}

// Copies at most size - 1 bytes of [text, text + length) and a zero byte.
void copyCut(const char* text, size_t length, char* out, size_t size) {
  if (length > size - 1) length = size - 1;
  std::memcpy(out, text, length);
  out[length] = '\0';
}

}  // namespace

bool MyGetStringParameter(const char* key, const char* keyPos, const char* end, char* out, size_t outSize) {
  return takeValue(key, keyPos, end, out, outSize) == Taken::Clean;
}

void MyGetParameter_in_Comma(const char* text, char* before, char* after) {
  if (before == nullptr || after == nullptr) return;
  before[0] = '\0';
  after[0] = '\0';
  if (text == nullptr) return;
  const char* comma = std::strchr(text, ',');
  if (comma == nullptr) {
    copyCut(text, std::strlen(text), before, kCommaBeforeSize);
    return;
  }
  copyCut(text, static_cast<size_t>(comma - text), before, kCommaBeforeSize);
  copyCut(comma + 1, std::strlen(comma + 1), after, kCommaAfterSize);
}

void FillEntry_FromFLXText(const char* text, FLN_ENTRY* entry) {
  if (entry == nullptr) return;
  std::memset(entry, 0, sizeof *entry);
  if (text == nullptr) return;

  const char* position[kFlxKeyCount];
  for (int i = 0; i < kFlxKeyCount; ++i) {
    char pattern[kPatternSize];
    std::snprintf(pattern, sizeof pattern, "\n%s ", kFlxKeys[i].key);
    position[i] = std::strstr(text, pattern);
  }
  const char* textEnd = text + std::strlen(text);
  while (textEnd > text && textEnd[-1] == '\n') --textEnd;

  char value[kFlxLongestValue];
  // Before the chain a value is used as copied, so a title or note of several lines comes back whole.
  for (int i = 0; i < kFlxChainFirst; ++i) {
    const FlxKey& key = kFlxKeys[i];
    const char* end = position[i + 1];
    if (end == nullptr && key.missingNext == FlxMissingNext::TextEnd) end = textEnd;
    if (takeValue(key.key, position[i], end, value, key.readerLimit) != Taken::Nothing) storeValue(entry, key, value);
  }

  const int last = kFlxKeyCount - 1;
  const char* running = position[kFlxChainFirst + 1] != nullptr ? position[kFlxChainFirst + 1] : textEnd;
  for (int i = kFlxChainFirst; i < last; ++i) {
    const FlxKey& key = kFlxKeys[i];
    const bool taken = MyGetStringParameter(key.key, position[i], running, value, key.readerLimit);
    if (taken) storeValue(entry, key, value);
    if (i + 2 <= last) {
      if (taken) running = position[i + 2];
    } else if (!taken) {
      textEnd = running;
    }
  }
  if (MyGetStringParameter(kFlxKeys[last].key, position[last], textEnd, value, kFlxKeys[last].readerLimit))
    storeValue(entry, kFlxKeys[last], value);
}

int ReadFLXFile(const char* flxPath, FLN_ENTRY* entry) {
  if (entry == nullptr) return 0;
  char* text = nullptr;
  if (Tesk_ReadBuffer_fromFile(flxPath, &text) != 1) return 0;
  FillEntry_FromFLXText(text, entry);
  std::free(text);
  return 1;
}

int ReadFLXFile_ByPDFPath(const char* pdfPath, FLN_ENTRY* entry) {
  char flxPath[kFlnPathBufferSize];
  if (GenerateFLXFilePath_ByPDFPath(pdfPath, flxPath) != 1) return 0;
  return ReadFLXFile(flxPath, entry);
}
