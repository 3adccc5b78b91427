// The context menu of the program's edit controls, as the platform's edit control has it: undo, a
// separator, cut, copy, paste, delete, a separator and select all, in Chinese; what else a control
// offers is left to its owner.
#pragma once

class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QWidget;

namespace platform {

// The items the control's owner set (CWnd::SetContextMenuItems), after a separator.
void AppendOwnerItems(QMenu& menu, QWidget* control);

// Gives the edit the platform's menu in place of Qt's own.
void UsePlatformEditMenu(QLineEdit* edit);
void UsePlatformEditMenu(QPlainTextEdit* edit);

}  // namespace platform
