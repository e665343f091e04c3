#include "base/clock.h"

#include "base/gbk.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <ctime>
#endif

namespace pim {

LocalTime SystemClock::Now() const {
  LocalTime t;
#ifdef _WIN32
  SYSTEMTIME st;
  GetLocalTime(&st);
  t = {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wDayOfWeek};
#else
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  t = {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_wday};
#endif
  return t;
}

std::string NowStamp(const Clock& clock) {
  const LocalTime t = clock.Now();
  return Format("%d-%d-%d %d:%d", t.year, t.month, t.day, t.hour, t.minute);
}

}  // namespace pim
