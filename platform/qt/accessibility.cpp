// What assistive technology (AT-SPI through Qt) is told about the widgets behind the Windows
// names that Qt cannot describe by itself: dialogs are dialogs, the receive display is a read-only
// multi-line text with its caret and selection, and the address control reads as its address.
#include "platform/qt/dialog_widget.h"
#include "platform/qt/ipaddress_widget.h"
#include "platform/qt/receive_view.h"
#include "platform/qt/startup_qt.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRegularExpression>

namespace platform {
namespace {

class DialogAccessible : public QAccessibleWidget {
public:
  explicit DialogAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::Dialog) {}
};

// A read-only text that is one string; without more, it has no caret or selection.
class ValueText : public QAccessibleTextInterface {
public:
  virtual QString value() const = 0;

  void selection(int, int* startOffset, int* endOffset) const override { *startOffset = *endOffset = 0; }
  int selectionCount() const override { return 0; }
  void addSelection(int, int) override {}
  void removeSelection(int) override {}
  void setSelection(int, int, int) override {}
  int cursorPosition() const override { return 0; }
  void setCursorPosition(int) override {}
  QString text(int startOffset, int endOffset) const override
  {
    return value().mid(startOffset, std::max(0, endOffset - startOffset));
  }
  int characterCount() const override { return static_cast<int>(value().size()); }
  QRect characterRect(int) const override { return {}; }
  int offsetAtPoint(const QPoint&) const override { return -1; }
  void scrollToSubstring(int, int) override {}
  QString attributes(int offset, int* startOffset, int* endOffset) const override
  {
    *startOffset = *endOffset = offset;
    return {};
  }
};

// A widget whose value reads as text: the name stays the label's, the value is the text.
class ValueWidgetAccessible : public QAccessibleWidget, public ValueText {
public:
  using QAccessibleWidget::QAccessibleWidget;

  void* interface_cast(QAccessible::InterfaceType t) override
  {
    if (t == QAccessible::TextInterface)
      return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
  }
  QString text(QAccessible::Text t) const override
  {
    return t == QAccessible::Value ? value() : QAccessibleWidget::text(t);
  }
  using ValueText::text;
};

// The receive display: read-only multi-line text, with a caret and a selection of its own.
class ReceiveViewAccessible : public ValueWidgetAccessible {
public:
  explicit ReceiveViewAccessible(ReceiveView* v) : ValueWidgetAccessible(v, QAccessible::EditableText) {}

  QString value() const override { return view()->text(); }
  QAccessible::State state() const override
  {
    QAccessible::State s = QAccessibleWidget::state();
    s.readOnly = true;
    s.multiLine = true;
    s.selectableText = true;
    s.focusable = true;
    return s;
  }

  void selection(int selectionIndex, int* startOffset, int* endOffset) const override
  {
    *startOffset = *endOffset = 0;
    if (selectionIndex != 0 || selectionCount() == 0)
      return;
    *startOffset = std::min(view()->anchor(), view()->caret());
    *endOffset = std::max(view()->anchor(), view()->caret());
  }
  int selectionCount() const override { return view()->anchor() != view()->caret() ? 1 : 0; }
  void addSelection(int startOffset, int endOffset) override { view()->setSelection(startOffset, endOffset); }
  void removeSelection(int) override { view()->setSelection(view()->caret(), view()->caret()); }
  void setSelection(int, int startOffset, int endOffset) override { view()->setSelection(startOffset, endOffset); }
  int cursorPosition() const override { return view()->caret(); }
  void setCursorPosition(int position) override { view()->setSelection(position, position); }
  QRect characterRect(int offset) const override
  {
    const QRect r = view()->characterRect(offset);
    return r.isNull() ? r : QRect(view()->mapToGlobal(r.topLeft()), r.size());
  }
  int offsetAtPoint(const QPoint& point) const override
  {
    return view()->positionAtPoint(view()->mapFromGlobal(point));
  }
  void scrollToSubstring(int startIndex, int) override { view()->scrollToPosition(startIndex); }

private:
  ReceiveView* view() const { return static_cast<ReceiveView*>(widget()); }
};

// The four fields are its children; the control itself reads as the address they make, blank
// fields staying blank.
class IpAddressAccessible : public ValueWidgetAccessible {
public:
  explicit IpAddressAccessible(IpAddressWidget* w) : ValueWidgetAccessible(w, QAccessible::EditableText) {}

