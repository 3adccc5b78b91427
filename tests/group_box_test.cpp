// The group box and the dialogs' face, drawn and chosen by the stand-in.
#include "platform/qt/group_box.h"
#include "platform/qt/code_page.h"
#include "platform/qt/startup_qt.h"
#include "platform/resources.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>

#include <gtest/gtest.h>

namespace {

const QRgb kFrame = qRgb(0x8a, 0x9b, 0xb4);

// A thin frame whose top edge runs through the title's middle, broken where the title sits.
TEST(GroupBox, FramesItsAreaWithTheTitleInAGap)
{
  QWidget dialog;
  dialog.setFont(platform::DialogFont(platform::fromCodePage(kDialogFace), 9));
  platform::GroupBox box(QStringLiteral("计数"), &dialog);
  box.setGeometry(0, 0, 100, 60);
  const QImage image = box.grab().toImage().convertToFormat(QImage::Format_RGB32);
  const int gapEnd = 6 + box.fontMetrics().horizontalAdvance(box.title()) + 10;
  for (int y = 8; y < 60; ++y) {
    EXPECT_EQ(image.pixel(0, y), kFrame) << y;
    EXPECT_EQ(image.pixel(99, y), kFrame) << y;
  }
  for (int x = 0; x < 100; ++x) {
    EXPECT_EQ(image.pixel(x, 59), kFrame) << x;
    EXPECT_EQ(image.pixel(x, 8) == kFrame, x < 6 || x >= gapEnd) << x;
  }
  int ink = 0;
  for (int y = 0; y < 12; ++y) {
    for (int x = 11; x < gapEnd - 5; ++x)
      ink += qGray(image.pixel(x, y)) < 128;
  }
  EXPECT_GT(ink, 20);
  EXPECT_TRUE(box.testAttribute(Qt::WA_TransparentForMouseEvents));
}

// A face the system has is asked for by its name; one it lacks goes straight to its stand-in, or
// to another installed name of the same face.
TEST(DialogFace, InstalledNameElseStandIn)
{
  ASSERT_TRUE(QFontDatabase::hasFamily(QStringLiteral("DejaVu Sans")));
  EXPECT_EQ(QFontInfo(platform::DialogFont(platform::fromCodePage(kDialogFace), 9)).family(),
            QStringLiteral("AR PL UMing CN"));
  EXPECT_EQ(platform::DialogFont(platform::fromCodePage(kDialogFace), 9).families(),
            QStringList{QStringLiteral("AR PL UMing CN")});
  EXPECT_EQ(platform::DialogFont(QStringLiteral("Lanspry Face"), 11).families(),
            QStringList{QStringLiteral("Lanspry Face")});
  QFont::insertSubstitution(QStringLiteral("DejaVu Sans"), QStringLiteral("AR PL UMing CN"));
  QFont::insertSubstitution(QStringLiteral("Lanspry Face"), QStringLiteral("AR PL UMing CN"));
  const QFont installed = platform::DialogFont(QStringLiteral("DejaVu Sans"), 9);
  const QFont otherName = platform::DialogFont(QStringLiteral("Lanspry Face"), 11);
  QFont::removeSubstitutions(QStringLiteral("DejaVu Sans"));
  QFont::removeSubstitutions(QStringLiteral("Lanspry Face"));
  EXPECT_EQ(installed.families(), QStringList{QStringLiteral("DejaVu Sans")});
  EXPECT_EQ(otherName.families(), QStringList{QStringLiteral("DejaVu Sans")});
  EXPECT_EQ(otherName.pointSize(), 11);
}

}  // namespace
