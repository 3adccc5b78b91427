#include "platform/internal/dialog_units.h"

#include <cstdint>

int MulDiv(int nNumber, int nNumerator, int nDenominator)
{
  if (nDenominator == 0)
    return -1;
  const std::int64_t product = static_cast<std::int64_t>(nNumber) * nNumerator;
  const std::int64_t half = (nDenominator < 0 ? -nDenominator : nDenominator) / 2;
  const std::int64_t rounded = (product < 0) == (nDenominator < 0) ? product + half * (nDenominator < 0 ? -1 : 1)
                                                                   : product - half * (nDenominator < 0 ? -1 : 1);
  return static_cast<int>(rounded / nDenominator);
}

RECT MapDialogRect(const RECT& rc, DialogBaseUnits units)
{
  return {MulDiv(rc.left, units.cx, 4), MulDiv(rc.top, units.cy, 8), MulDiv(rc.right, units.cx, 4),
          MulDiv(rc.bottom, units.cy, 8)};
}

DialogBaseUnits BaseUnitsFromMetrics(int nAlphabetWidth, int nFontHeight)
{
  return {(nAlphabetWidth / 26 + 1) / 2, nFontHeight};
}
