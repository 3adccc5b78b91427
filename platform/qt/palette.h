// The colours SetDialogBkColor chose, on a dialog or message box (palette.cpp). Never included
// outside platform/.
#pragma once

class QWidget;

namespace platform {

void ApplyDialogPalette(QWidget* w);

}  // namespace platform
