// CString: bytes, trimming and comparison.
#include "platform/cstring.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string_view>

namespace {

TEST(CStringBytes, TrimsAsciiSpaceOnlyAndComparesBytes)
{
  CString s(" \t\r\n 连 接 \n");
  s.TrimLeft();
  s.TrimRight();
  EXPECT_EQ(s.str(), "连 接");
  EXPECT_TRUE(s == "连 接");
  EXPECT_FALSE(s == "连接");
  EXPECT_EQ(s.GetLength(), 7);  // bytes, not characters
  CString f;
  f.Format("[%d]:%s.", 10061, "WSAECONNREFUSED");
  EXPECT_EQ(f.str(), "[10061]:WSAECONNREFUSED.");
}

}  // namespace
