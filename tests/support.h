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

// Each test gets its own settings file and a record of every message box, answered at once.
class DialogTest : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;
  std::string ProfilePath() const;
  std::unique_ptr<TestDlg> NewDialog();

  QTemporaryDir m_dir;
  std::vector<std::string> m_boxes;
};

}  // namespace test
