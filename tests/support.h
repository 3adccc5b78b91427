// Test support: the harness shared with the benchmarks, and a fixture that gives each test its own
// settings file and a record of every message box.
#pragma once

#include "tests/harness/dialog_driver.h"
#include "tests/harness/peers.h"
#include "tests/harness/recording_layer.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace test {

// The entries of the popup menu that open() brings up, "-" for a separator and, when asked, "!"
// before a disabled one; the entry at nTrigger is chosen, else the menu is closed.
QStringList PopupEntries(const std::function<void()>& open, int nTrigger = -1, bool bMarkDisabled = false);
// A right click, or the menu key when bKeyboard, on the widget (a scroll area's viewport takes it).
void ContextClick(QWidget* w, bool bKeyboard = false);

// True once the other end has closed the connection, waiting for it up to timeoutMs.
bool ClosedByPeer(const Fd& s, int timeoutMs = 3000);

// Each test gets its own settings file and a record of every message box, answered at once.
class DialogTest : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;
  std::string ProfilePath() const;
  // A file of that name in the test's own folder.
  std::string Path(const char* name) const;
  std::unique_ptr<TestDlg> NewDialog();
  // File dialogs answer with this path and filter until the test ends.
  static void AnswerFileDialogs(const std::string& path, DWORD nFilterIndex = 1);
  // Opens the dialog's UDP channel toward a loopback peer made for it (unless a destination port is
  // given) and returns the peer; *pDialogPort is the dialog's local port.
  Fd OpenUdp(TestDlg& dlg, int* pDialogPort, DWORD dwDest = Ip(127, 0, 0, 1), int nDestPort = 0);

  QTemporaryDir m_dir;
  std::vector<std::string> m_boxes;
};

}  // namespace test
