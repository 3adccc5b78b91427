#include "platform/cwnd.h"

#include "platform/cmenu.h"
#include "platform/commctrl.h"
#include "platform/qt/code_page.h"
#include "platform/qt/controls.h"
#include "platform/qt/window_glue.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QVariant>

namespace {
constexpr const char* kCWndProperty = "lanspry_cwnd";
constexpr const char* kIdProperty = "lanspry_id";

Qt::KeyboardModifiers g_keyModifiers;
bool g_keyModifiersActive = false;

struct SystemMenuItem {
  UINT id;
  const char* text;
};
// A dialog's system menu as Windows gives it, with what this platform can do.
constexpr SystemMenuItem kDefaultSystemMenu[] = {
    {SC_MINIMIZE, "最小化(&N)"},
    {SC_CLOSE, "关闭(&C)\tAlt+F4"},
};
}  // namespace

QEvent::Type platform::PostedMessageEvent::type()
{
  static const auto t = static_cast<QEvent::Type>(QEvent::registerEventType());
  return t;
}

void platform::SetKeyStateModifiers(Qt::KeyboardModifiers modifiers, bool active)
{
  g_keyModifiers = modifiers;
  g_keyModifiersActive = active;
}

SHORT GetKeyState(int nVirtKey)
{
  const Qt::KeyboardModifiers mods = g_keyModifiersActive ? g_keyModifiers : QGuiApplication::queryKeyboardModifiers();
  Qt::KeyboardModifier which = Qt::NoModifier;
  if (nVirtKey == VK_CONTROL)
    which = Qt::ControlModifier;
  else if (nVirtKey == VK_SHIFT)
    which = Qt::ShiftModifier;
  else if (nVirtKey == VK_MENU)
    which = Qt::AltModifier;
  const bool down = which != Qt::NoModifier && mods.testFlag(which);
  return down ? static_cast<SHORT>(-128) : SHORT{0};  // 0xFF80 when down
}

// Drops the window's hold on its widget when the widget goes, so that no member control, temporary
// wrapper or dialog outliving its widgets ever reaches freed memory.
struct CWnd::WidgetLink {
  QMetaObject::Connection destroyed;
  ~WidgetLink() { QObject::disconnect(destroyed); }
};

namespace {
// What stands behind a message-only window: a widget that is never shown and hands the messages
// posted to it to its window.
class MessageWidget : public QWidget {
public:
  explicit MessageWidget(CWnd* pOwner) : m_pOwner(pOwner) { setAttribute(Qt::WA_DontShowOnScreen); }

protected:
  bool event(QEvent* e) override
  {
    if (e->type() != platform::PostedMessageEvent::type())
      return QWidget::event(e);
    auto* pm = static_cast<platform::PostedMessageEvent*>(e);
    m_pOwner->WindowProc(pm->m_message, pm->m_wParam, pm->m_lParam);
    return true;
  }

private:
  CWnd* m_pOwner;
};
}  // namespace

CWnd::CWnd() = default;

CWnd::~CWnd()
{
  DestroyWindow();
  detach();
}

BOOL CWnd::CreateEx(DWORD, LPCTSTR, LPCTSTR, DWORD, int, int, int, int, HWND hWndParent, HMENU, LPVOID)
{
  if (hWndParent != HWND_MESSAGE || m_pWidget)
    return FALSE;
  attach(new MessageWidget(this), 0);
  m_bOwnsWidget = true;
  return TRUE;
}

BOOL CWnd::DestroyWindow()
{
  if (!m_bOwnsWidget)
    return FALSE;
  m_bOwnsWidget = false;
  DestroyTimers();
  QWidget* pWidget = m_pWidget;
  detach();
  delete pWidget;
  return TRUE;
}

