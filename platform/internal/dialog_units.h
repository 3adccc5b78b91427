// Dialog units to pixels, as the Windows dialog manager converts them; the font they come from is
// the dialog's business.
#pragma once

#include "platform/internal/inside.h"

#include "platform/windef.h"

struct DialogBaseUnits {
  int cx;  // average width of the 52 letters A-Z a-z, rounded as Windows rounds it
  int cy;  // font height
};

// (a * b) / c rounded to the nearest integer, halves away from zero.
int MulDiv(int nNumber, int nNumerator, int nDenominator);
// x and width scale by cx / 4, y and height by cy / 8.
RECT MapDialogRect(const RECT& rc, DialogBaseUnits units);
// From the extent of "A..Za..z" in pixels and the font height.
DialogBaseUnits BaseUnitsFromMetrics(int nAlphabetWidth, int nFontHeight);
