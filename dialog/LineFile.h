// The files the tools import and export (reply rules, commands): one entry a line, UTF-8; blank
// lines and lines starting with # are skipped when reading. Messages name the path and why.
#pragma once

#include "platform/cstring.h"

#include <functional>
#include <vector>

struct NUMBERED_LINE {
  int nLine;  // from 1
  CString strText;
};

// FALSE, with the message, when the file cannot be read (a FIFO or device is refused at once).
BOOL ReadLineFile(const CString& strPath, std::vector<NUMBERED_LINE>& lines, CString& strMessage);
// pszWhat names an entry for the message ("条规则"); the file is replaced only when written whole.
BOOL WriteLineFile(const CString& strPath, const std::vector<CString>& lines, const char* pszWhat, CString& strMessage);
// The same lines kept in a section of the settings file: Count=N, then PrefixK=line for K from 1.
// Reading takes at most nMax; writing removes the lines past the new count up to nWasCount.
std::vector<CString> ReadProfileLines(const char* pszSection, const char* pszPrefix, int nMax);
void WriteProfileLines(const char* pszSection, const char* pszPrefix, const std::vector<CString>& lines, int nWasCount);
// "PrefixK: why", naming a line of the settings file that is no usable entry.
CString ProfileLineProblem(const char* pszPrefix, int nIndex, const CString& strWhy);

// Reads the file and hands each line to add, which keeps it and says whether it is usable (else
// why not); strMessage then reads "从 PATH 导入了 N 条规则, M 行无法使用 (第 3 行: why; ...)".
BOOL ImportLines(const CString& strPath, const char* pszWhat,
                 const std::function<BOOL(const CString& strLine, CString& strWhy)>& add, CString& strMessage);
