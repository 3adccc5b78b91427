// The automatic replies' window: the rules in order with their hit counts, the switch for the
// whole, and the commands that add, change, delete, move, import and export rules. Each change is
// written to the settings file at once.
#pragma once

#include "dialog/Anchors.h"
#include "platform/cdialog.h"
#include "res/resource.h"

#include <cstdint>

class CAutoReply;
struct NMHDR;

class CAutoReplyDlg : public CDialog {
public:
  CAutoReplyDlg(CAutoReply& autoReply, CWnd* pOwner);
  enum { IDD = IDD_AUTO_REPLY };

  // Shows the rules, their hits and the counts as they are now.
  void Refresh();
  int GetSelected();
  void Select(int nIndex);
  // Imports the lines of a file after the rules; FALSE with the message when it cannot be read.
  BOOL ImportFile(const CString& strPath, CString& strMessage);
  BOOL ExportFile(const CString& strPath, CString& strMessage);

protected:
  BOOL OnInitDialog() override;
  void OnOK() override {}
  void OnCancel() override;
  void OnTimer(UINT_PTR nIDEvent);
  void OnSize(UINT nType, int cx, int cy);
  void OnGetDispInfo(NMHDR* pNMHDR, LRESULT* pResult);
  void OnItemChanged(NMHDR* pNMHDR, LRESULT* pResult);
  void OnDblClk(NMHDR* pNMHDR, LRESULT* pResult);
  void OnAdd();
  void OnEdit();
  void OnDelete();
  void OnUp();
  void OnDown();
  void OnEnable();
  void OnClearHits();
  void OnImport();
  void OnExport();
  DECLARE_MESSAGE_MAP()

private:
  // Saves the rules and shows them again, the row at nSelect chosen.
  void Changed(int nSelect);
  void EnableButtons();
  void Move(int nBy);

  CAutoReply& m_autoReply;
  std::uint64_t m_nShownSerial = ~std::uint64_t{0};
  CString m_strNote;  // what the last import or the settings file said of lines it could not use
  CAnchors m_anchors;
};
