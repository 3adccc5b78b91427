#include "platform/cdialog.h"

#include "platform/cmenu.h"
#include "platform/cwinapp.h"
#include "platform/ddx.h"
#include "platform/internal/dialog_labels.h"
#include "platform/internal/dialog_units.h"
#include "platform/qt/code_page.h"
#include "platform/qt/controls.h"
#include "platform/qt/dialog_widget.h"
#include "platform/qt/edit_menu.h"
#include "platform/qt/end_session.h"
#include "platform/qt/palette.h"
#include "platform/qt/startup_qt.h"
#include "platform/qt/window_glue.h"
#include "platform/resources.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCursor>
#include <QEventLoop>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>

#include <map>
#include <vector>

namespace {
constexpr const char* kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

QFont dialogFont(const DialogTemplate& t)
{
  return platform::DialogFont(platform::fromCodePage(t.typeface), t.pointSize);
}

bool isDefaultButton(const DialogItemTemplate& item)
{
  return std::string_view(item.windowClass) == "Button" && (item.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
}

Qt::WindowFlags windowFlags(const DialogTemplate& t, bool hasParent)
{
  Qt::WindowFlags flags = (hasParent ? Qt::Dialog : Qt::Window) | Qt::CustomizeWindowHint;
  if (t.style & WS_CAPTION)
    flags |= Qt::WindowTitleHint;
  if (t.style & WS_SYSMENU)
    flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  if (t.style & WS_MINIMIZEBOX)
    flags |= Qt::WindowMinimizeButtonHint;
  if (t.style & WS_MAXIMIZEBOX)
    flags |= Qt::WindowMaximizeButtonHint;
  return flags;
}
}  // namespace

struct CDialog::Impl {
  const DialogTemplate* pTemplate = nullptr;
  QPointer<platform::DialogWidget> widget;
  std::map<int, std::unique_ptr<CWnd>> controls;
  // The controls without an id (labels, group boxes), reached only by walking the children.
  std::vector<std::unique_ptr<CWnd>> anonymous;
  QEventLoop* loop = nullptr;
  int result = -1;
  bool ended = false;
  int defaultButtonId = 0;
  bool modeless = false;
  DialogBaseUnits units{};
};

platform::DialogWidget::DialogWidget(CDialog* pOwner, QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags), m_pOwner(pOwner)
{
}

bool platform::DialogWidget::event(QEvent* e)
{
  if (e->type() != PostedMessageEvent::type())
    return QWidget::event(e);
  auto* pm = static_cast<PostedMessageEvent*>(e);
  m_pOwner->WindowProc(pm->m_message, pm->m_wParam, pm->m_lParam);
  return true;
}

void platform::DialogWidget::resizeEvent(QResizeEvent* e)
{
  QWidget::resizeEvent(e);
  m_pOwner->SendMessage(
      WM_SIZE, SIZE_RESTORED,
      MAKELPARAM(static_cast<unsigned>(e->size().width()), static_cast<unsigned>(e->size().height())));
}

void platform::DialogWidget::closeEvent(QCloseEvent* e)
{
  e->ignore();
  m_pOwner->SendMessage(WM_SYSCOMMAND, SC_CLOSE);
}

void platform::DialogWidget::paintEvent(QPaintEvent*)
{
  QPainter painter(this);
  m_pPainter = &painter;
  m_pOwner->SendMessage(WM_PAINT);
  m_pPainter = nullptr;
}

void platform::DialogWidget::contextMenuEvent(QContextMenuEvent*)
{
  m_pOwner->showSystemMenu(true);
}

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd), d(std::make_unique<Impl>())
{
}

CDialog::~CDialog()
{
  destroyWindow();
}

