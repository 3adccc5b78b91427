// The command list's window: the commands with their last results, the commands that edit them,
// 运行/停止 with a number of passes, sending one with a double click or Enter, the run's totals,
// and its results saved as CSV. Each change to the list is written to the settings file at once.
#pragma once

#include "dialog/Anchors.h"
#include "platform/cdialog.h"
#include "res/resource.h"

#include <cstdint>
#include <vector>

class CCommandList;
struct NMHDR;

class CCommandListDlg : public CDialog {
public:
  CCommandListDlg(CCommandList& commands, CWnd* pOwner);
  enum { IDD = IDD_COMMAND_LIST };

  void Refresh();
  std::vector<int> GetSelectedRows();
  void Select(int nIndex);
  BOOL ImportFile(const CString& strPath, CString& strMessage);
  BOOL ExportFile(const CString& strPath, CString& strMessage);
  BOOL SaveResults(const CString& strPath, CString& strMessage);

protected:
  BOOL OnInitDialog() override;
  // Enter: with the focus in the list, sends the selected command.
  void OnOK() override;
  void OnCancel() override;
  void OnTimer(UINT_PTR nIDEvent);
  void OnSize(UINT nType, int cx, int cy);
  void OnGetDispInfo(NMHDR* pNMHDR, LRESULT* pResult);
  void OnItemChanged(NMHDR* pNMHDR, LRESULT* pResult);
  void OnActivate(NMHDR* pNMHDR, LRESULT* pResult);
  void OnAdd();
  void OnEdit();
  void OnDelete();
  void OnUp();
  void OnDown();
  void OnSendOne();
  void OnRun();
  void OnSave();
  void OnImport();
  void OnExport();
  DECLARE_MESSAGE_MAP()

private:
  int GetSelected();
  void Changed(int nSelect);
  void EnableButtons();
  void Move(int nBy);

  CCommandList& m_commands;
  std::uint64_t m_nShownSerial = ~std::uint64_t{0};
  CString m_strNote;
  CAnchors m_anchors;
};
