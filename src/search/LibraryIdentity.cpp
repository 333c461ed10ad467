#include "search/LibraryIdentity.h"

#include <QDir>
#include <QStandardPaths>
#include <cstdio>
#include <vector>

#include "storage/RecordHash.h"

namespace {

// Appends the bytes of `field` to `bytes`.
template <typename Field>
void Append(std::vector<char>& bytes, const Field& field) {
  const char* begin = reinterpret_cast<const char*>(&field);
  bytes.insert(bytes.end(), begin, begin + sizeof field);
}

}  // namespace

std::string LibraryIdentity(const FLN_DATA* flnData) {
  std::vector<char> bytes;
  for (int32_t i = 0; i < Tesk_Ary_GetSize(flnData->label); ++i) {
    FLN_LABEL label;
    Tesk_Ary_GetData(flnData->label, i, &label);
    Append(bytes, label.itemNumber);
    Append(bytes, label.createDate);
  }
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx",
                static_cast<unsigned long long>(RecordHash(bytes.data(), bytes.size())));
  return hex;
}

QString FullTextIndexPath(const FLN_DATA* flnData) {
  const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
  return QDir(cache).filePath(QStringLiteral("FOLIAN/%1.fulltext").arg(QString::fromStdString(LibraryIdentity(flnData))));
}
