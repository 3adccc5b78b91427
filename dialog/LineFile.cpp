#include "dialog/LineFile.h"

#include "platform/cfile.h"

#include <algorithm>
#include <string>

namespace {
// A line file larger than this is not one.
constexpr std::size_t kReadLimit = 4 * 1024 * 1024;
}  // namespace

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

CString ImportMessage(const CString& strPath, const char* pszWhat, int nUsable, const std::vector<CString>& problems)
{
  CString strMessage;
  strMessage.Format("从 %s 导入了 %d %s", static_cast<LPCTSTR>(strPath), nUsable, pszWhat);
  if (problems.empty())
    return strMessage;
  CString strMore;
  strMore.Format(", %d 行无法使用 (", static_cast<int>(problems.size()));
  strMessage += strMore;
  for (std::size_t i = 0; i < problems.size(); ++i)
    strMessage += (i == 0 ? "" : "; ") + problems[i];
  strMessage += ")";
  return strMessage;
}
