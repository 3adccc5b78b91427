#include "dialog/ToolBox.h"

#include "dialog/AutoReply.h"
#include "dialog/AutoReplyDlg.h"
#include "dialog/ClientListDlg.h"
#include "dialog/CommandList.h"
#include "dialog/CommandListDlg.h"
#include "dialog/SendFileDlg.h"
#include "dialog/TimedSendDlg.h"

namespace {
// Shows the window, making it first if need be; a window that fails to be made is not kept.
template <typename Dialog, typename Source>
void ShowTool(std::unique_ptr<Dialog>& pDlg, Source& source, CWnd* pParent)
{
  if (pDlg && pDlg->GetSafeHwnd()) {
    pDlg->ShowWindow(SW_SHOW);
    return;
  }
  pDlg = std::make_unique<Dialog>(source, pParent);
  if (!pDlg->Create(Dialog::IDD, pParent))
    pDlg.reset();
}
}  // namespace

CToolBox::CToolBox(CChannel& channel, const CClientTable& clients, CWnd* pParent)
    : m_channel(channel),
      m_clients(clients),
      m_pParent(pParent),
      m_pAutoReply(std::make_unique<CAutoReply>(channel)),
      m_pCommands(std::make_unique<CCommandList>(channel))
{
}

// The windows go before the tool they show.
CToolBox::~CToolBox()
{
  m_pAutoReplyDlg.reset();
  m_pCommandsDlg.reset();
}

void CToolBox::ShowTimedSend()
{
  ShowTool(m_pTimedDlg, m_channel, m_pParent);
}

void CToolBox::ShowSendFile()
{
  ShowTool(m_pFileDlg, m_channel, m_pParent);
}

void CToolBox::ShowClientList()
{
  ShowTool(m_pClientsDlg, m_clients, m_pParent);
}

void CToolBox::ShowAutoReply()
{
  ShowTool(m_pAutoReplyDlg, *m_pAutoReply, m_pParent);
}

void CToolBox::ShowCommandList()
{
  ShowTool(m_pCommandsDlg, *m_pCommands, m_pParent);
}
