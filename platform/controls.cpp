#include "platform/ipaddress_widget.h"
#include "platform/multiline_edit.h"
#include "platform/qt_private.h"
#include "platform/receive_view.h"
#include "platform/resources.h"
#include "platform/cwinapp.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

#include <string_view>

namespace platform {
namespace {

constexpr const char* kSortedProperty = "lanspry_sorted";

QWidget* createButton(QWidget* parent, DWORD style, const QString& text)
{
  switch (style & BS_TYPEMASK) {
  case BS_AUTOCHECKBOX:
    return new QCheckBox(text, parent);
  case BS_GROUPBOX: {
    auto* box = new QGroupBox(text, parent);
    box->setAttribute(Qt::WA_TransparentForMouseEvents);
    box->setStyleSheet(QStringLiteral("QGroupBox { border: 1px solid #8a9bb4; margin-top: 0.6em; }"
                                      "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0 2px; }"));
    return box;
  }
  default:
    return new QPushButton(text, parent);
  }
}

QWidget* createEdit(QWidget* parent, DWORD style)
{
  if (!(style & ES_MULTILINE)) {
    auto* edit = new QLineEdit(parent);
    edit->setMaxLength(32767);
    return edit;
  }
  if (style & ES_READONLY) {
    // Fixed pitch, as the dialog face is on Windows, so hex dumps line up.
    auto* view = new ReceiveView(parent);
    QFont font = parent->font();
    font.setFamilies({QStringLiteral("Noto Sans Mono CJK SC"), QStringLiteral("monospace")});
    font.setStyleHint(QFont::TypeWriter);
    view->setFont(font);
    return view;
  }
  auto* edit = new MultiLineEdit(parent);
  edit->setTabChangesFocus(true);
  edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  edit->setVerticalScrollBarPolicy((style & WS_VSCROLL) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  return edit;
}

QWidget* createStatic(QWidget* parent, DWORD style, const QString& text)
{
  auto* label = new QLabel(parent);
  if ((style & SS_TYPEMASK) == SS_ICON) {
    HICON icon = AfxGetApp() ? AfxGetApp()->LoadIcon(text.mid(1).toUInt()) : nullptr;
    if (icon)
      label->setPixmap(icon->icon.pixmap(32, 32));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
  }
  label->setText(text);
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignLeft | ((style & SS_CENTERIMAGE) ? Qt::AlignVCenter : Qt::AlignTop));
  return label;
}

QWidget* createCombo(QWidget* parent, DWORD style)
{
  auto* combo = new QComboBox(parent);
  combo->setEditable(false);
  combo->setProperty(kSortedProperty, (style & CBS_SORT) != 0);
  return combo;
}

LRESULT comboProc(QComboBox* c, UINT message, WPARAM wParam, LPARAM lParam)
{
  switch (message) {
  case CB_ADDSTRING: {
    const QString text = fromCodePage(reinterpret_cast<const char*>(lParam));
    int at = c->count();
    if (c->property(kSortedProperty).toBool()) {
      at = 0;
      while (at < c->count() && QString::compare(c->itemText(at), text, Qt::CaseInsensitive) <= 0)
        ++at;
    }
    c->insertItem(at, text);
    if (c->count() == 1)
      c->setCurrentIndex(-1);  // adding items selects nothing
    return at;
  }
  case CB_GETCOUNT:
    return c->count();
  case CB_GETCURSEL:
    return c->currentIndex();
  case CB_SETCURSEL: {
    const auto index = static_cast<int>(wParam);
    c->setCurrentIndex(index >= 0 && index < c->count() ? index : -1);
    return c->currentIndex() == index ? index : CB_ERR;
  }
  default:
    return 0;
  }
}

// Undo and the clipboard, the same for single- and multi-line edits.
template <typename Edit>
LRESULT clipboardProc(Edit* e, UINT message)
{
  switch (message) {
  case EM_UNDO:
    e->undo();
    return TRUE;
  case WM_COPY:
    e->copy();
    return 0;
  case WM_CUT:
    e->cut();
    return 0;
  case WM_PASTE:
    e->paste();
    return 0;
  default:
    return 0;
  }
}

int visualLineCount(QPlainTextEdit* e)
{
  int lines = 0;
  for (QTextBlock b = e->document()->begin(); b.isValid(); b = b.next())
    lines += b.layout() && b.layout()->lineCount() > 0 ? b.layout()->lineCount() : 1;
  return lines;
}

LRESULT plainEditProc(QPlainTextEdit* e, UINT message, WPARAM wParam, LPARAM lParam)
{
  switch (message) {
  case EM_SETSEL: {
    QTextCursor cursor = e->textCursor();
    const int length = e->document()->characterCount() - 1;
    const auto start = static_cast<int>(static_cast<std::intptr_t>(wParam));
    const auto end = static_cast<int>(lParam);
    cursor.setPosition(start < 0 ? length : std::min(start, length));
    cursor.setPosition(end < 0 ? length : std::min(end, length), QTextCursor::KeepAnchor);
    e->setTextCursor(cursor);
    return 0;
  }
  case EM_SCROLLCARET:
    e->ensureCursorVisible();
    return TRUE;
  case EM_GETLINECOUNT:
    return visualLineCount(e);
  case EM_LINESCROLL:
    e->verticalScrollBar()->setValue(e->verticalScrollBar()->value() + static_cast<int>(lParam));
    return TRUE;
  case EM_GETFIRSTVISIBLELINE:
    return e->verticalScrollBar()->value();
  case EM_LIMITTEXT:
    if (auto* limited = dynamic_cast<MultiLineEdit*>(e))
      limited->setLimit(wParam == 0 ? 0x7FFFFFFE : static_cast<int>(wParam));
    return 0;
  default:
    return clipboardProc(e, message);
  }
}

LRESULT lineEditProc(QLineEdit* e, UINT message, WPARAM wParam, LPARAM lParam)
{
  switch (message) {
  case EM_SETSEL: {
    const int length = static_cast<int>(e->text().size());
    const auto start = static_cast<int>(static_cast<std::intptr_t>(wParam));
    const auto end = static_cast<int>(lParam);
    const int from = start < 0 ? length : std::min(start, length);
    const int to = end < 0 ? length : std::min(end, length);
    e->setSelection(from, to - from);
    return 0;
  }
  case EM_GETLINECOUNT:
    return 1;
  case EM_LIMITTEXT:
    e->setMaxLength(wParam == 0 ? 0x7FFFFFFE : static_cast<int>(wParam));
    return 0;
  default:
    return clipboardProc(e, message);
  }
}

LRESULT ipAddressProc(IpAddressWidget* ip, UINT message, LPARAM lParam)
{
  switch (message) {
  case IPM_CLEARADDRESS:
    ip->clear();
    return 0;
  case IPM_SETADDRESS:
    ip->setAddress(static_cast<DWORD>(lParam));
    return 1;
  case IPM_GETADDRESS:
    return ip->address(reinterpret_cast<DWORD*>(lParam));
  case IPM_ISBLANK:
    return ip->isBlank() ? TRUE : FALSE;
  default:
    return 0;
  }
}

}  // namespace

QWidget* CreateControl(QWidget* parent, const char* windowClass, DWORD style, const QString& text)
{
  const std::string_view cls(windowClass);
  if (cls == "Button")
    return createButton(parent, style, text);
  if (cls == "Edit")
    return createEdit(parent, style);
  if (cls == "Static")
    return createStatic(parent, style, text);
  if (cls == "ComboBox")
    return createCombo(parent, style);
  if (cls == "SysIPAddress32")
    return new IpAddressWidget(parent);
  return nullptr;
}

LRESULT ControlWindowProc(QWidget* w, UINT message, WPARAM wParam, LPARAM lParam)
{
  if (auto* button = qobject_cast<QAbstractButton*>(w)) {
    if (message == BM_GETCHECK)
      return button->isChecked() ? BST_CHECKED : BST_UNCHECKED;
    if (message == BM_SETCHECK)
      button->setChecked(wParam == BST_CHECKED);
    return 0;
  }
  if (auto* combo = qobject_cast<QComboBox*>(w))
    return comboProc(combo, message, wParam, lParam);
  if (auto* view = dynamic_cast<ReceiveView*>(w))
    return view->windowProc(message, wParam, lParam);
  if (auto* plain = qobject_cast<QPlainTextEdit*>(w))
    return plainEditProc(plain, message, wParam, lParam);
  if (auto* line = qobject_cast<QLineEdit*>(w))
    return lineEditProc(line, message, wParam, lParam);
  if (auto* ip = dynamic_cast<IpAddressWidget*>(w))
    return ipAddressProc(ip, message, lParam);
  return 0;
}

void SetControlText(QWidget* w, const QString& text)
{
  if (w->isWindow())
    w->setWindowTitle(text);
  else if (auto* button = qobject_cast<QAbstractButton*>(w))
    button->setText(text);
  else if (auto* view = dynamic_cast<ReceiveView*>(w))
    view->setText(text);
  else if (auto* multi = dynamic_cast<MultiLineEdit*>(w))
    multi->setText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
  else if (auto* line = qobject_cast<QLineEdit*>(w))
    line->setText(text);
  else if (auto* label = qobject_cast<QLabel*>(w))
    label->setText(text);
  else if (auto* group = qobject_cast<QGroupBox*>(w))
    group->setTitle(text);
}

QString ControlText(const QWidget* w)
{
  if (w->isWindow())
    return w->windowTitle();
  if (auto* button = qobject_cast<const QAbstractButton*>(w))
    return button->text();
  if (auto* view = dynamic_cast<const ReceiveView*>(w))
    return view->text();
  if (auto* plain = qobject_cast<const QPlainTextEdit*>(w))
    return plain->toPlainText().replace(u'\n', QStringLiteral("\r\n"));  // an edit control's line breaks
  if (auto* line = qobject_cast<const QLineEdit*>(w))
    return line->text();
  if (auto* label = qobject_cast<const QLabel*>(w))
    return label->text();
  if (auto* group = qobject_cast<const QGroupBox*>(w))
    return group->title();
  if (auto* ip = dynamic_cast<const IpAddressWidget*>(w)) {
    DWORD a = 0;
    ip->address(&a);
    return QStringLiteral("%1.%2.%3.%4").arg(a >> 24).arg((a >> 16) & 0xFF).arg((a >> 8) & 0xFF).arg(a & 0xFF);
  }
  return {};
}

}  // namespace platform
