#include "transfer/FlxWriter.h"

#include "format/Endian.h"
#include "storage/FileIo.h"
#include "format/FieldText.h"
#include "transfer/FlxEscape.h"
#include "format/FlxKeyTable.h"

#include <QByteArray>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <unistd.h>

namespace {

// Fields of a packed record need not be aligned: load them byte-wise.
template <typename T>
T load(const FLN_ENTRY* entry, size_t offset) {
  T value;
  std::memcpy(&value, reinterpret_cast<const char*>(entry) + offset, sizeof value);
  return value;
}

int16_t loadShort(const FLN_ENTRY* entry, size_t offset) {
  return ZEL_EndianShort_LtoN(load<int16_t>(entry, offset));
}

// The value of `key` as the file writes it, before any escaping.
std::string valueText(const FLN_ENTRY* entry, const FlxKey& key) {
  const char* field = reinterpret_cast<const char*>(entry) + key.offset;
  switch (key.kind) {
    case FlxValueKind::Version:
      return kFlxVersion;
    case FlxValueKind::Identifier:
    case FlxValueKind::Long:
      return std::to_string(ZEL_EndianLong_LtoN(load<int32_t>(entry, key.offset)));
    case FlxValueKind::Short:
      return std::to_string(loadShort(entry, key.offset));
    case FlxValueKind::Byte:
    case FlxValueKind::Flag:
      return std::to_string(static_cast<unsigned>(load<uint8_t>(entry, key.offset)));
    case FlxValueKind::Text:
      return FLN_COMM_CreateNSString_FromUniChar_LtoN(field, key.size).toUtf8().toStdString();
    case FlxValueKind::Date:
      // A damaged date without its zero byte still ends with its field.
      return std::string(field, strnlen(field, key.size));
    case FlxValueKind::Rect: {
      std::string text;
      for (size_t member = 0; member < 4; ++member) {
        if (member > 0) text += ',';
        text += std::to_string(loadShort(entry, key.offset + member * sizeof(int16_t)));
      }
      return text;
    }
  }
  return std::string();
}

}  // namespace

std::string MakeFLXText_FromEntry(const FLN_ENTRY* entry) {
  std::string text = "\n";
  if (entry == nullptr) return text;
  std::string values[kFlxKeyCount];
  bool escaped = false;
  for (int i = 0; i < kFlxKeyCount; ++i) {
    values[i] = valueText(entry, kFlxKeys[i]);
    escaped = escaped || FlxValueNeedsEscape(kFlxKeys[i], values[i]);
  }
  for (int i = 0; i < kFlxKeyCount; ++i) {
    const FlxKey& key = kFlxKeys[i];
    text += key.key;
    text += ' ';
    if (key.kind == FlxValueKind::Version && escaped)
      text += kFlxVersionEscaped;
    else if (key.kind == FlxValueKind::Text && escaped)
      text += FlxEscapeValue(values[i]);
    else
      text += values[i];
    text += '\n';
  }
  return text;
}

int WriteFLXFile(const FLN_ENTRY* entry, const char* flxPath) {
  if (entry == nullptr || flxPath == nullptr) {
    errno = EINVAL;
    return kFlxWriteCannotCreate;
  }
  const std::string text = MakeFLXText_FromEntry(entry);

  std::unique_ptr<FileStream> file(FileStream::open(flxPath, FileOpenMode::ReadWrite));
  if (!file && errno == ENOENT) file.reset(FileStream::open(flxPath, FileOpenMode::CreateExclusive));
  if (!file) return kFlxWriteCannotCreate;

  errno = 0;
  const bool written = file->truncate(0) && file->writeAt(0, text.data(), text.size());
  file.reset();
  if (written) return kFlxWriteOk;

  // A cut file would be read back as if whole (the reader takes what it finds),
  // so the name must not stay behind.
  const int error = errno != 0 ? errno : EIO;
  ::unlink(flxPath);
  errno = error;
  return kFlxWriteFailed;
}
