// CFile: a file the program writes (a log, a capture, saved bytes), with the error of the last
// step that failed; what to tell the user of it is left to the caller.
#pragma once

#include "platform/cstring.h"
#include "platform/windef.h"

#include <cstdint>

class CFile {
public:
  enum : UINT { modeRead = 0x0000, modeWrite = 0x0001, modeCreate = 0x1000, modeNoTruncate = 0x2000 };

  CFile() = default;
  ~CFile();
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;

  // modeCreate alone empties an existing file; with modeNoTruncate every write goes to its end.
  BOOL Open(LPCTSTR lpszFileName, UINT nOpenFlags);
  // All of the bytes, or FALSE with the error kept.
  BOOL Write(const void* lpBuf, UINT nCount);
  // Up to nCount bytes; 0 at the end, -1 with the error kept.
  int Read(void* lpBuf, UINT nCount);
  // The size in bytes, files past 4 GiB included; 0 with the error kept when it cannot be told.
  std::uint64_t GetLength();
  BOOL Close();
  BOOL IsOpen() const { return m_fd >= 0; }

  // The system's error number of the step that failed, and its text.
  int GetLastError() const { return m_nError; }
  static CString ErrorText(int nError);

private:
  int m_fd = -1;
  int m_nError = 0;
};
