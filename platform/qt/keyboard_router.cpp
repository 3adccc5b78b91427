// Turns Qt key presses into the keyboard messages a dialog's PreTranslateMessage sees first:
// WM_KEYDOWN (or WM_SYSKEYDOWN with Alt) with the virtual-key code, then one WM_CHAR for each
// character the key or an input method types. A consumed message never reaches the control.
#include "platform/qt/startup_qt.h"
#include "platform/qt/window_glue.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>

namespace platform {
namespace {

struct KeyMapping {
  int qtKey;
  int vk;
};

constexpr KeyMapping kKeyToVk[] = {
    {Qt::Key_Backspace, VK_BACK},  {Qt::Key_Tab, VK_TAB},       {Qt::Key_Backtab, VK_TAB},
    {Qt::Key_Return, VK_RETURN},   {Qt::Key_Enter, VK_RETURN},  {Qt::Key_Shift, VK_SHIFT},
    {Qt::Key_Control, VK_CONTROL}, {Qt::Key_Alt, VK_MENU},      {Qt::Key_Escape, VK_ESCAPE},
    {Qt::Key_Space, VK_SPACE},     {Qt::Key_PageUp, VK_PRIOR},  {Qt::Key_PageDown, VK_NEXT},
    {Qt::Key_End, VK_END},         {Qt::Key_Home, VK_HOME},     {Qt::Key_Left, VK_LEFT},
    {Qt::Key_Up, VK_UP},           {Qt::Key_Right, VK_RIGHT},   {Qt::Key_Down, VK_DOWN},
    {Qt::Key_Insert, VK_INSERT},   {Qt::Key_Delete, VK_DELETE}, {Qt::Key_Semicolon, 0xBA},
    {Qt::Key_Colon, 0xBA},         {Qt::Key_Equal, 0xBB},       {Qt::Key_Plus, 0xBB},
    {Qt::Key_Comma, 0xBC},         {Qt::Key_Less, 0xBC},        {Qt::Key_Minus, 0xBD},
    {Qt::Key_Underscore, 0xBD},    {Qt::Key_Period, 0xBE},      {Qt::Key_Greater, 0xBE},
    {Qt::Key_Slash, 0xBF},         {Qt::Key_Question, 0xBF},    {Qt::Key_QuoteLeft, 0xC0},
    {Qt::Key_AsciiTilde, 0xC0},    {Qt::Key_BracketLeft, 0xDB}, {Qt::Key_BraceLeft, 0xDB},
    {Qt::Key_Backslash, 0xDC},     {Qt::Key_Bar, 0xDC},         {Qt::Key_BracketRight, 0xDD},
    {Qt::Key_BraceRight, 0xDD},    {Qt::Key_Apostrophe, 0xDE},  {Qt::Key_QuoteDbl, 0xDE},
};

int virtualKey(int qtKey)
{
  if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
    return qtKey;  // the same codes as Windows
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
    return 0x70 + (qtKey - Qt::Key_F1);
  for (const KeyMapping& m : kKeyToVk) {
    if (m.qtKey == qtKey)
      return m.vk;
  }
  return 0;
}

// A key pressed with Alt, and without Ctrl, is a system key: WM_SYSKEYDOWN, and what it types is a
// system character that no edit inserts. Ctrl+Alt is how Windows layouts give AltGr, which types.
bool isSystemKey(const QKeyEvent* e)
{
  return (e->modifiers() & Qt::AltModifier) && !(e->modifiers() & Qt::ControlModifier);
}

bool typesText(const QKeyEvent* e)
{
  return !e->text().isEmpty() && e->text() != QStringLiteral("\x7f");
}

class KeyboardRouter : public QObject {
public:
  using QObject::QObject;

protected:
  bool eventFilter(QObject* watched, QEvent* e) override
  {
    if (m_forwarding || !watched->isWidgetType())
      return false;
    if (e->type() != QEvent::KeyPress && e->type() != QEvent::InputMethod)
      return false;
    auto* w = static_cast<QWidget*>(watched);
    // Qt offers a key to the parents of a widget that ignored it: route the first delivery only.
    if (QApplication::focusWidget() && w != QApplication::focusWidget())
      return false;
    CWnd* dlg = WindowOf(w);
    if (!dlg)
      return false;
    if (e->type() == QEvent::InputMethod)
      return routeInputMethod(dlg, w, static_cast<QInputMethodEvent*>(e));
    return routeKey(dlg, w, static_cast<QKeyEvent*>(e));
  }

private:
  // Runs each character through WM_CHAR and returns those that were not consumed.
  static QString passCharacters(CWnd* dlg, const QString& text)
  {
    QString passed;
    for (char32_t c : text.toUcs4()) {
      MSG msg{CWnd::GetFocus(), WM_CHAR, static_cast<WPARAM>(c), 1};
      if (!dlg->PreTranslateMessage(&msg))
        passed += QString::fromUcs4(&c, 1);
    }
    return passed;
  }

  bool routeKey(CWnd* dlg, QWidget* w, QKeyEvent* e)
  {
    SetKeyStateModifiers(e->modifiers(), true);
    const bool system = isSystemKey(e);
    MSG down{CWnd::GetFocus(), system ? WM_SYSKEYDOWN : WM_KEYDOWN, static_cast<WPARAM>(virtualKey(e->key())), 1};
    bool consumed = dlg->PreTranslateMessage(&down);
    if (!consumed && system && typesText(e))
      consumed = true;
    if (!consumed && typesText(e)) {
      const QString passed = passCharacters(dlg, e->text());
      if (passed != e->text()) {
        consumed = true;
        if (!passed.isEmpty()) {
          QKeyEvent copy(e->type(), e->key(), e->modifiers(), passed, e->isAutoRepeat());
          forward(w, copy);
        }
      }
    }
    SetKeyStateModifiers({}, false);
    return consumed;
  }

  bool routeInputMethod(CWnd* dlg, QWidget* w, QInputMethodEvent* e)
  {
    if (e->commitString().isEmpty())
      return false;
    const QString passed = passCharacters(dlg, e->commitString());
    if (passed == e->commitString())
      return false;
    QInputMethodEvent filtered(e->preeditString(), e->attributes());
    filtered.setCommitString(passed, e->replacementStart(), e->replacementLength());
    forward(w, filtered);
    return true;
  }

  void forward(QWidget* w, QEvent& e)
  {
    m_forwarding = true;
    QCoreApplication::sendEvent(w, &e);
    m_forwarding = false;
  }

  bool m_forwarding = false;
};

}  // namespace

void InstallKeyboardRouter()
{
  static KeyboardRouter* router = nullptr;
  if (router || !qApp)
    return;
  router = new KeyboardRouter(qApp);
  qApp->installEventFilter(router);
}

}  // namespace platform
