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

#include <memory>
#include <string>
#include <vector>

namespace test {

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
