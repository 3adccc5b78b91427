// A transfer's rate and times as the file send shows them.
#pragma once

#include "platform/cstring.h"

// "51.2 KB/s" below 1 MB/s, "12.3 MB/s" from there (1 KB = 1000 bytes, as rates are counted).
CString RateText(double dBytesPerSecond);
// "0.4 秒", "12 秒", "2 分 05 秒", "1 小时 02 分".
CString DurationText(double dSeconds);