  QString value() const override
  {
    auto* ip = static_cast<IpAddressWidget*>(widget());
    if (ip->isBlank())
      return {};
    QStringList parts;
    for (int i = 0; i < 4; ++i)
      parts << ip->field(i)->text();
    return parts.join(u'.');
  }
};

// Qt names a combo box on Linux by its current item and leaves its label to a relation; here the
// label names it, as on the platform the dialog comes from, and the current item is its value.
class ComboAccessible : public ValueWidgetAccessible {
public:
  explicit ComboAccessible(QComboBox* c) : ValueWidgetAccessible(c, QAccessible::ComboBox) {}

  QString value() const override { return combo()->currentText(); }
  QAccessible::State state() const override
  {
    QAccessible::State s = QAccessibleWidget::state();
    s.expandable = true;
    s.expanded = combo()->view()->isVisible();
    s.collapsed = !s.expanded;
    return s;
  }
  QStringList actionNames() const override { return QAccessibleWidget::actionNames() << showMenuAction(); }
  void doAction(const QString& actionName) override
  {
    if (actionName == showMenuAction() || actionName == pressAction())
      combo()->showPopup();
    else
      QAccessibleWidget::doAction(actionName);
  }

private:
  QComboBox* combo() const { return static_cast<QComboBox*>(widget()); }
};

// Qt toggles a check box for assistive technology without clicking it, so the dialog would never
// hear BN_CLICKED (the hex receive box would not redraw); here toggling is the click a person makes.
class CheckBoxAccessible : public QAccessibleWidget {
public:
  explicit CheckBoxAccessible(QCheckBox* b) : QAccessibleWidget(b, QAccessible::CheckBox) {}

  QString text(QAccessible::Text t) const override
  {
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
      return withoutMnemonic(box()->text());
    return QAccessibleWidget::text(t);
  }
  QAccessible::State state() const override
  {
    QAccessible::State s = QAccessibleWidget::state();
    s.checkable = true;
    s.checked = box()->isChecked();
    return s;
  }
  QStringList actionNames() const override
  {
    QStringList names = QAccessibleWidget::actionNames();
    if (widget()->isEnabled())
      names.prepend(toggleAction());
    return names;
  }
  void doAction(const QString& actionName) override
  {
    if (actionName != toggleAction() && actionName != pressAction())
      return QAccessibleWidget::doAction(actionName);
    if (widget()->isEnabled())
      box()->click();
  }

private:
  QCheckBox* box() const { return static_cast<QCheckBox*>(widget()); }
  static QString withoutMnemonic(QString text)
  {
    static const QRegularExpression single(QStringLiteral("&(?!&)"));
    return text.remove(single).replace(QStringLiteral("&&"), QStringLiteral("&"));
  }
};

QAccessibleInterface* accessibleFor(const QString&, QObject* object)
{
  if (auto* check = qobject_cast<QCheckBox*>(object))
    return new CheckBoxAccessible(check);
  if (auto* combo = qobject_cast<QComboBox*>(object); combo && !combo->accessibleName().isEmpty())
    return new ComboAccessible(combo);
  if (auto* view = dynamic_cast<ReceiveView*>(object))
    return new ReceiveViewAccessible(view);
  if (auto* ip = dynamic_cast<IpAddressWidget*>(object))
    return new IpAddressAccessible(ip);
  if (auto* dialog = dynamic_cast<DialogWidget*>(object))
    return new DialogAccessible(dialog);
  return nullptr;
}

}  // namespace

void InstallAccessibility()
{
  static bool installed = false;
  if (installed)
    return;
  installed = true;
  QAccessible::installFactory(accessibleFor);
}

}  // namespace platform