BOOL CDialog::createIndirect()
{
  d->pTemplate = AfxFindDialogTemplate(m_nIDTemplate);
  if (!d->pTemplate)
    return FALSE;
  const DialogTemplate& t = *d->pTemplate;
  CWnd* parent = m_pParentWnd;
  if (!parent && AfxGetMainWnd() != this)
    parent = AfxGetMainWnd();
  QWidget* parentWidget = parent ? parent->widget() : nullptr;
  auto* w = new platform::DialogWidget(this, parentWidget, windowFlags(t, parentWidget != nullptr));
  d->widget = w;
  d->ended = false;
  attach(w, 0);

  const QFont font = dialogFont(t);
  w->setFont(font);
  const QFontMetrics fm(font);
  const DialogBaseUnits units = BaseUnitsFromMetrics(fm.horizontalAdvance(QLatin1String(kAlphabet)), fm.height());
  d->units = units;
  const RECT size = ::MapDialogRect({0, 0, t.cx, t.cy}, units);
  // A thick frame lets the user size the window, never below its template's size.
  if (t.style & WS_THICKFRAME) {
    w->setMinimumSize(size.right, size.bottom);
    w->resize(size.right, size.bottom);
  } else {
    w->setFixedSize(size.right, size.bottom);
  }
  w->setWindowTitle(platform::fromCodePage(t.caption));
  platform::ApplyDialogPalette(w);
  w->setAutoFillBackground(true);
  if (parentWidget && !d->modeless)
    w->setWindowModality(Qt::ApplicationModal);

  QWidget* previousTabStop = nullptr;
  std::vector<QWidget*> groupBoxes;
  std::vector<QWidget*> created(t.items.size(), nullptr);
  for (const DialogItemTemplate& item : t.items) {
    QWidget* c = platform::CreateControl(w, item.windowClass, item.style, platform::fromCodePage(item.text));
    if (!c)
      continue;
    created[static_cast<size_t>(&item - t.items.data())] = c;
    const RECT r = ::MapDialogRect({item.x, item.y, item.x + item.cx, item.y + item.cy}, units);
    int height = r.bottom - r.top;
    if (std::string_view(item.windowClass) == "ComboBox")
      height = std::min(height, c->sizeHint().height());  // the template's height includes the list
    c->setGeometry(r.left, r.top, r.right - r.left, height);
    c->setEnabled(!(item.style & WS_DISABLED));
    if (qobject_cast<QGroupBox*>(c))
      groupBoxes.push_back(c);
    // A control with a focus proxy (the address control) manages its own fields' policies.
    if (!c->focusProxy())
      c->setFocusPolicy((item.style & WS_TABSTOP) ? Qt::StrongFocus : Qt::NoFocus);
    if (item.style & WS_TABSTOP) {
      if (previousTabStop)
        QWidget::setTabOrder(previousTabStop, c);
      previousTabStop = c;
    }
    if (isDefaultButton(item))
      d->defaultButtonId = item.id;
    if (const char* label = LabellingText(t, item))
      c->setAccessibleName(platform::fromCodePage(label));
    if (item.id == IDC_STATIC) {
      d->anonymous.push_back(std::make_unique<CWnd>());
      d->anonymous.back()->attach(c, IDC_STATIC);
      continue;
    }
    auto& ctl = d->controls[item.id];
    ctl = std::make_unique<CWnd>();
    ctl->attach(c, item.id);
    connectNotifications(c, item.id);
  }
  for (size_t i = 0; i < t.items.size(); ++i) {
    const DialogItemTemplate* label = LabelAbove(t, t.items[i]);
    QWidget* labelWidget = label ? created[static_cast<size_t>(label - t.items.data())] : nullptr;
    if (labelWidget && created[i])
      platform::NameByLabel(labelWidget, created[i]);
  }
  // Group boxes sit under the controls they frame.
  for (QWidget* g : groupBoxes)
    g->lower();
  return TRUE;
}

void CDialog::connectNotifications(QWidget* c, int nID)
{
  const auto command = [this, nID](UINT code) {
    SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<unsigned>(nID), code), reinterpret_cast<LPARAM>(GetDlgItem(nID)));
  };
  // Assistive technology toggles a box or a radio button without clicking it: a change of state
  // the program did not make (BM_SETCHECK blocks the signal) is the user's click. A radio button
  // that goes off because another came on was not clicked.
  if (auto* button = qobject_cast<QAbstractButton*>(c); button && button->isCheckable()) {
    const bool bRadio = qobject_cast<QRadioButton*>(button) != nullptr;
    QObject::connect(button, &QAbstractButton::toggled, d->widget, [command, bRadio](bool bOn) {
      if (bOn || !bRadio)
        command(BN_CLICKED);
    });
  } else if (button) {
    QObject::connect(button, &QAbstractButton::clicked, d->widget, [command] { command(BN_CLICKED); });
  }
  if (auto* combo = qobject_cast<QComboBox*>(c)) {
    QObject::connect(combo, &QComboBox::activated, d->widget, [command] { command(CBN_SELCHANGE); });
    if (combo->isEditable())
      QObject::connect(combo->lineEdit(), &QLineEdit::textEdited, d->widget, [command] { command(CBN_EDITCHANGE); });
  }
  if (auto* line = qobject_cast<QLineEdit*>(c))
    QObject::connect(line, &QLineEdit::textChanged, d->widget, [command] { command(EN_CHANGE); });
}

void CDialog::destroyWindow()
{
  DestroyTimers();
  d->controls.clear();
  d->anonymous.clear();
  if (d->widget) {
    d->widget->hide();
    delete d->widget.data();
  }
  detach();
}

INT_PTR CDialog::DoModal()
{
  // A dialog asked for while the program ends has nobody to answer it.
  if (platform::IsEnding() && AfxGetMainWnd() != this)
    return IDCANCEL;
  if (!createIndirect())
    return -1;
  d->result = -1;
  const BOOL focusFirst = OnInitDialog();
  if (focusFirst)
    focusFirstTabStop();
  if (!d->ended) {
    d->widget->show();
    d->widget->activateWindow();
    d->widget->raise();
    QEventLoop loop;
    d->loop = &loop;
    loop.exec(QEventLoop::DialogExec);
    d->loop = nullptr;
  }
  destroyWindow();
  return d->result;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd)
{
  m_nIDTemplate = nIDTemplate;
  if (pParentWnd)
    m_pParentWnd = pParentWnd;
  d->modeless = true;
  if (!createIndirect())
    return FALSE;
  if (OnInitDialog())
    focusFirstTabStop();
  d->widget->show();
  d->widget->activateWindow();
  d->widget->raise();
  return TRUE;
}

