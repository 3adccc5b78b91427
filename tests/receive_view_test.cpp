// The receive display as a widget: text in and out, wrapping, scrolling, selection and copying.
#include "platform/qt/receive_view.h"
#include "platform/qt/controls.h"
#include "platform/winapi.h"

#include <QApplication>
#include <QClipboard>
#include <QTest>

#include <gtest/gtest.h>

namespace {

TEST(ReceiveView, TextInIsTextOut)
{
  platform::ReceiveView view(nullptr);
  view.resize(300, 200);
  const QString text = QStringLiteral("abc\r\n中文\x01 \xFFFD end");
  view.setText(text);
  EXPECT_EQ(view.text(), text);
}

TEST(ReceiveView, WrapsHexAtGroupsAndScrollsByLines)
{
  platform::ReceiveView view(nullptr);
  view.resize(240, 120);
  view.show();
  QString hex;
  for (int i = 0; i < 3000; ++i)
    hex += QStringLiteral("%1 ").arg(i % 256, 2, 16, QLatin1Char('0')).toUpper();
  view.setText(hex);
  const int lines = static_cast<int>(platform::ControlWindowProc(&view, EM_GETLINECOUNT, 0, 0));
  ASSERT_GT(lines, 10);
  int total = 0;
  for (int i = 0; i < lines; ++i) {
    const QString line = view.lineText(i);
    EXPECT_EQ(line.size() % 3 == 0 || i == lines - 1 || line.endsWith(u' '), true);
    total += static_cast<int>(line.size());
  }
  EXPECT_EQ(total, hex.size());  // nothing lost, nothing doubled
  EXPECT_TRUE(view.lineText(0).startsWith(QStringLiteral("00 01 ")));
  platform::ControlWindowProc(&view, EM_LINESCROLL, 0, lines);
  EXPECT_EQ(view.firstVisibleLine() + view.visibleLineCount(), lines);
  EXPECT_TRUE(view.lineText(lines - 1).endsWith(QStringLiteral("B7 ")));  // 2999 % 256 = 0xB7
}

TEST(ReceiveView, WrapsChineseAndVeryLongWords)
{
  platform::ReceiveView view(nullptr);
  view.resize(200, 100);
  view.show();
  const QString chinese = QString(200, QChar(0x4E2D));
  view.setText(chinese);
  const int lines = view.lineCount();
  EXPECT_GT(lines, 5);
  QString joined;
  for (int i = 0; i < lines; ++i)
    joined += view.lineText(i);
  EXPECT_EQ(joined, chinese);
  const QString word(5000, u'x');
  view.setText(word + QStringLiteral("\nnext"));
  EXPECT_GT(view.lineCount(), 10);
  EXPECT_EQ(view.lineText(view.lineCount() - 1), QStringLiteral("next"));
}

TEST(ReceiveView, SelectsAndCopies)
{
  platform::ReceiveView view(nullptr);
  view.resize(300, 100);
  view.show();
  view.setText(QStringLiteral("hello 世界"));
  platform::ControlWindowProc(&view, EM_SETSEL, 6, -1);
  EXPECT_EQ(view.selectedText(), QStringLiteral("世界"));
  platform::ControlWindowProc(&view, WM_COPY, 0, 0);
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("世界"));
  view.setFocus();
  QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("hello 世界"));
  // A drag with the mouse selects what it passes over.
  QTest::mousePress(view.viewport(), Qt::LeftButton, {}, QPoint(1, 5));
  QTest::mouseMove(view.viewport(), QPoint(290, 5));
  QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, QPoint(290, 5));
  EXPECT_EQ(view.selectedText(), QStringLiteral("hello 世界"));
}

}  // namespace
