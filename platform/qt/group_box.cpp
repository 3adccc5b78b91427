#include "platform/qt/group_box.h"

#include <QPainter>
#include <QStyle>

namespace platform {
namespace {

// A style sheet would draw the same frame at the cost of a style of its own, set up while the
// dialog is built, and of a second face to measure its lengths in.
constexpr int kFrameTop = 8;      // the frame's top edge, below the top of the title
constexpr int kTitleLeft = 6;     // where the gap for the title starts
constexpr int kTitlePadding = 5;  // between the frame's ends and the title's text
const QColor kFrameColor(0x8a, 0x9b, 0xb4);

}  // namespace

GroupBox::GroupBox(const QString& title, QWidget* parent) : QGroupBox(title, parent)
{
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void GroupBox::paintEvent(QPaintEvent*)
{
  QPainter p(this);
  const QString text = title();
  const int textWidth = text.isEmpty() ? 0 : fontMetrics().horizontalAdvance(text);
  const int textHeight = fontMetrics().height();
  const QRect gap(kTitleLeft, 0, text.isEmpty() ? 0 : textWidth + 2 * kTitlePadding, textHeight);
  p.setClipRegion(QRegion(rect()) - gap);
  p.setPen(kFrameColor);
  p.drawRect(0, kFrameTop, width() - 1, height() - kFrameTop - 1);
  p.setClipping(false);
  const QRect textRect(kTitleLeft + kTitlePadding, 0, textWidth, textHeight);
  style()->drawItemText(&p, textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, palette(), isEnabled(),
                        text, QPalette::WindowText);
}

}  // namespace platform
