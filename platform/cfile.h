// CFile: a file the program reads or writes (a log, a capture, saved bytes, a file to send), with the
// error of the last step that failed; what to tell the user of it is left to the caller. Only
// regular files are opened: a FIFO, a device, a socket or a directory is refused without waiting.
#pragma once

#include "platform/cstring.h"
#include "platform/windef.h"

#include <cstdint>

class CFile {
public:
  enum : UINT { modeRead = 0x0000, modeWrite = 0x0001, modeCreate = 0x1000, modeNoTruncate = 0x2000 };
  // Why a path was refused, beside the system's error numbers (which are positive).
  enum : int { errFifo = -1, errDevice = -2, errSocket = -3, errDirectory = -4 };

  CFile() = default;
  ~CFile();
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;

  // modeCreate alone empties an existing file; with modeNoTruncate every write goes to its end.
  BOOL Open(LPCTSTR lpszFileName, UINT nOpenFlags);
  // All of the bytes, or FALSE with the error kept; *pnWritten, when given, says how many went.
  BOOL Write(const void* lpBuf, UINT nCount, UINT* pnWritten = nullptr);
  // Up to nCount bytes; 0 at the end, -1 with the error kept.
  int Read(void* lpBuf, UINT nCount);
  // The size in bytes, files past 4 GiB included; 0 with the error kept when it cannot be told.
  std::uint64_t GetLength();
  // Cuts the file to nLength bytes.
  BOOL SetLength(std::uint64_t nLength);
  BOOL Close();
  BOOL IsOpen() const { return m_fd >= 0; }

  // The error of the step that failed: the system's number, or why the path was refused.
  int GetLastError() const { return m_nError; }
  // The error's text: the system's, or what the path named instead of a regular file.
  static CString ErrorText(int nError);
  // How a message names the error: "[2]:No such file or directory", or ":是命名管道 (FIFO), 不是普通文件".
  static CString Describe(int nError);

private:
  friend class CSaveFile;
  int m_fd = -1;
  int m_nError = 0;
};

// A file saved whole or not at all: written beside its target under a temporary name, and put in
// the target's place only when every byte is on the disk. A target that is there but is not a
// regular file is refused.
class CSaveFile {
public:
  CSaveFile() = default;
  ~CSaveFile();
  CSaveFile(const CSaveFile&) = delete;
  CSaveFile& operator=(const CSaveFile&) = delete;

  BOOL Open(LPCTSTR lpszFileName);
  BOOL Write(const void* lpBuf, UINT nCount) { return m_file.Write(lpBuf, nCount); }
  // Puts the file in the target's place; FALSE (the target as it was) when it cannot.
  BOOL Commit();
  // The file being written, for writers that take a CFile.
  CFile& File() { return m_file; }
  int GetLastError() const { return m_nError ? m_nError : m_file.GetLastError(); }

private:
  void Discard();

  CFile m_file;
  CString m_strTarget;
  CString m_strTemp;
  int m_nError = 0;
};