void CDialog::MapDialogRect(LPRECT lpRect) const
{
  if (lpRect)
    *lpRect = ::MapDialogRect(*lpRect, d->units);
}

void CDialog::focusFirstTabStop()
{
  for (auto* c : d->widget->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (c->isEnabled() && (c->focusPolicy() & Qt::TabFocus)) {
      c->setFocus(Qt::TabFocusReason);
      return;
    }
  }
}

void CDialog::EndDialog(int nResult)
{
  d->result = nResult;
  d->ended = true;
  if (d->widget)
    d->widget->hide();
  if (d->loop)
    d->loop->quit();
}

BOOL CDialog::OnInitDialog()
{
  for (const DialogInitEntry& e : d->pTemplate->initData) {
    if (CWnd* c = GetDlgItem(e.controlId))
      c->SendMessage(e.message, 0, reinterpret_cast<LPARAM>(e.text));
  }
  UpdateData(FALSE);
  return TRUE;
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate)
{
  CDataExchange dx(this, bSaveAndValidate);
  DoDataExchange(&dx);
  return !dx.m_bFailed;
}

void CDialog::DoDataExchange(CDataExchange*) {}

void CDialog::OnOK()
{
  if (UpdateData(TRUE))
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
  EndDialog(IDCANCEL);
}

CWnd* CDialog::GetDlgItem(int nID) const
{
  auto it = d->controls.find(nID);
  return it == d->controls.end() ? nullptr : it->second.get();
}

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
  if (message == WM_COMMAND && LOWORD(wParam) == IDOK && HIWORD(wParam) == BN_CLICKED) {
    OnOK();
    return 0;
  }
  if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL && HIWORD(wParam) == BN_CLICKED) {
    OnCancel();
    return 0;
  }
  if (message == WM_CLOSE) {
    OnCancel();
    return 0;
  }
  if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_KEYMENU) {
    showSystemMenu(false);
    return 0;
  }
  return CWnd::DefWindowProc(message, wParam, lParam);
}

// The dialog manager's keys: Tab moves the focus, Enter presses the focused or default button,
// Escape cancels, Alt+Space (or F10) opens the system menu, F1 asks the application for help.
BOOL CDialog::PreTranslateMessage(MSG* pMsg)
{
  if (!d->widget)
    return FALSE;
  const auto key = static_cast<int>(pMsg->wParam);
  if (pMsg->message == WM_SYSKEYDOWN && key == VK_SPACE) {
    SendMessage(WM_SYSCOMMAND, SC_KEYMENU, VK_SPACE);
    return TRUE;
  }
  // F10 alone opens the same menu where a window manager keeps Alt+Space for its own (Shift+F10
  // stays the focused control's context menu).
  const bool bPlainKey = !(GetKeyState(VK_SHIFT) & 0x8000) && !(GetKeyState(VK_CONTROL) & 0x8000);
  if ((pMsg->message == WM_KEYDOWN || pMsg->message == WM_SYSKEYDOWN) && key == VK_F10 && bPlainKey) {
    SendMessage(WM_SYSCOMMAND, SC_KEYMENU, VK_F10);
    return TRUE;
  }
  if (pMsg->message != WM_KEYDOWN)
    return FALSE;
  if (key == VK_TAB && !(GetKeyState(VK_CONTROL) & 0x8000)) {
    d->widget->moveFocus(!(GetKeyState(VK_SHIFT) & 0x8000));
    return TRUE;
  }
  if (key == VK_RETURN) {
    auto* focused = qobject_cast<QPushButton*>(QApplication::focusWidget());
    if (focused && platform::WindowOf(focused) == this) {
      focused->click();
      return TRUE;
    }
    const int id = d->defaultButtonId ? d->defaultButtonId : IDOK;
    CWnd* button = GetDlgItem(id);
    if (!button || button->IsWindowEnabled())
      SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<unsigned>(id), BN_CLICKED), 0);
    return TRUE;
  }
  if (key == VK_ESCAPE) {
    SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    return TRUE;
  }
  // Help is the application's command, as the framework routes it.
  if (key == VK_F1 && AfxGetApp()) {
    AfxGetApp()->OnCmdMsg(ID_HELP, 0);
    return TRUE;
  }
  return FALSE;
}

void CDialog::showSystemMenu(bool bAtCursor)
{
  CMenu* menu = GetSystemMenu(FALSE);
  if (!menu || !d->widget)
    return;
  QMenu popup(d->widget);
  for (const CMenu::Item& item : menu->items()) {
    if (item.nFlags & MF_SEPARATOR) {
      popup.addSeparator();
      continue;
    }
    QAction* action = popup.addAction(platform::fromCodePage(item.text));
    platform::SetMenuItemState(action, item.nFlags);
    action->setData(item.nID);
  }
  const QPoint where = bAtCursor ? QCursor::pos() : d->widget->mapToGlobal(QPoint(0, 0));
  QAction* chosen = popup.exec(where);
  if (chosen)
    SendMessage(WM_SYSCOMMAND, chosen->data().toUInt(), 0);
}
