#include "dialog/TrafficLog.h"

#include "dialog/TrafficText.h"

CTrafficLog::~CTrafficLog()
{
  Stop();
}

BOOL CTrafficLog::Start(LPCTSTR lpszPath)
{
  Stop();
  m_nError = 0;
  m_nLines = 0;
  m_nPendingLines = 0;
  m_nLostLines = 0;
  m_strPath = lpszPath;
  if (m_file.Open(lpszPath, CFile::modeWrite | CFile::modeCreate | CFile::modeNoTruncate))
    return TRUE;
  m_nError = m_file.GetLastError();
  return FALSE;
}

void CTrafficLog::Stop()
{
  if (!m_file.IsOpen())
    return;
  Flush();
  if (!m_file.Close() && m_nError == 0)
    m_nError = m_file.GetLastError();
  m_pending.clear();
}

BOOL CTrafficLog::Flush()
{
  if (!m_file.IsOpen() || m_pending.empty())
    return TRUE;
  if (m_file.Write(m_pending.data(), static_cast<UINT>(m_pending.size()))) {
    m_pending.clear();
    m_nLines += m_nPendingLines;
    m_nPendingLines = 0;
    return TRUE;
  }
  Fail();
  return FALSE;
}

void CTrafficLog::Fail()
{
  m_nError = m_file.GetLastError();
  m_nLostLines = m_nPendingLines;
  m_nPendingLines = 0;
  m_pending.clear();
  m_file.Close();
  if (m_pfnFailed)
    m_pfnFailed(m_pFailedContext);
}

void CTrafficLog::OnTrafficEvent(const TRAFFIC_EVENT& event, const BYTE* pPayload)
{
  if (!m_file.IsOpen())
    return;
  AppendTrafficLogLine(m_pending, event, pPayload);
  ++m_nPendingLines;
  if (m_pending.size() >= TRAFFIC_LOG_CHUNK)
    Flush();
}
