#include "dialog/TrafficLog.h"

#include "dialog/TrafficText.h"

#include <algorithm>
#include <string_view>

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
  UINT nWritten = 0;
  if (m_file.Write(m_pending.data(), static_cast<UINT>(m_pending.size()), &nWritten)) {
    m_pending.clear();
    m_nLines += m_nPendingLines;
    m_nPendingLines = 0;
    return TRUE;
  }
  KeepWholeLines(nWritten);
  Fail();
  return FALSE;
}

// A write that failed part-way: the lines it wrote whole count, and the piece of a line after
// them is cut off again, so the file ends with a whole line and says as many as the status.
void CTrafficLog::KeepWholeLines(UINT nWritten)
{
  const std::string_view written(m_pending.data(), nWritten);
  const std::size_t nLast = written.rfind('\n');
  const std::size_t nWhole = nLast == std::string_view::npos ? 0 : nLast + 1;
  const auto nLines = static_cast<std::uint64_t>(std::count(written.begin(), written.begin() + nWhole, '\n'));
  m_nLines += nLines;
  m_nPendingLines -= nLines;
  const std::uint64_t nTorn = nWritten - nWhole;
  if (nTorn > 0)
    m_file.SetLength(m_file.GetLength() - nTorn);
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
