#include "transfer/FlxWriter.h"

#include "storage/Endian.h"
#include "storage/FileIo.h"
#include "storage/FolianCommon.h"
#include "transfer/FlxKeyTable.h"

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

void appendValue(std::string& text, const FLN_ENTRY* entry, const FlxKey& key) {
  const char* field = reinterpret_cast<const char*>(entry) + key.offset;
  switch (key.kind) {
    case FlxValueKind::Version:
      text += kFlxVersion;
      return;
    case FlxValueKind::Identifier:
    case FlxValueKind::Long:
      text += std::to_string(ZEL_EndianLong_LtoN(load<int32_t>(entry, key.offset)));
      return;
    case FlxValueKind::Short:
      text += std::to_string(loadShort(entry, key.offset));
      return;
    case FlxValueKind::Byte:
    case FlxValueKind::Flag:
      text += std::to_string(static_cast<unsigned>(load<uint8_t>(entry, key.offset)));
      return;
    case FlxValueKind::Text:
      text += FLN_COMM_CreateNSString_FromUniChar_LtoN(field, key.size).toUtf8().toStdString();
      return;
    case FlxValueKind::Date:
      // A damaged date without its zero byte still ends with its field.
      text.append(field, strnlen(field, key.size));
      return;
    case FlxValueKind::Rect:
      for (size_t member = 0; member < 4; ++member) {
        if (member > 0) text += ',';
        text += std::to_string(loadShort(entry, key.offset + member * sizeof(int16_t)));
      }
      return;
  }
}

}  // namespace

std::string MakeFLXText_FromEntry(const FLN_ENTRY* entry) {
  std::string text = "\n";
  if (entry == nullptr) return text;
  for (const FlxKey& key : kFlxKeys) {
    text += key.key;
    text += ' ';
    appendValue(text, entry, key);
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