void CWnd::attach(QWidget* pWidget, int nID)
{
  detach();
  m_pWidget = pWidget;
  m_nID = nID;
  if (!pWidget)
    return;
  pWidget->setProperty(kCWndProperty, QVariant::fromValue(reinterpret_cast<quintptr>(this)));
  pWidget->setProperty(kIdProperty, nID);
  m_pLink = std::make_unique<WidgetLink>();
  m_pLink->destroyed = QObject::connect(pWidget, &QObject::destroyed, [this] {
    m_pWidget = nullptr;
    m_timers.clear();  // they were the widget's children and went with it
  });
}

void CWnd::detach()
{
  m_pLink.reset();
  if (m_pWidget && CWnd::fromWidget(m_pWidget) == this)
    m_pWidget->setProperty(kCWndProperty, QVariant());
  m_pWidget = nullptr;
}

CWnd* CWnd::fromWidget(const QWidget* pWidget)
{
  if (!pWidget)
    return nullptr;
  return reinterpret_cast<CWnd*>(pWidget->property(kCWndProperty).value<quintptr>());
}

CWnd* CWnd::GetDlgItem(int) const
{
  return nullptr;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
  return WindowProc(message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
  if (!m_pWidget)
    return FALSE;
  QCoreApplication::postEvent(m_pWidget, new platform::PostedMessageEvent(message, wParam, lParam));
  return TRUE;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
  const MSG previous = m_currentMsg;
  m_currentMsg = {this, message, wParam, lParam};
  UINT nCode = HIWORD(wParam);
  UINT nID = LOWORD(wParam);
  if (message == WM_NOTIFY && lParam) {
    const auto* pHeader = reinterpret_cast<const NMHDR*>(lParam);
    nCode = pHeader->code;
    nID = static_cast<UINT>(pHeader->idFrom);
  }
  const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(message, nCode, nID);
  const LRESULT result = entry ? entry->pfn(this, wParam, lParam) : DefWindowProc(message, wParam, lParam);
  m_currentMsg = previous;
  return result;
}

LRESULT CWnd::Default()
{
  return DefWindowProc(m_currentMsg.message, m_currentMsg.wParam, m_currentMsg.lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
  if (!m_pWidget)
    return 0;
  if (!m_pWidget->isWindow())
    return platform::ControlWindowProc(m_pWidget, message, wParam, lParam);
  switch (message) {
  case WM_SETICON: {
    HICON& slot = wParam == ICON_BIG ? m_hIconBig : m_hIconSmall;
    HICON old = slot;
    slot = reinterpret_cast<HICON>(lParam);
    HICON shown = m_hIconBig ? m_hIconBig : m_hIconSmall;
    m_pWidget->setWindowIcon(shown ? shown->icon : QIcon());
    return reinterpret_cast<LRESULT>(old);
  }
  case WM_GETICON:
    return reinterpret_cast<LRESULT>(wParam == ICON_BIG ? m_hIconBig : m_hIconSmall);
  case WM_SYSCOMMAND:
    if ((wParam & 0xFFF0) == SC_MINIMIZE)
      m_pWidget->showMinimized();
    else if ((wParam & 0xFFF0) == SC_CLOSE)
      SendMessage(WM_CLOSE);
    return 0;
  default:
    return 0;
  }
}

BOOL CWnd::PreTranslateMessage(MSG*)
{
  return FALSE;
}

void CWnd::OnSysCommand(UINT, LPARAM)
{
  Default();
}

void CWnd::OnPaint()
{
  Default();
}

void CWnd::SetWindowText(LPCTSTR lpszString)
{
  if (m_pWidget)
    platform::SetControlText(m_pWidget, platform::fromCodePage(lpszString));
}

void CWnd::SetWindowText(const CString& rString)
{
  if (m_pWidget)
    platform::SetControlText(m_pWidget, platform::fromCodePage(rString.str()));
}

void CWnd::GetWindowText(CString& rString) const
{
  rString = m_pWidget ? CString(platform::toCodePage(platform::ControlText(m_pWidget)).toStdString()) : CString();
}

BOOL CWnd::EnableWindow(BOOL bEnable)
{
  if (!m_pWidget)
    return FALSE;
  const BOOL wasDisabled = !m_pWidget->isEnabled();
  m_pWidget->setEnabled(bEnable != FALSE);
  return wasDisabled;
}

BOOL CWnd::ShowWindow(int nCmdShow)
{
  if (!m_pWidget)
    return FALSE;
  const BOOL wasVisible = m_pWidget->isVisible();
  if (nCmdShow == SW_HIDE) {
    m_pWidget->hide();
    return wasVisible;
  }
  m_pWidget->show();
  if (m_pWidget->isWindow()) {
    m_pWidget->raise();
    m_pWidget->activateWindow();
  }
  return wasVisible;
}

BOOL CWnd::IsWindowVisible() const
{
  return m_pWidget && m_pWidget->isVisible();
}

void CWnd::SetContextMenuItems(const CMenu& items)
{
  m_pContextItems = std::make_unique<CMenu>(items);
}

void CWnd::SetToolTipText(LPCTSTR lpszText)
{
  if (m_pWidget)
    m_pWidget->setToolTip(platform::fromCodePage(lpszText));
}

BOOL CWnd::IsWindowEnabled() const
{
  return m_pWidget && m_pWidget->isEnabled();
}

CWnd* CWnd::SetFocus()
{
  CWnd* previous = GetFocus();
  if (m_pWidget)
    m_pWidget->setFocus(Qt::OtherFocusReason);
  return previous;
}

CWnd* CWnd::GetFocus()
{
  // The focus may sit in a part of a control (a field of the address control): the control counts.
  for (QWidget* w = QApplication::focusWidget(); w && !w->isWindow(); w = w->parentWidget()) {
    const QVariant id = w->property(kIdProperty);
    CWnd* dlg = id.isValid() ? platform::WindowOf(w) : nullptr;
    if (dlg)
      return dlg->GetDlgItem(id.toInt());
  }
  QWidget* window = QApplication::activeWindow();
  return window ? CWnd::fromWidget(window) : nullptr;
}

namespace {
// The first window among the widgets of the list from `from` on.
CWnd* firstWindowOf(const QObjectList& list, qsizetype from)
{
  for (qsizetype i = from; i < list.size(); ++i) {
    auto* widget = qobject_cast<QWidget*>(list.at(i));
    if (CWnd* pWnd = widget ? CWnd::fromWidget(widget) : nullptr)
      return pWnd;
  }
  return nullptr;
}
}  // namespace

CWnd* CWnd::GetWindow(UINT nCmd) const
{
  if (!m_pWidget)
    return nullptr;
  if (nCmd == GW_CHILD)
    return firstWindowOf(m_pWidget->children(), 0);
  QWidget* parent = nCmd == GW_HWNDNEXT ? m_pWidget->parentWidget() : nullptr;
  if (!parent)
    return nullptr;
  const QObjectList& siblings = parent->children();
  return firstWindowOf(siblings, siblings.indexOf(m_pWidget) + 1);
}

CMenu* CWnd::GetSystemMenu(BOOL bRevert)
{
  if (bRevert) {
    m_pSysMenu.reset();
    return nullptr;
  }
  if (!m_pSysMenu) {
    m_pSysMenu = std::make_unique<CMenu>();
    for (const SystemMenuItem& item : kDefaultSystemMenu)
      m_pSysMenu->AppendMenu(MF_STRING, item.id, item.text);
  }
  return m_pSysMenu.get();
}

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon)
{
  return reinterpret_cast<HICON>(
      SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(hIcon)));
}

