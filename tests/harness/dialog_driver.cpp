#include "tests/harness/dialog_driver.h"

#include "dialog/ToolBox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QTimer>

namespace test {

CWinApp& App()
{
  static CWinApp app("Lanspry");
  return app;
}

// A real event loop, as the dialog runs in, checking the predicate every millisecond.
bool WaitFor(const std::function<bool()>& predicate, int timeoutMs)
{
  if (predicate())
    return true;
  QEventLoop loop;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (predicate())
      loop.quit();
  });
  QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
  poll.start(1);
  loop.exec();
  return predicate();
}

bool TestDlg::Open()
{
  if (!createIndirect())
    return false;
  OnInitDialog();
  widget()->show();
  QApplication::setActiveWindow(widget());
  return true;
}

CTimedSendDlg* TestDlg::TimedDlg() const
{
  return m_pTools->TimedSendDlg();
}

CClientListDlg* TestDlg::ClientListDlg() const
{
  return m_pTools->ClientListDlg();
}

CAutoReplyDlg* TestDlg::AutoReplyDlg() const
{
  return m_pTools->AutoReplyDlg();
}

CAutoReply& TestDlg::AutoReply() const
{
  return m_pTools->AutoReply();
}

CCommandListDlg* TestDlg::CommandListDlg() const
{
  return m_pTools->CommandListDlg();
}

CCommandList& TestDlg::Commands() const
{
  return m_pTools->Commands();
}

CSendFileDlg* TestDlg::FileDlg() const
{
  return m_pTools->SendFileDlg();
}

CTimedSender& TestDlg::TimedSender()
{
  if (!TimedDlg())
    m_pTools->ShowTimedSend();
  return TimedDlg()->Sender();
}

CFileSender& TestDlg::FileSender()
{
  if (!FileDlg())
    m_pTools->ShowSendFile();
  return FileDlg()->Sender();
}

std::string TestDlg::Text(int nID) const
{
  CString s;
  GetDlgItem(nID)->GetWindowText(s);
  return s.str();
}

bool TestDlg::Enabled(int nID) const
{
  return W(nID)->isEnabled();
}

void TestDlg::Click(int nID)
{
  qobject_cast<QAbstractButton*>(W(nID))->click();
}

void TestDlg::SetCheck(int nID, bool on)
{
  if (qobject_cast<QAbstractButton*>(W(nID))->isChecked() != on)
    Click(nID);
}

void TestDlg::SelectMode(int nIndex)
{
  auto* combo = qobject_cast<QComboBox*>(W(IDC_MODE));
  combo->setCurrentIndex(nIndex);
  Q_EMIT combo->activated(nIndex);
}

void TestDlg::SetDest(DWORD dwIP, int nPort)
{
  GetDlgItem(IDC_DEST_IP)->SendMessage(IPM_SETADDRESS, 0, static_cast<LPARAM>(dwIP));
  CString port;
  port.Format("%d", nPort);
  SetText(IDC_DEST_PORT, port);
}

void TestDlg::Listen(DWORD dwIP, int nPort)
{
  SelectMode(MODE_TCP_SERVER);
  GetDlgItem(IDC_DEST_IP)->SendMessage(IPM_SETADDRESS, 0, static_cast<LPARAM>(dwIP));
  CString port;
  port.Format("%d", nPort);
  SetText(IDC_LOCAL_PORT, port);
  Click(IDC_CONNECT);
}

std::string TestDlg::Title() const
{
  CString s;
  GetWindowText(s);
  return s.str();
}

void TestDlg::OpenChannel(int nMode, DWORD dwIP, int nPort)
{
  SelectMode(nMode);
  SetDest(dwIP, nPort);
  Click(IDC_CONNECT);
}

}  // namespace test
