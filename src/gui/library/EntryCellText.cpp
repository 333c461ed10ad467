#include "gui/library/EntryCellText.h"

#include <cstring>

#include "format/Endian.h"
#include "format/FieldText.h"

QString FileSizeText(int32_t bytes) {
  const double kb = bytes * 0.0009765625;
  const double mb = kb * 0.0009765625;
  if (mb >= 1.0) return QString::asprintf("%.1f MB", mb);
  return QString::asprintf("%.1f KB", kb);
}

QString UpdateDateText(const char* date, size_t fieldSize) {
  const size_t length = strnlen(date, fieldSize);
  const QString text = QString::fromLatin1(date, static_cast<qsizetype>(length));
  if (length < 12) return text;
  return text.mid(0, 4) + QLatin1Char('/') + text.mid(4, 2) + QLatin1Char('/') + text.mid(6, 2) +
         QLatin1Char(' ') + text.mid(8, 2) + QLatin1Char(':') + text.mid(10, 2);
}

QString RatingText(int16_t rate) {
  if (rate < 1 || rate > 5) return QStringLiteral("");
  return QString(rate, QChar(0x2606));
}

namespace {

}  // namespace

QString EntryCellText(const FLN_ENTRY& entry, const QString& identifier) {
  if (identifier == u"title") return FieldText(entry.en_title);
  if (identifier == u"cat1") return FieldText(entry.en_c1_name);
  if (identifier == u"cat2") return FieldText(entry.en_c2_name);
  if (identifier == u"cat3") return FieldText(entry.en_c3_name);
  if (identifier == u"author") return FieldText(entry.en_author_name);
  if (identifier == u"editor") return FieldText(entry.en_editor_name);
  if (identifier == u"supervisor") return FieldText(entry.en_supervisor_name);
  if (identifier == u"translator") return FieldText(entry.en_translator_name);
  if (identifier == u"publisher") return FieldText(entry.en_publisher_name);
  if (identifier == u"note") return FieldText(entry.en_note);
  if (identifier == u"myRate") return RatingText(ZEL_EndianShort_LtoN(entry.en_my_rate));
  if (identifier == u"fileName") return FieldText(entry.en_file_name);
  if (identifier == u"fileSize") return FileSizeText(ZEL_EndianLong_LtoN(entry.en_file_size));
  if (identifier == u"updateDate") return UpdateDateText(entry.en_update_date, sizeof(entry.en_update_date));
  return QString();
}
