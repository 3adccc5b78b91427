#include "codec/transfertext.h"

#include <algorithm>
#include <cmath>

CString RateText(double dBytesPerSecond)
{
  CString str;
  if (dBytesPerSecond < 1e6)
    str.Format("%.1f KB/s", dBytesPerSecond / 1e3);
  else
    str.Format("%.1f MB/s", dBytesPerSecond / 1e6);
  return str;
}

CString DurationText(double dSeconds)
{
  CString str;
  if (dSeconds < 10) {
    str.Format("%.1f 秒", std::max(dSeconds, 0.0));
    return str;
  }
  const long long nSeconds = std::llround(dSeconds);
  if (nSeconds < 60)
    str.Format("%lld 秒", nSeconds);
  else if (nSeconds < 3600)
    str.Format("%lld 分 %02lld 秒", nSeconds / 60, nSeconds % 60);
  else
    str.Format("%lld 小时 %02lld 分", nSeconds / 3600, nSeconds / 60 % 60);
  return str;
}
