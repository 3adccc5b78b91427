#include "platform/qt/controls.h"
#include "platform/commctrl.h"
#include "platform/cwinapp.h"
#include "platform/qt/code_page.h"
#include "platform/qt/edit_menu.h"
#include "platform/qt/group_box.h"
#include "platform/qt/ipaddress_widget.h"
#include "platform/qt/list_view.h"
#include "platform/qt/multiline_edit.h"
#include "platform/qt/receive_view.h"
#include "platform/qt/window_glue.h"
#include "platform/resources.h"
#include "platform/winapi.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTextCursor>

#include <string_view>

namespace platform {
namespace {

constexpr const char* kNamesProperty = "lanspryNames";

constexpr const char* kSortedProperty = "lanspry_sorted";

QWidget* createButton(QWidget* parent, DWORD style, const QString& text)
{
  switch (style & BS_TYPEMASK) {
  case BS_AUTOCHECKBOX:
    return new QCheckBox(text, parent);
  case BS_AUTORADIOBUTTON:
    return new QRadioButton(text, parent);
  case BS_GROUPBOX:
    return new GroupBox(text, parent);
  default:
    return new QPushButton(text, parent);
  }
}

QWidget* createEdit(QWidget* parent, DWORD style)
{
  if (!(style & ES_MULTILINE)) {
    auto* edit = new QLineEdit(parent);
    edit->setMaxLength(32767);
    if (style & ES_NUMBER)
      edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    UsePlatformEditMenu(edit);
    return edit;
  }
  // A read-only multi-line edit shows received data: a view that takes a whole new text at once
  // and lays out only the lines in sight. It inherits the dialog's face, whose fixed-pitch ASCII
  // lines hex dumps up.
  if (style & ES_READONLY)
    return new ReceiveView(parent);
  auto* edit = new MultiLineEdit(parent);
  UsePlatformEditMenu(edit);
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
  // Left-aligned text breaks between words onto the next line; a vertically centred label is one line.
  label->setWordWrap((style & SS_TYPEMASK) == SS_LEFT && !(style & SS_CENTERIMAGE));
  return label;
}

QWidget* createCombo(QWidget* parent, DWORD style)
{
  auto* combo = new QComboBox(parent);
  // A drop-down (not a drop-down list) takes typed text as well as a choice.
  combo->setEditable((style & CBS_TYPEMASK) == CBS_DROPDOWN);
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
  // At the index asked for, sorted list or not; -1 appends.
  case CB_INSERTSTRING: {
    const auto index = static_cast<int>(static_cast<std::intptr_t>(wParam));
    if (index > c->count())
      return CB_ERR;
    const int at = index < 0 ? c->count() : index;
    const int selected = c->currentIndex();
    c->insertItem(at, fromCodePage(reinterpret_cast<const char*>(lParam)));
    c->setCurrentIndex(selected >= at ? selected + 1 : selected);
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

// The desktop's monospace face at the dialog's size; the only font a control is given.
void setFixedFont(QWidget* w)
{
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPointSizeF(w->font().pointSizeF());
  w->setFont(font);
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
    const TextRange range = SelectionRange(wParam, lParam, e->document()->characterCount() - 1);
    QTextCursor cursor = e->textCursor();
    cursor.setPosition(range.anchor);
    cursor.setPosition(range.caret, QTextCursor::KeepAnchor);
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
  default:
    return clipboardProc(e, message);
  }
}

LRESULT lineEditProc(QLineEdit* e, UINT message, WPARAM wParam, LPARAM lParam)
{
  switch (message) {
  case EM_SETSEL: {
    const TextRange range = SelectionRange(wParam, lParam, static_cast<int>(e->text().size()));
    e->setSelection(range.anchor, range.caret - range.anchor);
    return 0;
  }
  case EM_GETLINECOUNT:
    return 1;
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
  // An edit starts with its template's text, as the dialog manager gives it.
  if (cls == "Edit") {
    QWidget* edit = createEdit(parent, style);
    if (!text.isEmpty())
      SetControlText(edit, text);
    return edit;
  }
  if (cls == "Static")
    return createStatic(parent, style, text);
  if (cls == "ComboBox")
    return createCombo(parent, style);
  if (cls == "SysIPAddress32")
    return new IpAddressWidget(parent);
  if (cls == "msctls_progress32") {
    auto* progress = new QProgressBar(parent);
    progress->setRange(0, 100);
    progress->setValue(0);
    progress->setTextVisible(false);
    return progress;
  }
  if (cls == "SysListView32") {
    auto* list = new ListView(parent);
    if (style & LVS_SINGLESEL)
      list->setSelectionMode(QAbstractItemView::SingleSelection);
    return list;
  }
  return nullptr;
}

namespace {

template <typename... Handlers>
struct Overloaded : Handlers... {
  using Handlers::operator()...;
};

// The one place that tells the kinds of control apart: calls the handler for the most specific
// kind the widget is; a generic handler takes every kind the caller has nothing to do with.
template <typename Visitor>
auto visitControl(QWidget* w, Visitor&& visit)
{
  if (auto* button = qobject_cast<QAbstractButton*>(w))
    return visit(button);
  if (auto* combo = qobject_cast<QComboBox*>(w))
    return visit(combo);
  if (auto* view = dynamic_cast<ReceiveView*>(w))
    return visit(view);
  if (auto* list = dynamic_cast<ListView*>(w))
    return visit(list);
  if (auto* multi = dynamic_cast<MultiLineEdit*>(w))
    return visit(multi);
  if (auto* line = qobject_cast<QLineEdit*>(w))
    return visit(line);
  if (auto* ip = dynamic_cast<IpAddressWidget*>(w))
    return visit(ip);
  if (auto* label = qobject_cast<QLabel*>(w))
    return visit(label);
  if (auto* group = qobject_cast<QGroupBox*>(w))
    return visit(group);
  if (auto* progress = qobject_cast<QProgressBar*>(w))
    return visit(progress);
  return visit(w);
}

LRESULT progressProc(QProgressBar* progress, UINT message, WPARAM wParam, LPARAM lParam)
{
  switch (message) {
  case PBM_SETRANGE32:
    progress->setRange(static_cast<int>(wParam), static_cast<int>(lParam));
    return 0;
  case PBM_SETPOS: {
    const int previous = progress->value();
    progress->setValue(static_cast<int>(wParam));
    return previous;
  }
  case PBM_GETPOS:
    return progress->value();
  default:
    return 0;
  }
}

LRESULT receiveViewProc(ReceiveView* view, UINT message, WPARAM wParam, LPARAM lParam)
{
  switch (message) {
  case EM_GETLINECOUNT:
    return view->lineCount();
  case EM_LINESCROLL:
    view->scrollByLines(static_cast<int>(lParam));
    return TRUE;
  case EM_SETSEL: {
    const TextRange range = SelectionRange(wParam, lParam, static_cast<int>(view->text().size()));
    view->setSelection(range.anchor, range.caret);
    return 0;
  }
  case EM_SCROLLCARET:
    view->scrollToPosition(view->caret());
    return TRUE;
  case WM_COPY:
    view->copy();
    return 0;
  default:
    return 0;
  }
}

LRESULT listViewProc(ListView* list, UINT message, WPARAM wParam, LPARAM lParam)
{
  switch (message) {
  case LVM_INSERTCOLUMN: {
    const auto* column = reinterpret_cast<const LVCOLUMN*>(lParam);
    if (!column)
      return -1;
    const int at = static_cast<int>(wParam);
    list->insertColumn(at, fromCodePage(column->mask & LVCF_TEXT ? column->pszText : ""),
                       column->mask & LVCF_WIDTH ? column->cx : 80);
    return at;
  }
  case LVM_SETITEMCOUNT:
    list->setRowCount(static_cast<int>(wParam), (lParam & LVSICF_NOSCROLL) != 0);
    return TRUE;
  case LVM_GETNEXTITEM: {
    const int after = static_cast<int>(static_cast<std::intptr_t>(wParam));
    if (lParam & LVNI_SELECTED)
      return list->nextSelected(after);
    return after + 1 < list->ownerData()->rowCount() ? after + 1 : -1;
  }
  case LVM_GETSELECTEDCOUNT:
    return list->selectedCount();
  case LVM_SETITEMSTATE: {
    const auto* item = reinterpret_cast<const LVITEM*>(lParam);
    if (!item || !(item->stateMask & LVIS_SELECTED))
      return FALSE;
    list->setSelected(static_cast<int>(static_cast<std::intptr_t>(wParam)), (item->state & LVIS_SELECTED) != 0);
    return TRUE;
  }
  case LVM_GETCOLUMNWIDTH:
    return list->columnWidth(static_cast<int>(wParam));
  case LVM_SETCOLUMNWIDTH:
    list->setColumnWidth(static_cast<int>(wParam), static_cast<int>(lParam));
    return TRUE;
  case LVM_DELETEFIRSTITEMS:
    list->removeFirstRows(static_cast<int>(wParam));
    return TRUE;
  case LVM_GETITEMCOUNT:
    return list->ownerData()->rowCount();
  case LVM_ENSUREVISIBLE: {
    const int row = static_cast<int>(wParam);
    if (row < 0 || row >= list->ownerData()->rowCount())
      return FALSE;
    list->ensureVisible(row);
    return TRUE;
  }
  case LVM_GETTOPINDEX:
    return list->topIndex();
  case LVM_GETCOUNTPERPAGE:
    return list->countPerPage();
  case WM_COPY:
    list->copy();
    return 0;
  default:
    return 0;
  }
}

LRESULT buttonProc(QAbstractButton* button, UINT message, WPARAM wParam)
{
  if (message == BM_GETCHECK)
    return button->isChecked() ? BST_CHECKED : BST_UNCHECKED;
  if (message == BM_SETCHECK) {
    const QSignalBlocker quiet(button);  // the program's own change is no click
    button->setChecked(wParam == BST_CHECKED);
  }
  return 0;
}

}  // namespace

LRESULT ControlWindowProc(QWidget* w, UINT message, WPARAM wParam, LPARAM lParam)
{
  if (message == WM_SETFONT) {
    if (reinterpret_cast<HGDIOBJ>(wParam) == GetStockObject(ANSI_FIXED_FONT))
      setFixedFont(w);
    return 0;
  }
  return visitControl(w, Overloaded{
                             [&](QAbstractButton* button) { return buttonProc(button, message, wParam); },
                             [&](QComboBox* combo) { return comboProc(combo, message, wParam, lParam); },
                             [&](ReceiveView* view) { return receiveViewProc(view, message, wParam, lParam); },
                             [&](ListView* list) { return listViewProc(list, message, wParam, lParam); },
                             [&](MultiLineEdit* multi) { return plainEditProc(multi, message, wParam, lParam); },
                             [&](QLineEdit* line) { return lineEditProc(line, message, wParam, lParam); },
                             [&](IpAddressWidget* ip) { return ipAddressProc(ip, message, lParam); },
                             [&](QProgressBar* progress) { return progressProc(progress, message, wParam, lParam); },
                             [](auto*) { return LRESULT{0}; },
                         });
}

void SetControlText(QWidget* w, const QString& text)
{
  if (w->isWindow()) {
    w->setWindowTitle(text);
    return;
  }
  visitControl(w, Overloaded{
                      [&](QAbstractButton* button) { button->setText(text); },
                      [&](QComboBox* combo) {
                        if (combo->isEditable())
                          combo->setEditText(text);
                      },
                      [&](ReceiveView* view) { view->setText(text); },
                      // An edit control's line breaks are CR LF; the document's are LF.
                      [&](MultiLineEdit* multi) {
                        multi->setText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
                      },
                      [&](QLineEdit* line) { line->setText(text); },
                      [&](QLabel* label) { label->setText(text); },
                      [&](QGroupBox* group) { group->setTitle(text); },
                      [](auto*) {},
                  });
  if (auto* named = qobject_cast<QWidget*>(w->property(kNamesProperty).value<QObject*>()))
    named->setAccessibleName(text);
}

void NameByLabel(QWidget* label, QWidget* named)
{
  label->setProperty(kNamesProperty, QVariant::fromValue<QObject*>(named));
}

QString ControlText(const QWidget* w)
{
  if (w->isWindow())
    return w->windowTitle();
  return visitControl(const_cast<QWidget*>(w), Overloaded{
                                                   [](QAbstractButton* button) { return button->text(); },
                                                   [](QComboBox* combo) { return combo->currentText(); },
                                                   [](ReceiveView* view) { return view->text(); },
                                                   [](MultiLineEdit* multi) {
                                                     return multi->toPlainText().replace(u'\n', QStringLiteral("\r\n"));
                                                   },
                                                   [](QLineEdit* line) { return line->text(); },
                                                   [](IpAddressWidget* ip) { return ip->dottedAddress(); },
                                                   [](QLabel* label) { return label->text(); },
                                                   [](QGroupBox* group) { return group->title(); },
                                                   [](auto*) { return QString(); },
                                               });
}

}  // namespace platform
