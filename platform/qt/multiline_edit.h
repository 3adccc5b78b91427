// The multi-line edit control: a plain-text box that, like the platform's edit control, takes at
// most 32767 characters from the user. Text set by the program is not limited; messages to it are
// answered in controls.cpp.
#pragma once

#include <QPlainTextEdit>

namespace platform {

class MultiLineEdit : public QPlainTextEdit {
public:
  static constexpr int kLimit = 32767;

  explicit MultiLineEdit(QWidget* parent);
  // The program's own text: not limited, laid out once.
  void setText(const QString& text);

protected:
  void keyPressEvent(QKeyEvent* e) override;
  void inputMethodEvent(QInputMethodEvent* e) override;
  void insertFromMimeData(const QMimeData* source) override;

private:
  // Wrapping at word boundaries costs the square of a run of characters without any: each line
  // searches the whole rest of the run for one before breaking it anywhere. Such a run never
  // has a word to keep whole, so wrapping anywhere gives the same lines at a linear cost.
  void fitWrapMode(QStringView text);

  // How many more characters the user may put in, counting what a selection would give back.
  qsizetype room() const;
};

}  // namespace platform
