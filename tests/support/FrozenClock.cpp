#include "FrozenClock.h"

#include "storage/Clock.h"

namespace testsupport {

FrozenClock::FrozenClock(const QDateTime& time) : time_(std::make_shared<QDateTime>(time)) {
  std::shared_ptr<QDateTime> t = time_;
  Clock::setSource([t] { return *t; });
}

FrozenClock::~FrozenClock() { Clock::setSource({}); }

void FrozenClock::set(const QDateTime& time) { *time_ = time; }

QDateTime FixedTime() { return QDateTime(QDate(2026, 12, 8), QTime(21, 13, 20, 500)); }

}  // namespace testsupport
