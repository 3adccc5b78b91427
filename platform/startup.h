// What the platform sets up once a Qt application object exists: the font mapping for the
// dialogs' face and the keyboard routing to PreTranslateMessage. main() and tests call it.
#pragma once

namespace platform {
void InitializeGui();
}
