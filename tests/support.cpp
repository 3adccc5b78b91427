#include "tests/support.h"

#include "platform/cfiledialog.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTimer>

namespace test {

QStringList PopupEntries(const std::function<void()>& open, int nTrigger, bool bMarkDisabled)
{
  QStringList entries;
  QTimer::singleShot(50, [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu)
      return;
    for (QAction* a : menu->actions()) {
      const QString mark = bMarkDisabled && !a->isEnabled() ? QStringLiteral("!") : QString();
      entries << (a->isSeparator() ? QStringLiteral("-") : mark + a->text());
    }
    if (nTrigger >= 0 && nTrigger < menu->actions().size())
      menu->actions().at(nTrigger)->trigger();
    menu->close();
  });
  open();
  return entries;
}

void ContextClick(QWidget* w, bool bKeyboard)
{
  if (auto* area = qobject_cast<QAbstractScrollArea*>(w); area && w->contextMenuPolicy() == Qt::DefaultContextMenu)
    w = area->viewport();
  QContextMenuEvent e(bKeyboard ? QContextMenuEvent::Keyboard : QContextMenuEvent::Mouse, QPoint(5, 5),
                      w->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(w, &e);
}

bool ClosedByPeer(const Fd& s, int timeoutMs)
{
  return WaitFor([&] { return PeerClosed(s); }, timeoutMs);
}

void DialogTest::SetUp()
{
  ASSERT_TRUE(m_dir.isValid());
  App().m_strProfileName = ProfilePath();
  m_boxes.clear();
  platform::SetMessageBoxHook([this](const CString& text) { m_boxes.push_back(text.str()); });
}

void DialogTest::TearDown()
{
  platform::SetMessageBoxHook({});
  platform::SetFileDialogHook({});
  App().m_pMainWnd = nullptr;
}

std::string DialogTest::ProfilePath() const
{
  return m_dir.filePath(QStringLiteral("lanspry.ini")).toStdString();
}

std::string DialogTest::Path(const char* name) const
{
  return m_dir.filePath(QString::fromUtf8(name)).toStdString();
}

Fd DialogTest::OpenUdp(TestDlg& dlg, int* pDialogPort, DWORD dwDest, int nDestPort)
{
  int port = nDestPort;
  Fd peer;
  if (nDestPort == 0)
    peer = UdpSocket(&port);
  dlg.SelectMode(MODE_UDP);
  dlg.SetDest(dwDest, port);
  dlg.Click(IDC_CONNECT);
  EXPECT_TRUE(dlg.IsOpen());
  *pDialogPort = dlg.IsOpen() ? LocalPort(dlg.m_socket) : 0;
  return peer;
}

void DialogTest::AnswerFileDialogs(const std::string& path, DWORD nFilterIndex)
{
  platform::SetFileDialogHook([path, nFilterIndex](const CString&, CString* pPath, DWORD* pIndex) -> INT_PTR {
    *pPath = path.c_str();
    *pIndex = nFilterIndex;
    return IDOK;
  });
}

std::unique_ptr<TestDlg> DialogTest::NewDialog()
{
  auto dlg = std::make_unique<TestDlg>();
  App().m_pMainWnd = dlg.get();
  EXPECT_TRUE(dlg->Open());
  return dlg;
}

}  // namespace test
