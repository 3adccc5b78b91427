#include "platform/qt/multiline_edit.h"

#include "platform/internal/line_layout.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QTextCursor>

namespace platform {

namespace {

// Longer than any word, short enough that a line never searches far for a break.
constexpr qsizetype kLongestRunForWordWrap = 1024;

bool isBreak(QChar c)
{
  return c.isSpace() || IsCjk(c.unicode());
}

qsizetype longestUnbrokenRun(QStringView text)
{
  qsizetype longest = 0;
  qsizetype run = 0;
  for (QChar c : text) {
    run = isBreak(c) ? 0 : run + 1;
    longest = std::max(longest, run);
  }
  return longest;
}

}  // namespace

MultiLineEdit::MultiLineEdit(QWidget* parent) : QPlainTextEdit(parent)
{
  connect(this, &QPlainTextEdit::textChanged, this, [this] { fitWrapMode(toPlainText()); });
}

void MultiLineEdit::fitWrapMode(QStringView text)
{
  const auto mode = longestUnbrokenRun(text) > kLongestRunForWordWrap ? QTextOption::WrapAnywhere
                                                                      : QTextOption::WrapAtWordBoundaryOrAnywhere;
  if (wordWrapMode() != mode)
    setWordWrapMode(mode);
}

void MultiLineEdit::setText(const QString& text)
{
  fitWrapMode(text);
  setPlainText(text);
}

qsizetype MultiLineEdit::room() const
{
  const qsizetype length = document()->characterCount() - 1;
  const QTextCursor cursor = textCursor();
  return kLimit - length + (cursor.selectionEnd() - cursor.selectionStart());
}

// A key that would type past the limit types nothing, as the platform's edit refuses it.
void MultiLineEdit::keyPressEvent(QKeyEvent* e)
{
  const QString text = e->text();
  const bool types = !text.isEmpty() && text.front().isPrint();
  if (types && text.size() > room())
    return;
  QPlainTextEdit::keyPressEvent(e);
}

void MultiLineEdit::inputMethodEvent(QInputMethodEvent* e)
{
  const QString commit = e->commitString();
  const qsizetype fits = std::max<qsizetype>(room(), 0);
  if (commit.size() <= fits) {
    QPlainTextEdit::inputMethodEvent(e);
    return;
  }
  QInputMethodEvent cut(e->preeditString(), e->attributes());
  cut.setCommitString(commit.left(fits), e->replacementStart(), e->replacementLength());
  QPlainTextEdit::inputMethodEvent(&cut);
}

// A paste or drop is cut at the limit before it reaches the document, so a huge clipboard never
// has to be laid out.
void MultiLineEdit::insertFromMimeData(const QMimeData* source)
{
  if (!source || !source->hasText())
    return;
  const qsizetype fits = std::max<qsizetype>(room(), 0);
  QString text = source->text();
  // Line breaks count once each, as the document holds them.
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  if (text.size() > fits)
    text.truncate(fits);
  if (text.isEmpty())
    return;
  QTextCursor cursor = textCursor();
  const QString all = toPlainText();
  fitWrapMode(QString(all.left(cursor.selectionStart()) + text + all.mid(cursor.selectionEnd())));
  // One undo step per paste, as typing merges but pastes do not.
  cursor.beginEditBlock();
  cursor.insertText(text);
  cursor.endEditBlock();
  setTextCursor(cursor);
  ensureCursorVisible();
}

}  // namespace platform
