#include "transfer/FlxReader.h"

#include <QStringDecoder>

#include "format/Endian.h"
#include "storage/TeskUtil.h"
#include "format/Utf8Text.h"
#include "format/FieldText.h"
#include "transfer/FlxEscape.h"
#include "format/FlxKeyTable.h"
#include "transfer/FlxPath.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace {

// The longest pattern "\n<key> " with its zero byte; the longest key has 31 characters.
constexpr size_t kPatternSize = 40;

constexpr bool keyTableFitsTheReader() {
  for (int i = 0; i < kFlxKeyCount; ++i) {
    const FlxKey& key = kFlxKeys[i];
    if (std::char_traits<char>::length(key.key) + 3 > kPatternSize) return false;
    if (key.kind == FlxValueKind::Date && key.readerLimit > key.size) return false;
    if (key.kind == FlxValueKind::Text && key.readerLimit != key.size / sizeof(FlnUniChar) - 1) return false;
    if ((key.missingNext == FlxMissingNext::Chain) != (i >= kFlxChainFirst)) return false;
  }
  return true;
}
static_assert(keyTableFitsTheReader(),
              "a key or a reader limit does not fit its buffer or field, or the chain is misplaced");

size_t patternLength(const char* key) { return 1 + std::strlen(key) + 1; }

// The value behind the pattern of `key` at `keyPos`, up to `end`; none when
// either is missing or the end lies before the value's start.
std::optional<std::string_view> valueBetween(const char* key, const char* keyPos, const char* end) {
  if (keyPos == nullptr || end == nullptr) return std::nullopt;
  const char* start = keyPos + patternLength(key);
  if (end < start) return std::nullopt;
  return std::string_view(start, static_cast<size_t>(end - start));
}

