#include "storage/FolianCommon.h"

#include <QDate>
#include <QTime>
#include <cstdio>

namespace {

constexpr size_t kDateStringBytes = 18;  // 17 digits and a zero byte

}  // namespace

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
