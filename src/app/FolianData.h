#pragma once
// Turning text into bytes for data objects.

#include <QByteArray>
#include <QString>

class FolianData {
 public:
  /// `text` as UTF-16 in the machine's byte order, led by the byte-order mark.
  static QByteArray dataFromString(const QString& text);
};
