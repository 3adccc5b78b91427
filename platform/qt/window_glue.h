// What a window is on the Qt side: the posted message event that reaches its WindowProc, the
// window a widget belongs to, the icon behind an HICON, and the keyboard state of the message
// being handled (cwnd.cpp). Never included outside platform/.
#pragma once

#include "platform/cwnd.h"

#include <QEvent>
#include <QIcon>
#include <QWidget>

struct HICON__ {
  QIcon icon;
};

namespace platform {

// A message posted with PostMessage, delivered to the window's WindowProc by the event loop.
class PostedMessageEvent : public QEvent {
public:
  PostedMessageEvent(UINT message, WPARAM wParam, LPARAM lParam)
      : QEvent(type()), m_message(message), m_wParam(wParam), m_lParam(lParam)
  {
  }
  static QEvent::Type type();
  UINT m_message;
  WPARAM m_wParam;
  LPARAM m_lParam;
};

// The window (a dialog) whose widget is a widget's top-level window, or nullptr.
inline CWnd* WindowOf(const QWidget* w)
{
  return w ? CWnd::fromWidget(w->window()) : nullptr;
}

// GetKeyState answers from these while a keyboard message is handled, else from the system.
void SetKeyStateModifiers(Qt::KeyboardModifiers modifiers, bool active);

}  // namespace platform
