#include "tests/support.h"

namespace test {

void DialogTest::SetUp()
{
  ASSERT_TRUE(m_dir.isValid());
  App().m_strProfileName = ProfilePath();
  m_boxes.clear();
  platform::SetMessageBoxHook([this](const CString& text) { m_boxes.push_back(text.str()); });
}

void DialogTest::TearDown()
{
  platform::SetMessageBoxHook({});
  App().m_pMainWnd = nullptr;
}

std::string DialogTest::ProfilePath() const
{
  return m_dir.filePath(QStringLiteral("lanspry.ini")).toStdString();
}

std::unique_ptr<TestDlg> DialogTest::NewDialog()
{
  auto dlg = std::make_unique<TestDlg>();
  App().m_pMainWnd = dlg.get();
  EXPECT_TRUE(dlg->Open());
  return dlg;
}

}  // namespace test
