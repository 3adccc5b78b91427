// Dialog data exchange: a field that holds no integer.
#include "tests/support.h"

#include <QApplication>
#include <QLineEdit>

namespace {

using test::DialogTest;
using test::Ip;

class DataExchange : public DialogTest {};

TEST_F(DataExchange, NonIntegerShowsThePromptAndStopsThere)
{
  auto dlg = NewDialog();
  dlg->m_nSentBytes = 11;
  dlg->m_nRecvBytes = 22;
  dlg->SetText(IDC_LOCAL_PORT, " 901 ");
  dlg->SetText(IDC_DEST_PORT, "80x");
  dlg->SetText(IDC_SENT_COUNT, "5");
  dlg->SetText(IDC_RECV_COUNT, "6");
  EXPECT_FALSE(dlg->UpdateData(TRUE));
  EXPECT_EQ(m_boxes, std::vector<std::string>{"请输入一个整数。"});
  EXPECT_EQ(dlg->m_nLocalPort, 901);
  EXPECT_EQ(dlg->m_nSentBytes, 11);  // after the failing one: untouched
  EXPECT_EQ(dlg->m_nRecvBytes, 22);
  EXPECT_EQ(dlg->widget()->focusWidget(), dlg->W(IDC_DEST_PORT));
  dlg->SetText(IDC_DEST_PORT, "-2147483648");
  EXPECT_TRUE(dlg->UpdateData(TRUE));
  EXPECT_EQ(dlg->m_nDestPort, INT32_MIN);
  EXPECT_EQ(dlg->m_nSentBytes, 5);
  dlg->SetText(IDC_DEST_PORT, "2147483648");
  EXPECT_FALSE(dlg->UpdateData(TRUE));
}

}  // namespace
