// The wall clock for records and logs: now to the microsecond, and a moment's local calendar
// fields with the zone's offset; intervals are left to GetTickCount64's monotonic tick.
#pragma once

#include <cstdint>

namespace platform {

std::int64_t WallClockMicros();

struct LocalTime {
  int nYear, nMonth, nDay, nHour, nMinute, nSecond;
  int nOffsetMinutes;  // east of UTC
};
LocalTime ToLocalTime(std::int64_t nSecondsSinceEpoch);

}  // namespace platform
