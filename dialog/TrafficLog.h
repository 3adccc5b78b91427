// The log file: every recorded event appended as a line while logging runs; a failed write ends
// the logging and keeps the error for the owner to tell.
#pragma once

#include "dialog/TrafficRecord.h"
#include "platform/cfile.h"

#include <string>

// Lines wait in memory until this much is due, or the owner's once-a-second flush.
inline constexpr std::size_t TRAFFIC_LOG_CHUNK = 256 * 1024;

class CTrafficLog : public CTrafficSink {
public:
  ~CTrafficLog() override;

  // Appends to the file, creating it if need be; FALSE with GetLastError on failure.
  BOOL Start(LPCTSTR lpszPath);
  // Writes what waits and closes the file; the error, if any, stays readable.
  void Stop();
  BOOL Flush();
  BOOL IsLogging() const { return m_file.IsOpen(); }

  void OnTrafficEvent(const TRAFFIC_EVENT& event, const BYTE* pPayload) override;

  const CString& GetPath() const { return m_strPath; }
  // Lines the file took since Start, and the lines a failed write lost.
  std::uint64_t GetLines() const { return m_nLines; }
  std::uint64_t GetLostLines() const { return m_nLostLines; }
  // A write failed since the last Start: logging stopped with this error.
  BOOL HasFailed() const { return m_nError != 0; }
  int GetLastError() const { return m_nError; }
  // Called once when a write fails, after logging has stopped.
  void SetFailureHandler(void (*pfn)(void* pContext), void* pContext)
  {
    m_pfnFailed = pfn;
    m_pFailedContext = pContext;
  }

private:
  void Fail();
  void KeepWholeLines(UINT nWritten);

  CFile m_file;
  CString m_strPath;
  std::string m_pending;
  std::uint64_t m_nLines = 0;
  std::uint64_t m_nPendingLines = 0;
  std::uint64_t m_nLostLines = 0;
  int m_nError = 0;
  void (*m_pfnFailed)(void*) = nullptr;
  void* m_pFailedContext = nullptr;
};
