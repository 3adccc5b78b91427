// The platform's file dialog as it opens: sizes, kinds and dates in Chinese whatever the system's
// locale, and the title it is given.
#include "platform/cfiledialog.h"
#include "tests/harness/files.h"

#include <QAbstractItemView>
#include <QAbstractProxyModel>
#include <QApplication>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

TEST(FileDialog, SizesKindsAndDatesReadInChineseUnderTheTitleGiven)
{
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  ASSERT_TRUE(test::WriteBytes(dir.filePath("ten.bin").toStdString(), "0123456789"));
  const std::string folder = dir.path().toStdString();
  CFileDialog dlg(FALSE, "bin", "x.bin", OFN_HIDEREADONLY, "数据 (*.bin)|*.bin||");
  dlg.m_ofn.lpstrInitialDir = folder.c_str();
  dlg.m_ofn.lpstrTitle = "保存为 pcapng: 只保存筛选出的 3 条事件";
  QString title;
  QString size;
  QString date;
  QString kind;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* shown = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!shown)
      return;
    QAbstractItemModel* model = shown->proxyModel();
    const QModelIndex root = shown->findChild<QAbstractItemView*>("listView")->rootIndex();
    for (int row = 0; model && row < model->rowCount(root); ++row) {
      if (model->index(row, 0, root).data().toString() != QStringLiteral("ten.bin"))
        continue;
      title = shown->windowTitle();
      size = model->index(row, 1, root).data().toString();
      kind = model->index(row, 2, root).data().toString();
      date = model->index(row, 3, root).data().toString();
      shown->reject();
    }
  });
  poll.start(20);
  QTimer::singleShot(5000, [] {
    if (QWidget* w = QApplication::activeModalWidget())
      w->close();
  });
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_EQ(title.toStdString(), "保存为 pcapng: 只保存筛选出的 3 条事件");
  EXPECT_EQ(size.toStdString(), "10 字节");
  EXPECT_EQ(kind.toStdString(), "BIN 文件");
  EXPECT_TRUE(date.contains(u'/')) << date.toStdString();
}

}  // namespace
