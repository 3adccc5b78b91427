// The client list window of the server mode: one row per connected client (its address, since
// when, bytes each way), where sends go (every client, or the one selected), and 断开 for one.
// It follows the server's table and asks the main dialog for the changes it makes.
#pragma once

#include "dialog/Anchors.h"
#include "dialog/ClientTable.h"
#include "platform/cdialog.h"
#include "res/resource.h"

struct NMHDR;

// To the owner: wParam the client that sends now go to (INVALID_SOCKET: every client).
#define WM_CLIENT_TARGET (WM_USER + 110)
// To the owner: wParam the client whose connection the user closes.
#define WM_CLIENT_DROP (WM_USER + 111)

class CClientListDlg : public CDialog {
public:
  CClientListDlg(const CClientTable& clients, CWnd* pOwner);
  enum { IDD = IDD_CLIENT_LIST };

  // Shows the table as it is now.
  void Refresh();

protected:
  BOOL OnInitDialog() override;
  void OnOK() override {}
  void OnCancel() override;
  void OnTimer(UINT_PTR nIDEvent);
  void OnSize(UINT nType, int cx, int cy);
  void OnGetDispInfo(NMHDR* pNMHDR, LRESULT* pResult);
  void OnItemChanged(NMHDR* pNMHDR, LRESULT* pResult);
  void OnTarget();
  void OnDrop();
  DECLARE_MESSAGE_MAP()

private:
  // The client of the selected row, or INVALID_SOCKET.
  ws::SOCKET SelectedClient();
  void SelectClient(ws::SOCKET hSocket);
  void AskForTarget();

  const CClientTable& m_clients;
  CWnd* m_pOwner;
  std::uint64_t m_nShownSerial = ~std::uint64_t{0};
  // The rows' clients as last shown, so that a row stays on its client while others leave.
  std::vector<ws::SOCKET> m_rows;
  CAnchors m_anchors;
};
