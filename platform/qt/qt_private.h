// Qt-side pieces shared inside this folder: widget classes behind the Windows names, the posted
// message event, code-page conversion. Never included outside platform/.
#pragma once

#include "platform/cwnd.h"
#include "platform/windef.h"

#include <QColor>
#include <QEvent>
#include <QFont>
#include <QIcon>
#include <QString>
#include <QWidget>

#include <string>

class CDialog;
class QPainter;

struct HICON__ {
  QIcon icon;
};

namespace platform {

// clang-format off
inline QString fromCodePage(const char* psz) { return QString::fromUtf8(psz ? psz : ""); }
inline QString fromCodePage(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
inline QByteArray toCodePage(const QString& s) { return s.toUtf8(); }
inline QColor toQColor(COLORREF c) { return {GetRValue(c), GetGValue(c), GetBValue(c)}; }
// clang-format on

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

// The top-level window of a CDialog.
class DialogWidget : public QWidget {
public:
  DialogWidget(CDialog* pOwner, QWidget* parent, Qt::WindowFlags flags);
  bool moveFocus(bool next) { return focusNextPrevChild(next); }
  QPainter* currentPainter() const { return m_pPainter; }

protected:
  bool event(QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;

private:
  CDialog* m_pOwner;
  QPainter* m_pPainter = nullptr;
};

// EM_SETSEL's range over a text of `length` characters: a negative or too large end is the end.
struct TextRange {
  int anchor;
  int caret;
};
inline TextRange SelectionRange(WPARAM wParam, LPARAM lParam, int length)
{
  const auto clamp = [length](long long v) { return v < 0 || v > length ? length : static_cast<int>(v); };
  return {clamp(static_cast<std::intptr_t>(wParam)), clamp(lParam)};
}

// Messages and texts of child controls, by the kind of widget behind them.
LRESULT ControlWindowProc(QWidget* w, UINT message, WPARAM wParam, LPARAM lParam);
void SetControlText(QWidget* w, const QString& text);
QString ControlText(const QWidget* w);

// A template's face at a size: asked for by a name the system has, the face's own or another
// name of it (SimSun for 宋体), else by its stand-in first.
QFont DialogFont(const QString& face, int pointSize);

// Creates the widget for one template item; nullptr for a window class we do not know.
QWidget* CreateControl(QWidget* parent, const char* windowClass, DWORD style, const QString& text);

// The window (a dialog) whose widget is a widget's top-level window, or nullptr.
inline CWnd* WindowOf(const QWidget* w)
{
  return w ? CWnd::fromWidget(w->window()) : nullptr;
}

// The colours SetDialogBkColor chose, on a dialog or message box.
void ApplyDialogPalette(QWidget* w);

void InstallKeyboardRouter();
void InstallAccessibility();
void SetKeyStateModifiers(Qt::KeyboardModifiers modifiers, bool active);

}  // namespace platform
