#include "gui/entry/EntryDlgText.h"

#include <QCoreApplication>
#include <QByteArray>
#include <cstring>

namespace {

constexpr int kTitleMaxBytes = 255;

// How many bytes of `utf8` make whole characters within `limit` bytes.
int WholeCharacterBytes(const QByteArray& utf8, int limit) {
  if (utf8.size() <= limit) return static_cast<int>(utf8.size());
  int end = limit;
  // Step back over continuation bytes (10xxxxxx) to the start of the
  // character that the limit would cut.
  while (end > 0 && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80) --end;
  return end;
}

}  // namespace

QString getViewStringFromDataChars(const char* date, size_t fieldSize) {
  const size_t length = strnlen(date, fieldSize);
  const QString text = QString::fromLatin1(date, static_cast<qsizetype>(length));
  if (length < 14) return text;
  return text.mid(0, 4) + QLatin1Char('/') + text.mid(4, 2) + QLatin1Char('/') + text.mid(6, 2) +
         QLatin1Char(' ') + text.mid(8, 2) + QLatin1Char(':') + text.mid(10, 2) + QLatin1Char(':') +
         text.mid(12, 2);
}

QString EntryDlgTitle(const QString& title) {
  const QByteArray utf8 = QCoreApplication::translate("EntryDlgText", "「%1」の情報").arg(title).toUtf8();
  return QString::fromUtf8(utf8.constData(), WholeCharacterBytes(utf8, kTitleMaxBytes));
}
