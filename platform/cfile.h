// CFile: a file the program writes (a log, a capture, saved bytes), with the error of the last
// step that failed; what to tell the user of it is left to the caller.
#pragma once

#include "platform/cstring.h"
#include "platform/windef.h"

class CFile {
public:
  enum : UINT { modeWrite = 0x0001, modeCreate = 0x1000, modeNoTruncate = 0x2000 };

  CFile() = default;
  ~CFile();
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;

  // modeCreate alone empties an existing file; with modeNoTruncate every write goes to its end.
  BOOL Open(LPCTSTR lpszFileName, UINT nOpenFlags);
  // All of the bytes, or FALSE with the error kept.
  BOOL Write(const void* lpBuf, UINT nCount);
  BOOL Close();
  BOOL IsOpen() const { return m_fd >= 0; }

  // The system's error number of the step that failed, and its text.
  int GetLastError() const { return m_nError; }
  static CString ErrorText(int nError);

private:
  int m_fd = -1;
  int m_nError = 0;
};
