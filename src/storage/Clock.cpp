#include "storage/Clock.h"

#include <utility>

namespace {
// Empty means the system clock.
std::function<QDateTime()> gSource;
}  // namespace

QDateTime Clock::now() { return gSource ? gSource() : QDateTime::currentDateTime(); }

void Clock::setSource(std::function<QDateTime()> source) { gSource = std::move(source); }
