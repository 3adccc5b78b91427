// The files the tools import and export (reply rules, commands): one entry a line, UTF-8; blank
// lines and lines starting with # are skipped when reading. Messages name the path and why.
#pragma once

#include "platform/cstring.h"

#include <vector>

struct NUMBERED_LINE {
  int nLine;  // from 1
  CString strText;
};

// FALSE, with the message, when the file cannot be read (a FIFO or device is refused at once).
BOOL ReadLineFile(const CString& strPath, std::vector<NUMBERED_LINE>& lines, CString& strMessage);
// pszWhat names an entry for the message ("条规则"); the file is replaced only when written whole.
BOOL WriteLineFile(const CString& strPath, const std::vector<CString>& lines, const char* pszWhat, CString& strMessage);
// "从 PATH 导入了 N 条规则, M 行无法使用 (第 3 行: why; ...)".
CString ImportMessage(const CString& strPath, const char* pszWhat, int nUsable, const std::vector<CString>& problems);
