// The clocks of records, logs and pacing: now to the microsecond on the wall clock and on a
// monotonic one, and a moment's local calendar fields with the zone's offset.
#pragma once

#include <cstdint>

namespace platform {

std::int64_t WallClockMicros();
// A clock that only moves forward, for pacing: microseconds since some moment before start-up.
std::uint64_t MonotonicMicros();

struct LocalTime {
  int nYear, nMonth, nDay, nHour, nMinute, nSecond;
  int nOffsetMinutes;  // east of UTC
};
LocalTime ToLocalTime(std::int64_t nSecondsSinceEpoch);

}  // namespace platform
