#include "platform/clock.h"

#include <ctime>

std::int64_t platform::WallClockMicros()
{
  timespec ts{};
  ::clock_gettime(CLOCK_REALTIME, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

std::uint64_t platform::MonotonicMicros()
{
  timespec ts{};
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::uint64_t>(ts.tv_sec) * 1000000 + static_cast<std::uint64_t>(ts.tv_nsec) / 1000;
}

platform::LocalTime platform::ToLocalTime(std::int64_t nSecondsSinceEpoch)
{
  const auto t = static_cast<std::time_t>(nSecondsSinceEpoch);
  std::tm tm{};
  ::localtime_r(&t, &tm);
  return {tm.tm_year + 1900,
          tm.tm_mon + 1,
          tm.tm_mday,
          tm.tm_hour,
          tm.tm_min,
          tm.tm_sec,
          static_cast<int>(tm.tm_gmtoff / 60)};
}
