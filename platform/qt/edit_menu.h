// The context menu of the program's edit controls, as the platform's edit control has it: undo, a
// separator, cut, copy, paste, delete, a separator and select all, in Chinese; what else a control
// offers is left to its owner.
#pragma once

#include "platform/windef.h"

class QAction;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QWidget;

namespace platform {

// A menu item's MF_GRAYED and MF_CHECKED on the action that shows it.
void SetMenuItemState(QAction* action, UINT nFlags);

// The items the control's owner set (CWnd::SetContextMenuItems), after a separator.
void AppendOwnerItems(QMenu& menu, QWidget* control);

// Gives the edit the platform's menu in place of Qt's own.
void UsePlatformEditMenu(QLineEdit* edit);
void UsePlatformEditMenu(QPlainTextEdit* edit);

}  // namespace platform
