#include "gui/library/WindowStateText.h"

#include <QList>
#include <cmath>
#include <cstdint>

namespace {

// The numbers of a comma-separated text, as many as parse from its start.
QList<double> LeadingNumbers(const char* text, int wanted) {
  QList<double> numbers;
  const QList<QByteArray> parts = QByteArray(text).split(',');
  for (const QByteArray& part : parts) {
    if (numbers.size() == wanted) break;
    bool ok = false;
    const double value = part.trimmed().toDouble(&ok);
    // Only finite numbers that a window could have: anything else (nan,
    // inf, absurd sizes) ends the text like a non-number does.
    if (!ok || !std::isfinite(value) || std::fabs(value) > 1e9) break;
    numbers.append(value);
  }
  return numbers;
}

int16_t ToInt16(double value) { return static_cast<int16_t>(static_cast<int32_t>(static_cast<int64_t>(value))); }

}  // namespace

QByteArray FormatWindowPosition(const QRect& frame) {
  const int16_t top = static_cast<int16_t>(frame.y());
  const int16_t left = static_cast<int16_t>(frame.x());
  const int16_t bottom = static_cast<int16_t>(frame.y() + frame.height());
  const int16_t right = static_cast<int16_t>(frame.x() + frame.width());
  return QByteArray::number(top) + ',' + QByteArray::number(left) + ',' + QByteArray::number(bottom) + ',' +
         QByteArray::number(right);
}

bool ParseWindowPosition(const char* text, QRect* frame) {
  const QList<double> numbers = LeadingNumbers(text, 4);
  if (numbers.size() < 4) return false;
  for (double number : numbers)
    if (number != static_cast<double>(static_cast<int64_t>(number))) return false;  // integers only
  const int top = ToInt16(numbers[0]), left = ToInt16(numbers[1]);
  const int bottom = ToInt16(numbers[2]), right = ToInt16(numbers[3]);
  *frame = QRect(left, top, right - left, bottom - top);
  return true;
}

QByteArray FormatPaneHeight(double height) { return QByteArray::number(height, 'f', 6); }

bool ParsePaneHeight(const char* text, double* height) {
  const QList<double> numbers = LeadingNumbers(text, 1);
  if (numbers.isEmpty()) return false;
  *height = numbers[0];
  return true;
}

QByteArray FormatScrollPosition(QPointF origin) {
  return QByteArray::number(origin.x(), 'f', 6) + ',' + QByteArray::number(origin.y(), 'f', 6);
}

bool ParseScrollPosition(const char* text, QPointF* origin) {
  const QList<double> numbers = LeadingNumbers(text, 2);
  if (numbers.size() < 2) return false;
  *origin = QPointF(numbers[0], numbers[1]);
  return true;
}
