// The local date and time, behind an interface so that tests can fix it.
#pragma once

#include <string>

namespace pim {

struct LocalTime {
  int year = 0;
  int month = 0;  // 1 to 12
  int day = 0;
  int hour = 0;  // 0 to 23
  int minute = 0;
  int weekday = 0;  // 0 for Sunday
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalTime Now() const = 0;
};

// The machine's local time.
class SystemClock final : public Clock {
 public:
  LocalTime Now() const override;
};

// A clock that always answers the time it was given.
class FixedClock final : public Clock {
 public:
  explicit FixedClock(const LocalTime& time) : time_(time) {}
  LocalTime Now() const override { return time_; }
  void Set(const LocalTime& time) { time_ = time; }

 private:
  LocalTime time_;
};

// "%d-%d-%d %d:%d": year, month, day, hour, minute, without leading zeros.
std::string NowStamp(const Clock& clock);

}  // namespace pim