// Text is measured in the units its field stores, anything else in bytes.
bool withinLimit(const FlxKey& key, std::string_view value) {
  if (key.kind == FlxValueKind::Text) return Utf16UnitsOfUtf8(value) <= key.readerLimit;
  return value.size() + 1 <= key.readerLimit;
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

// Stores a value that is within its key's limit.
void storeValue(FLN_ENTRY* entry, const FlxKey& key, const std::string& value) {
  char* field = reinterpret_cast<char*>(entry) + key.offset;
  switch (key.kind) {
    case FlxValueKind::Version:
    case FlxValueKind::Identifier:
      return;  // read for their place in the text only
    case FlxValueKind::Text:
      // A leading U+FEFF is text like any other here, not a mark to drop.
      StoreWholeText(QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom)
                         .decode(QByteArrayView(value.data(), static_cast<qsizetype>(value.size()))),
                     field, key.size);
      return;
    case FlxValueKind::Date:
      std::memcpy(field, value.c_str(), value.size() + 1);  // fits: readerLimit <= size
      return;
    case FlxValueKind::Long:
      store(entry, key.offset,
            ZEL_EndianLong_NtoL(static_cast<int32_t>(static_cast<uint32_t>(leadingInteger(value.c_str())))));
      return;
    case FlxValueKind::Short:
      storeShort(entry, key.offset, leadingInteger(value.c_str()));
      return;
    case FlxValueKind::Byte:
      store(entry, key.offset, static_cast<uint8_t>(leadingInteger(value.c_str())));
      return;
    case FlxValueKind::Flag:
      store(entry, key.offset, static_cast<uint8_t>(leadingInteger(value.c_str()) != 0 ? 1 : 0));
      return;
    case FlxValueKind::Rect: {
      char before[kCommaBeforeSize];
      char after[kCommaAfterSize];
      char rest[kCommaAfterSize];
      const char* text = value.c_str();
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

// Takes the value of key `i` ending at `end`: stored when it is within its
// limit. Returns whether it was.
bool take(FLN_ENTRY* entry, int i, const char* const position[], const char* end) {
  const FlxKey& key = kFlxKeys[i];
  const std::optional<std::string_view> value = valueBetween(key.key, position[i], end);
  if (!value || !withinLimit(key, *value)) return false;
  storeValue(entry, key, std::string(*value));
  return true;
}

// A file as the plain writer writes it, read by the key rules of FlxReader.h.
void readPlainFile(const char* const position[], const char* textEnd, FLN_ENTRY* entry) {
  // Before the chain a value is used with its line feeds, so that a title or
  // note of several lines comes back whole.
  for (int i = 0; i < kFlxChainFirst; ++i) {
    const char* end = position[i + 1];
    if (end == nullptr && kFlxKeys[i].missingNext == FlxMissingNext::TextEnd) end = textEnd;
    take(entry, i, position, end);
  }

  // In the chain only a value without a line feed counts as taken.
  const auto takeLine = [&](int i, const char* end) {
    const std::optional<std::string_view> value = valueBetween(kFlxKeys[i].key, position[i], end);
    return value && value->find('\n') == std::string_view::npos && take(entry, i, position, end);
  };
  const int last = kFlxKeyCount - 1;
  const char* running = position[kFlxChainFirst + 1] != nullptr ? position[kFlxChainFirst + 1] : textEnd;
  for (int i = kFlxChainFirst; i < last; ++i) {
    const bool taken = takeLine(i, running);
    if (i + 2 <= last) {
      if (taken) running = position[i + 2];
    } else if (!taken) {
      textEnd = running;
    }
  }
  takeLine(last, textEnd);
}

// A file of kFlxVersionEscaped: no value holds a key's pattern, so every key
// present ends where the next key present begins, and text values are
// unescaped before they are measured and stored.
void readEscapedFile(const char* const position[], const char* textEnd, FLN_ENTRY* entry) {
  for (int i = 0; i < kFlxKeyCount; ++i) {
    const char* end = textEnd;
    for (int next = i + 1; next < kFlxKeyCount; ++next) {
      if (position[next] != nullptr) {
        end = position[next];
        break;
      }
    }
    const FlxKey& key = kFlxKeys[i];
    const std::optional<std::string_view> value = valueBetween(key.key, position[i], end);
    if (!value) continue;
    const std::string plain = key.kind == FlxValueKind::Text ? FlxUnescapeValue(*value) : std::string(*value);
    if (withinLimit(key, plain)) storeValue(entry, key, plain);
  }
}

// Copies at most size - 1 bytes of [text, text + length) and a zero byte.
void copyCut(const char* text, size_t length, char* out, size_t size) {
  if (length > size - 1) length = size - 1;
  std::memcpy(out, text, length);
  out[length] = '\0';
}

}  // namespace

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

bool FillEntry_FromFLXText(const char* text, FLN_ENTRY* entry) {
  if (entry == nullptr) return false;
  std::memset(entry, 0, sizeof *entry);
  if (text == nullptr) return true;
  const size_t length = std::strlen(text);
  if (!IsUtf8Text(std::string_view(text, length))) return false;

  const char* position[kFlxKeyCount];
  for (int i = 0; i < kFlxKeyCount; ++i) {
    char pattern[kPatternSize];
    std::snprintf(pattern, sizeof pattern, "\n%s ", kFlxKeys[i].key);
    position[i] = std::strstr(text, pattern);
  }
  const char* textEnd = text + length;
  while (textEnd > text && textEnd[-1] == '\n') --textEnd;

  const std::optional<std::string_view> version = valueBetween(kFlxKeys[0].key, position[0], position[1]);
  if (version && *version == kFlxVersionEscaped)
    readEscapedFile(position, textEnd, entry);
  else
    readPlainFile(position, textEnd, entry);
  return true;
}

int ReadFLXFile(const char* flxPath, FLN_ENTRY* entry) {
  if (entry == nullptr) return kFlxReadMissing;
  char* text = nullptr;
  if (Tesk_ReadBuffer_fromFile(flxPath, &text) != 1) return kFlxReadMissing;
  FLN_ENTRY read;
  const bool utf8 = FillEntry_FromFLXText(text, &read);
  std::free(text);
  if (!utf8) return kFlxReadNotUtf8;
  *entry = read;
  return kFlxReadOk;
}

int ReadFLXFile_ByPDFPath(const char* pdfPath, FLN_ENTRY* entry) {
  char flxPath[kFlnPathBufferSize];
  if (GenerateFLXFilePath_ByPDFPath(pdfPath, flxPath) != 1) return kFlxReadMissing;
  return ReadFLXFile(flxPath, entry);
}
