// Version information of files that carry none.
#include "platform/winapi.h"

#include <gtest/gtest.h>

namespace {

TEST(VersionInfo, AFileWithoutItHasNone)
{
  DWORD handle = 1;
  EXPECT_EQ(GetFileVersionInfoSize("/bin/sh", &handle), 0u);
  EXPECT_EQ(handle, 0u);
  EXPECT_EQ(GetFileVersionInfoSize("/nonexistent/file", nullptr), 0u);
  EXPECT_EQ(GetFileVersionInfoSize("/etc/hostname", nullptr), 0u);
}

}  // namespace
