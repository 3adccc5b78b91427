// What start-up sets going on the Qt side: the dialogs' face, the keyboard router and the
// accessibility bridge (startup.cpp, keyboard_router.cpp, accessibility.cpp). Never included
// outside platform/.
#pragma once

#include <QFont>
#include <QString>

namespace platform {

// A template's face at a size: asked for by a name the system has, the face's own or another
// name of it (SimSun for 宋体), else by its stand-in first.
QFont DialogFont(const QString& face, int pointSize);

void InstallKeyboardRouter();
void InstallAccessibility();

}  // namespace platform
