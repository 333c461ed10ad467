#include "app/FolianData.h"

QByteArray FolianData::dataFromString(const QString& text) {
  const char16_t mark = 0xFEFF;
  QByteArray bytes(reinterpret_cast<const char*>(&mark), sizeof(mark));
  bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * qsizetype(sizeof(char16_t)));
  return bytes;
}
