// The names of socket errors, as the messages that report a failed step show them.
#pragma once

struct SocketErrorName {
  int nCode;
  char szName[32];
};
extern const SocketErrorName g_socketErrorNames[48];
// The name of the first row with this code, or nullptr.
const char* GetSocketErrorName(int nCode);
// Shown in place of a name for a code the table does not list.
inline constexpr const char* UNKNOWN_ERROR_NAME = "未知错误";