HICON CWnd::GetIcon(BOOL bBigIcon) const
{
  return bBigIcon ? m_hIconBig : m_hIconSmall;
}

BOOL CWnd::IsIconic() const
{
  return m_pWidget && m_pWidget->isMinimized();
}

void CWnd::GetClientRect(LPRECT lpRect) const
{
  if (!lpRect)
    return;
  *lpRect = {};
  if (!m_pWidget)
    return;
  lpRect->right = m_pWidget->width();
  lpRect->bottom = m_pWidget->height();
}

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL)
{
  if (!m_pWidget)
    return;
  if (m_pWidget->isWindow()) {
    m_pWidget->move(x, y);
    m_pWidget->resize(nWidth, nHeight);
    return;
  }
  m_pWidget->setGeometry(x, y, nWidth, nHeight);
}

void CWnd::GetWindowRect(LPRECT lpRect) const
{
  if (!lpRect)
    return;
  *lpRect = {};
  if (!m_pWidget)
    return;
  const QRect frame = m_pWidget->isWindow() ? m_pWidget->frameGeometry() : m_pWidget->geometry();
  const QPoint topLeft = m_pWidget->isWindow() ? frame.topLeft() : m_pWidget->mapToGlobal(QPoint(0, 0));
  *lpRect = {topLeft.x(), topLeft.y(), topLeft.x() + frame.width(), topLeft.y() + frame.height()};
}

