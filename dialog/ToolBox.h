// The tools beyond the channel itself, each over the channel's seam: their windows are made the
// first time they are asked for and shown again as they were.
#pragma once

#include "platform/windef.h"

#include <memory>

class CChannel;
class CWnd;
class CTimedSendDlg;
class CSendFileDlg;

class CToolBox {
public:
  CToolBox(CChannel& channel, CWnd* pParent);
  ~CToolBox();
  CToolBox(const CToolBox&) = delete;
  CToolBox& operator=(const CToolBox&) = delete;

  void ShowTimedSend();
  void ShowSendFile();
  // The windows, once made; nullptr before.
  CTimedSendDlg* TimedSendDlg() const { return m_pTimedDlg.get(); }
  CSendFileDlg* SendFileDlg() const { return m_pFileDlg.get(); }

private:
  CChannel& m_channel;
  CWnd* m_pParent;
  std::unique_ptr<CTimedSendDlg> m_pTimedDlg;
  std::unique_ptr<CSendFileDlg> m_pFileDlg;
};
