// What the platform sets up once a Qt application object exists: the font mapping for the
// dialogs' face and the keyboard routing to PreTranslateMessage. main() and tests call it.
#pragma once

#include "platform/internal/inside.h"

namespace platform {
void InitializeGui();
// SIGTERM, SIGHUP and SIGINT end the program as closing its window does (main() installs it).
void InstallEndSignals();
}  // namespace platform
