#pragma once
// A clock that stands still, so that the dates a library stamps on its
// records can be compared with fixed strings.

#include <QDateTime>
#include <memory>

namespace testsupport {

/// Makes Clock::now() answer `time` (changed with set) until destroyed.
class FrozenClock {
 public:
  explicit FrozenClock(const QDateTime& time);
  ~FrozenClock();
  FrozenClock(const FrozenClock&) = delete;
  FrozenClock& operator=(const FrozenClock&) = delete;
  void set(const QDateTime& time);

 private:
  std::shared_ptr<QDateTime> time_;
};

/// 2026-12-08 21:13:20.500 local time, whose date string is kFixedDate.
QDateTime FixedTime();
constexpr char kFixedDate[] = "20261208211320500";

}  // namespace testsupport
