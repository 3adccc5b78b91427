#include "platform/qt/edit_menu.h"

#include "platform/cmenu.h"
#include "platform/qt/code_page.h"
#include "platform/qt/window_glue.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextDocument>

#include <functional>

namespace platform {
namespace {

// What the menu needs of an edit, whichever kind it is.
struct EditActions {
  bool canUndo;
  bool hasSelection;
  bool readOnly;
  bool empty;
  std::function<void()> undo, cut, copy, paste, erase, selectAll;
};

void addItem(QMenu& menu, const char* text, bool enabled, const std::function<void()>& act)
{
  QAction* action = menu.addAction(QString::fromUtf8(text));
  action->setEnabled(enabled);
  QObject::connect(action, &QAction::triggered, &menu, act);
}

// A mnemonic reaches the entries that can be chosen: with the platform's 剪切(&T) greyed out, T
// goes straight to the owner's entry of the same letter instead of stopping on the grey one.
class EditMenu : public QMenu {
public:
  using QMenu::QMenu;

protected:
  void keyPressEvent(QKeyEvent* e) override
  {
    const QString typed = e->text().toUpper();
    if (typed.size() != 1 || e->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) {
      QMenu::keyPressEvent(e);
      return;
    }
    QList<QAction*> matches;
    for (QAction* action : actions()) {
      const QKeySequence mnemonic = QKeySequence::mnemonic(action->text());
      if (action->isEnabled() && !mnemonic.isEmpty() && mnemonic[0].key() == typed.at(0).unicode())
        matches << action;
    }
    if (matches.isEmpty()) {
      QMenu::keyPressEvent(e);
      return;
    }
    if (matches.size() == 1) {
      matches.front()->trigger();
      close();
      return;
    }
    const auto at = matches.indexOf(activeAction());
    setActiveAction(matches.at((at + 1) % matches.size()));
  }
};

void showMenu(QWidget* edit, const QPoint& at, const EditActions& a)
{
  const bool canPaste = !a.readOnly && !QApplication::clipboard()->text().isEmpty();
  EditMenu menu(edit);
  addItem(menu, "撤消(&U)", a.canUndo && !a.readOnly, a.undo);
  menu.addSeparator();
  addItem(menu, "剪切(&T)", a.hasSelection && !a.readOnly, a.cut);
  addItem(menu, "复制(&C)", a.hasSelection, a.copy);
  addItem(menu, "粘贴(&P)", canPaste, a.paste);
  addItem(menu, "删除(&D)", a.hasSelection && !a.readOnly, a.erase);
  menu.addSeparator();
  addItem(menu, "全选(&A)", !a.empty, a.selectAll);
  AppendOwnerItems(menu, edit);
  menu.exec(edit->mapToGlobal(at));
}

// The menu key and Shift+F10 open the menu where the caret is, as on the platform; Qt's edits
// would not see the menu key as asking for it.
class MenuKeyFilter : public QObject {
public:
  explicit MenuKeyFilter(QWidget* edit) : QObject(edit) {}

protected:
  bool eventFilter(QObject* watched, QEvent* e) override
  {
    if (e->type() != QEvent::KeyPress)
      return false;
    const auto* key = static_cast<QKeyEvent*>(e);
    const bool bShiftF10 = key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier;
    if (!bShiftF10 && key->key() != Qt::Key_Menu)
      return false;
    auto* edit = static_cast<QWidget*>(watched);
    QPoint at = edit->rect().center();
    if (auto* plain = qobject_cast<QPlainTextEdit*>(edit))
      at = plain->cursorRect().center();
    emit edit->customContextMenuRequested(at);
    return true;
  }
};

}  // namespace

void SetMenuItemState(QAction* action, UINT nFlags)
{
  action->setEnabled(!(nFlags & MF_GRAYED));
  action->setCheckable((nFlags & MF_CHECKED) != 0);
  action->setChecked((nFlags & MF_CHECKED) != 0);
}

void AppendOwnerItems(QMenu& menu, QWidget* control)
{
  const CWnd* pControl = CWnd::fromWidget(control);
  const CMenu* pItems = pControl ? pControl->GetContextMenuItems() : nullptr;
  if (!pItems || pItems->items().empty())
    return;
  menu.addSeparator();
  for (const CMenu::Item& item : pItems->items()) {
    if (item.nFlags & MF_SEPARATOR) {
      menu.addSeparator();
      continue;
    }
    QAction* action = menu.addAction(fromCodePage(item.text));
    SetMenuItemState(action, item.nFlags);
    const UINT nID = item.nID;
    // Posted, so the command runs once the menu has closed, not inside its loop.
    QObject::connect(action, &QAction::triggered, control, [control, nID] {
      if (CWnd* pWindow = WindowOf(control))
        pWindow->PostMessage(WM_COMMAND, MAKEWPARAM(nID, 0), 0);
    });
  }
}

void UsePlatformEditMenu(QLineEdit* e)
{
  e->setContextMenuPolicy(Qt::CustomContextMenu);
  e->installEventFilter(new MenuKeyFilter(e));
  QObject::connect(e, &QWidget::customContextMenuRequested, e, [e](const QPoint& at) {
    showMenu(e, at,
             {e->isUndoAvailable(), e->hasSelectedText(), e->isReadOnly(), e->text().isEmpty(), [e] { e->undo(); },
              [e] { e->cut(); }, [e] { e->copy(); }, [e] { e->paste(); }, [e] { e->del(); }, [e] { e->selectAll(); }});
  });
}

void UsePlatformEditMenu(QPlainTextEdit* e)
{
  e->setContextMenuPolicy(Qt::CustomContextMenu);
  e->installEventFilter(new MenuKeyFilter(e));
  QObject::connect(e, &QWidget::customContextMenuRequested, e, [e](const QPoint& at) {
    showMenu(e, at,
             {e->document()->isUndoAvailable(), e->textCursor().hasSelection(), e->isReadOnly(),
              e->document()->isEmpty(), [e] { e->undo(); }, [e] { e->cut(); }, [e] { e->copy(); }, [e] { e->paste(); },
              [e] { e->textCursor().removeSelectedText(); }, [e] { e->selectAll(); }});
  });
}

}  // namespace platform
