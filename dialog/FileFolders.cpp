#include "dialog/FileFolders.h"

#include "platform/cwinapp.h"

#include <string>

INT_PTR ChooseFile(CFileDialog& dlg, const char* pszKind)
{
  CWinApp* pApp = AfxGetApp();
  const CString strFolder = pApp->GetProfileString(FILE_FOLDERS_SECTION, pszKind, "");
  if (!strFolder.IsEmpty())
    dlg.m_ofn.lpstrInitialDir = strFolder;
  const INT_PTR nResult = dlg.DoModal();
  dlg.m_ofn.lpstrInitialDir = nullptr;
  if (nResult != IDOK)
    return nResult;
  const CString strPathName = dlg.GetPathName();
  const std::string& strPath = strPathName.str();
  const std::size_t nSlash = strPath.find_last_of("/\\");
  if (nSlash != std::string::npos) {
    const std::string strChosen = nSlash == 0 ? strPath.substr(0, 1) : strPath.substr(0, nSlash);
    if (!(strChosen == strFolder.str()))
      pApp->WriteProfileString(FILE_FOLDERS_SECTION, pszKind, strChosen.c_str());
  }
  return nResult;
}
