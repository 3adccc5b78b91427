#include "dialog/LineFile.h"

#include "platform/cfile.h"
#include "platform/cwinapp.h"

#include <algorithm>
#include <string>

namespace {
// A line file larger than this is not one.
constexpr std::size_t kReadLimit = 4 * 1024 * 1024;
constexpr const char* kCount = "Count";

std::string KeyOf(const char* pszPrefix, int nIndex)
{
  return pszPrefix + std::to_string(nIndex + 1);
}
}  // namespace

std::vector<CString> ReadProfileLines(const char* pszSection, const char* pszPrefix, int nMax)
{
  CWinApp* pApp = AfxGetApp();
  const int nCount =
      static_cast<int>(std::min<UINT>(pApp->GetProfileInt(pszSection, kCount, 0), static_cast<UINT>(nMax)));
  std::vector<CString> lines;
  for (int i = 0; i < nCount; ++i)
    lines.push_back(pApp->GetProfileString(pszSection, KeyOf(pszPrefix, i).c_str(), ""));
  return lines;
}

void WriteProfileLines(const char* pszSection, const char* pszPrefix, const std::vector<CString>& lines, int nWasCount)
{
  CWinApp* pApp = AfxGetApp();
  const CProfileBatch batch;
  const int nCount = static_cast<int>(lines.size());
  pApp->WriteProfileInt(pszSection, kCount, nCount);
  for (int i = 0; i < nCount; ++i)
    pApp->WriteProfileString(pszSection, KeyOf(pszPrefix, i).c_str(), lines[static_cast<std::size_t>(i)]);
  for (int i = nCount; i < nWasCount; ++i)
    pApp->WriteProfileString(pszSection, KeyOf(pszPrefix, i).c_str(), nullptr);
}

CString ProfileLineProblem(const char* pszPrefix, int nIndex, const CString& strWhy)
{
  CString str;
  str.Format("%s: %s", KeyOf(pszPrefix, nIndex).c_str(), static_cast<LPCTSTR>(strWhy));
  return str;
}

BOOL ReadLineFile(const CString& strPath, std::vector<NUMBERED_LINE>& lines, CString& strMessage)
{
  CFile file;
  std::string text;
  if (file.Open(strPath, CFile::modeRead)) {
    char buffer[65536];
    for (int n; (n = file.Read(buffer, sizeof buffer)) > 0 && text.size() <= kReadLimit;)
      text.append(buffer, static_cast<std::size_t>(n));
  }
  if (!file.IsOpen() || file.GetLastError() != 0 || text.size() > kReadLimit) {
    strMessage.Format(
        "读取 %s 失败%s.", static_cast<LPCTSTR>(strPath),
        text.size() > kReadLimit ? ": 文件太大" : static_cast<LPCTSTR>(CFile::Describe(file.GetLastError())));
    return FALSE;
  }
  int nLine = 0;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t nl = std::min(text.find('\n', at), text.size());
    std::string line = text.substr(at, nl - at);
    at = nl + 1;
    ++nLine;
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    if (!line.empty() && line.front() != '#')
      lines.push_back({nLine, CString(std::move(line))});
  }
  return TRUE;
}

BOOL WriteLineFile(const CString& strPath, const std::vector<CString>& lines, const char* pszWhat, CString& strMessage)
{
  std::string text;
  for (const CString& line : lines)
    text.append(line.str()).append("\n");
  CSaveFile file;
  if (!file.Open(strPath) || !file.Write(text.data(), static_cast<UINT>(text.size())) || !file.Commit()) {
    strMessage.Format("保存 %s 失败%s.", static_cast<LPCTSTR>(strPath),
                      static_cast<LPCTSTR>(CFile::Describe(file.GetLastError())));
    return FALSE;
  }
  strMessage.Format("已导出 %d %s到 %s", static_cast<int>(lines.size()), pszWhat, static_cast<LPCTSTR>(strPath));
  return TRUE;
}

BOOL ImportLines(const CString& strPath, const char* pszWhat,
                 const std::function<BOOL(const CString& strLine, CString& strWhy)>& add, CString& strMessage)
{
  std::vector<NUMBERED_LINE> lines;
  if (!ReadLineFile(strPath, lines, strMessage))
    return FALSE;
  int nUsable = 0;
  CString strProblems;
  int nProblems = 0;
  for (const NUMBERED_LINE& line : lines) {
    CString strWhy;
    if (add(line.strText, strWhy)) {
      ++nUsable;
      continue;
    }
    CString strProblem;
    strProblem.Format("%s第 %d 行: %s", nProblems++ == 0 ? "" : "; ", line.nLine, static_cast<LPCTSTR>(strWhy));
    strProblems += strProblem;
  }
  strMessage.Format("从 %s 导入了 %d %s", static_cast<LPCTSTR>(strPath), nUsable, pszWhat);
  if (nProblems > 0) {
    CString strMore;
    strMore.Format(", %d 行无法使用 (%s)", nProblems, static_cast<LPCTSTR>(strProblems));
    strMessage += strMore;
  }
  return TRUE;
}