BOOL CWnd::GetWindowPlacement(WINDOWPLACEMENT* lpwndpl) const
{
  if (!lpwndpl || !m_pWidget || !m_pWidget->isWindow())
    return FALSE;
  const QRect normal = m_pWidget->isMaximized() ? m_pWidget->normalGeometry() : m_pWidget->geometry();
  lpwndpl->showCmd = m_pWidget->isMaximized() ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
  lpwndpl->rcNormalPosition = {normal.left(), normal.top(), normal.right() + 1, normal.bottom() + 1};
  return TRUE;
}

BOOL CWnd::SetWindowPlacement(const WINDOWPLACEMENT* lpwndpl)
{
  if (!lpwndpl || !m_pWidget || !m_pWidget->isWindow())
    return FALSE;
  const RECT& rc = lpwndpl->rcNormalPosition;
  QRect wanted(QPoint(rc.left, rc.top), QSize(rc.right - rc.left, rc.bottom - rc.top));
  const QScreen* screen = QGuiApplication::screenAt(wanted.center());
  if (!screen)
    screen = QGuiApplication::primaryScreen();
  if (screen) {
    const QRect room = screen->availableGeometry();
    wanted.setSize(wanted.size().boundedTo(room.size()).expandedTo(m_pWidget->minimumSize()));
    if (!room.contains(wanted.center()))
      wanted.moveCenter(room.center());
  }
  m_pWidget->setGeometry(wanted);
  if (lpwndpl->showCmd == SW_SHOWMAXIMIZED)
    m_pWidget->setWindowState(m_pWidget->windowState() | Qt::WindowMaximized);
  else
    m_pWidget->setWindowState(m_pWidget->windowState() & ~Qt::WindowMaximized);
  return TRUE;
}

void CWnd::ScreenToClient(LPRECT lpRect) const
{
  if (!lpRect || !m_pWidget)
    return;
  const QPoint origin = m_pWidget->mapToGlobal(QPoint(0, 0));
  lpRect->left -= origin.x();
  lpRect->right -= origin.x();
  lpRect->top -= origin.y();
  lpRect->bottom -= origin.y();
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent)
{
  CWnd* item = pParent ? pParent->GetDlgItem(static_cast<int>(nID)) : nullptr;
  if (!item)
    return FALSE;
  attach(item->widget(), static_cast<int>(nID));
  return TRUE;
}

UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse, void*)
{
  if (!m_pWidget)
    return 0;
  QTimer*& timer = m_timers[nIDEvent];
  if (!timer) {
    timer = new QTimer(m_pWidget);
    // Paced sends ask for a millisecond and mean it; Qt's coarse default may be 5 % late.
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer, &QTimer::timeout, m_pWidget, [this, nIDEvent] { SendMessage(WM_TIMER, nIDEvent, 0); });
  }
  timer->start(static_cast<int>(nElapse));
  return nIDEvent;
}

BOOL CWnd::KillTimer(UINT_PTR nIDEvent)
{
  auto it = m_timers.find(nIDEvent);
  if (it == m_timers.end())
    return FALSE;
  it->second->stop();
  return TRUE;
}

void CWnd::DestroyTimers()
{
  for (auto& [id, timer] : m_timers)
    delete timer;
  m_timers.clear();
}
