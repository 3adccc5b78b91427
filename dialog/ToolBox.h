// The tools beyond the channel itself, each over the channel's seam: their windows are made the
// first time they are asked for and shown again as they were.
#pragma once

#include "platform/windef.h"

#include <memory>

class CChannel;
class CClientTable;
class CWnd;
class CTimedSendDlg;
class CSendFileDlg;
class CClientListDlg;
class CAutoReply;
class CAutoReplyDlg;
class CCommandList;
class CCommandListDlg;

class CToolBox {
public:
  CToolBox(CChannel& channel, const CClientTable& clients, CWnd* pParent);
  ~CToolBox();
  CToolBox(const CToolBox&) = delete;
  CToolBox& operator=(const CToolBox&) = delete;

  void ShowTimedSend();
  void ShowSendFile();
  void ShowClientList();
  void ShowAutoReply();
  void ShowCommandList();
  CCommandList& Commands() const { return *m_pCommands; }
  // The automatic replies, heard from the start whether or not their window is shown.
  CAutoReply& AutoReply() const { return *m_pAutoReply; }
  // The windows, once made; nullptr before.
  CTimedSendDlg* TimedSendDlg() const { return m_pTimedDlg.get(); }
  CSendFileDlg* SendFileDlg() const { return m_pFileDlg.get(); }
  CClientListDlg* ClientListDlg() const { return m_pClientsDlg.get(); }
  CAutoReplyDlg* AutoReplyDlg() const { return m_pAutoReplyDlg.get(); }
  CCommandListDlg* CommandListDlg() const { return m_pCommandsDlg.get(); }

private:
  CChannel& m_channel;
  const CClientTable& m_clients;
  CWnd* m_pParent;
  std::unique_ptr<CTimedSendDlg> m_pTimedDlg;
  std::unique_ptr<CSendFileDlg> m_pFileDlg;
  std::unique_ptr<CClientListDlg> m_pClientsDlg;
  std::unique_ptr<CAutoReply> m_pAutoReply;
  std::unique_ptr<CAutoReplyDlg> m_pAutoReplyDlg;
  std::unique_ptr<CCommandList> m_pCommands;
  std::unique_ptr<CCommandListDlg> m_pCommandsDlg;
};
