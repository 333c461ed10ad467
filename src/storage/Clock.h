#pragma once
// The one source of "now" for every stored date. Tests set it so that date
// strings can be asserted exactly.

#include <QDateTime>
#include <functional>

namespace Clock {
/// Current time (the system clock unless a test has set one).
QDateTime now();
/// Makes now() answer `source()` from here on; an empty function restores the system clock.
void setSource(std::function<QDateTime()> source);
}  // namespace Clock
