#include "platform/qt/ipaddress_widget.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

namespace {
constexpr int kFieldMax = 255;

bool isDigitText(const QString& s)
{
  return !s.isEmpty() && std::all_of(s.begin(), s.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}
}  // namespace

namespace platform {

IpAddressWidget::IpAddressWidget(QWidget* parent) : QFrame(parent)
{
  setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  setBackgroundRole(QPalette::Base);
  setAutoFillBackground(true);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(2, 1, 2, 1);
  layout->setSpacing(0);
  auto* validator = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), this);
  for (int i = 0; i < 4; ++i) {
    auto* f = new QLineEdit(this);
    f->setFrame(false);
    f->setAlignment(Qt::AlignCenter);
    f->setMaxLength(3);
    f->setValidator(validator);
    f->setFocusPolicy(i == 0 ? Qt::StrongFocus : Qt::ClickFocus);
    f->installEventFilter(this);
    connect(f, &QLineEdit::textEdited, this, [this, i] { onEdited(i); });
    m_fields[static_cast<std::size_t>(i)] = f;
    layout->addWidget(f, 1);
    if (i < 3) {
      auto* dot = new QLabel(QStringLiteral("."), this);
      dot->setBackgroundRole(QPalette::Base);
      layout->addWidget(dot, 0);
    }
  }
  setFocusProxy(m_fields[0]);
}

int IpAddressWidget::address(DWORD* pAddress) const
{
  int filled = 0;
  DWORD value = 0;
  for (QLineEdit* f : m_fields) {
    value <<= 8;
    if (f->text().isEmpty())
      continue;
    ++filled;
    value |= static_cast<DWORD>(std::min(f->text().toInt(), kFieldMax));
  }
  if (pAddress)
    *pAddress = value;
  return filled;
}

QString IpAddressWidget::dottedAddress() const
{
  DWORD a = 0;
  address(&a);
  return QStringLiteral("%1.%2.%3.%4").arg(a >> 24).arg((a >> 16) & 0xFF).arg((a >> 8) & 0xFF).arg(a & 0xFF);
}

void IpAddressWidget::setAddress(DWORD address)
{
  for (int i = 0; i < 4; ++i)
    m_fields[static_cast<std::size_t>(i)]->setText(QString::number((address >> (24 - 8 * i)) & 0xFF));
}

void IpAddressWidget::clear()
{
  for (QLineEdit* f : m_fields)
    f->clear();
}

bool IpAddressWidget::isBlank() const
{
  return std::all_of(m_fields.begin(), m_fields.end(), [](QLineEdit* f) { return f->text().isEmpty(); });
}

int IpAddressWidget::indexOf(const QObject* o) const
{
  for (int i = 0; i < 4; ++i) {
    if (m_fields[static_cast<std::size_t>(i)] == o)
      return i;
  }
  return -1;
}

// Leaving a field for another: the one left is held to 0-255, the one entered shows its caret at
// its start or end, or has all its text selected.
void IpAddressWidget::moveTo(int from, int to, Entry entry)
{
  if (to < 0 || to > 3)
    return;
  clampField(from);
  QLineEdit* f = m_fields[static_cast<std::size_t>(to)];
  f->setFocus(Qt::OtherFocusReason);
  switch (entry) {
  case Entry::AtStart:
    f->home(false);
    break;
  case Entry::AtEnd:
    f->end(false);
    break;
  case Entry::SelectAll:
    f->selectAll();
    break;
  }
}

void IpAddressWidget::clampField(int i)
{
  if (i < 0 || i > 3)
    return;
  QLineEdit* f = m_fields[static_cast<std::size_t>(i)];
  if (f->text().toInt() > kFieldMax)
    f->setText(QString::number(kFieldMax));
}

// A field that takes its third digit hands the typing on to the next field.
void IpAddressWidget::onEdited(int i)
{
  QLineEdit* f = m_fields[static_cast<std::size_t>(i)];
  if (f->text().size() == 3 && f->cursorPosition() == 3 && i < 3)
    moveTo(i, i + 1, Entry::SelectAll);
}

// A dotted address pasted anywhere fills all four fields; digits alone go into the field.
bool IpAddressWidget::pasteAddress(int i)
{
  const QString text = QApplication::clipboard()->text().trimmed();
  const QStringList parts = text.split(u'.');
  if (parts.size() == 4 &&
      std::all_of(parts.begin(), parts.end(), [](const QString& p) { return isDigitText(p) && p.size() <= 3; })) {
    for (int k = 0; k < 4; ++k)
      m_fields[static_cast<std::size_t>(k)]->setText(QString::number(std::min(parts[k].toInt(), kFieldMax)));
    moveTo(i, 3, Entry::AtEnd);
    return true;
  }
  if (isDigitText(text)) {
    QLineEdit* f = m_fields[static_cast<std::size_t>(i)];
    f->insert(text.left(3));
    onEdited(i);
  }
  return true;
}

// A '.' or space ends a field only once something has been typed into it and the caret stands
// after it; otherwise the key is ignored, so a habitual '.' after a third digit does no harm.
bool IpAddressWidget::canLeaveWithSeparator(const QLineEdit* f)
{
  return !f->text().isEmpty() && !f->hasSelectedText() && f->cursorPosition() > 0;
}

bool IpAddressWidget::eventFilter(QObject* watched, QEvent* e)
{
  const int i = indexOf(watched);
  if (i >= 0 && e->type() == QEvent::FocusOut)
    clampField(i);
  if (i < 0 || e->type() != QEvent::KeyPress)
    return QFrame::eventFilter(watched, e);
  auto* ke = static_cast<QKeyEvent*>(e);
  QLineEdit* f = m_fields[static_cast<std::size_t>(i)];
  if (ke->matches(QKeySequence::Paste))
    return pasteAddress(i);
  const bool atStart = f->cursorPosition() == 0 && !f->hasSelectedText();
  const bool atEnd = f->cursorPosition() == f->text().size() && !f->hasSelectedText();
  const bool shift = ke->modifiers() & Qt::ShiftModifier;
  switch (ke->key()) {
  case Qt::Key_Backspace:
    if (atStart && i > 0) {
      moveTo(i, i - 1, Entry::AtEnd);
      return true;
    }
    return false;
  case Qt::Key_Left:
    if (atStart && !shift && i > 0) {
      moveTo(i, i - 1, Entry::AtEnd);
      return true;
    }
    return false;
  case Qt::Key_Right:
    if (atEnd && !shift && i < 3) {
      moveTo(i, i + 1, Entry::AtStart);
      return true;
    }
    return false;
  default:
    break;
  }
  const QString text = ke->text();
  if (text.isEmpty() || !text[0].isPrint() || (ke->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
    return false;
  if (text == QStringLiteral(".") || text == QStringLiteral(" ")) {
    if (canLeaveWithSeparator(f) && i < 3)
      moveTo(i, i + 1, Entry::SelectAll);
    return true;
  }
  if (!isDigitText(text))
    return true;
  // A full field passes the digit on to the next one.
  if (f->text().size() == 3 && atEnd && i < 3) {
    moveTo(i, i + 1, Entry::SelectAll);
    QLineEdit* next = m_fields[static_cast<std::size_t>(i + 1)];
    next->insert(text);
    onEdited(i + 1);
    return true;
  }
  return false;
}

}  // namespace platform
