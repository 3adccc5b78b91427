// The program's dialog driven from outside, for tests and benchmarks: an application object with
// its own settings file, the dialog opened without its modal loop and its controls worked as a
// person would. No test framework here.
#pragma once

#include "dialog/AutoReply.h"
#include "dialog/AutoReplyDlg.h"
#include "dialog/ClientListDlg.h"
#include "dialog/CommandList.h"
#include "dialog/CommandListDlg.h"
#include "dialog/SendFileDlg.h"
#include "dialog/SocketTestDlg.h"
#include "dialog/TimedSendDlg.h"
#include "platform/cwinapp.h"

#include <functional>
#include <string>

class QWidget;

namespace test {

// The one application object of a test or benchmark program.
CWinApp& App();
// Runs a real event loop, as the dialog does, until the predicate holds or the time is up.
bool WaitFor(const std::function<bool()>& predicate, int timeoutMs = 5000);

// The main dialog with its protected state in reach, shown and initialised as DoModal would.
class TestDlg : public CSocketTestDlg {
public:
  using CSocketTestDlg::m_byLastType;
  using CSocketTestDlg::m_clients;
  using CSocketTestDlg::m_display;
  using CSocketTestDlg::m_dwDestIP;
  using CSocketTestDlg::m_log;
  using CSocketTestDlg::m_nRecvLen;
  using CSocketTestDlg::m_pTrafficDlg;
  using CSocketTestDlg::m_record;
  using CSocketTestDlg::m_recvBuf;
  using CSocketTestDlg::m_sendOptions;
  using CSocketTestDlg::m_socket;
  using CSocketTestDlg::m_strTitle;
  bool RedrawPending() const { return m_display.staging.bRedrawPending != FALSE; }
  int ClientCount() const { return m_clients.GetCount(); }
  // Bytes the channel's own socket holds back.
  std::size_t Waiting() const { return m_outbound.GetWaiting(); }
  // The tool windows, once made; the senders behind them, the window made (and shown) if need be.
  CTimedSendDlg* TimedDlg() const;
  CClientListDlg* ClientListDlg() const;
  CAutoReplyDlg* AutoReplyDlg() const;
  CAutoReply& AutoReply() const;
  CCommandListDlg* CommandListDlg() const;
  CCommandList& Commands() const;
  CSendFileDlg* FileDlg() const;
  CTimedSender& TimedSender();
  CFileSender& FileSender();

  // Creates and initialises the dialog as DoModal does, without its modal loop.
  bool Open();
  QWidget* W(int nID) const { return GetDlgItem(nID)->widget(); }
  std::string Text(int nID) const;
  void SetText(int nID, const char* text) { GetDlgItem(nID)->SetWindowText(text); }
  void Click(int nID);
  void SetCheck(int nID, bool on);
  void SelectMode(int nIndex);
  void SetDest(DWORD dwIP, int nPort);
  // Selects the mode, enters the destination and presses the toggle.
  void OpenChannel(int nMode, DWORD dwIP, int nPort);
  // Selects the server mode, enters the listen address and port and presses 监 听.
  void Listen(DWORD dwIP, int nPort);
  std::string Title() const;
  bool Enabled(int nID) const;
  int Mode() { return static_cast<int>(GetDlgItem(IDC_MODE)->SendMessage(CB_GETCURSEL)); }
  bool IsOpen() { return m_socket != ws::INVALID_SOCKET; }
};

constexpr DWORD Ip(unsigned a, unsigned b, unsigned c, unsigned d)
{
  return (a << 24) | (b << 16) | (c << 8) | d;
}

}  // namespace test
