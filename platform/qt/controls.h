// The controls of dialog templates on Qt widgets: made from a template item, answering the
// messages sent to them, their text (controls.cpp). Never included outside platform/.
#pragma once

#include "platform/windef.h"

#include <QString>

#include <cstdint>

class QWidget;

namespace platform {

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
// The label's text, as it changes, is the accessible name of the control it names.
void NameByLabel(QWidget* label, QWidget* named);
QString ControlText(const QWidget* w);

// Creates the widget for one template item; nullptr for a window class we do not know.
QWidget* CreateControl(QWidget* parent, const char* windowClass, DWORD style, const QString& text);

}  // namespace platform
