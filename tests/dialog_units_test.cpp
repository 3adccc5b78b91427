// Dialog units as the dialog manager converts them.
#include "platform/internal/dialog_units.h"

#include <gtest/gtest.h>

namespace {

TEST(DialogUnits, ConvertAsTheDialogManagerDoes)
{
  // 8 pt SimSun-like metrics: alphabet 312 px wide, 12 px high -> base units 6 x 12.
  const DialogBaseUnits units = BaseUnitsFromMetrics(312, 12);
  EXPECT_EQ(units.cx, 6);
  EXPECT_EQ(units.cy, 12);
  // The toggle button at 24,144 47x15: x 24*6/4 = 36, y 144*12/8 = 216, right 71*6/4 = 106.5 -> 107.
  const RECT r = MapDialogRect({24, 144, 24 + 47, 144 + 15}, units);
  EXPECT_EQ(r.left, 36);
  EXPECT_EQ(r.top, 216);
  EXPECT_EQ(r.right, 107);
  EXPECT_EQ(r.bottom, 239);  // 159 * 12 / 8 = 238.5 -> 239
  EXPECT_EQ(MulDiv(-3, 3, 2), -5);
  EXPECT_EQ(MulDiv(7, 1, 0), -1);
}

}  // namespace
