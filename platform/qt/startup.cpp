#include "platform/startup.h"

#include "platform/qt/qt_private.h"

#include <QFont>

void platform::InitializeGui()
{
  // The dialogs ask for SimSun; a Simplified Chinese serif face stands in for it whatever the
  // locale, so Chinese never falls back to Japanese glyph variants.
  const QStringList serif{QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC")};
  QFont::insertSubstitutions(QStringLiteral("宋体"), serif);
  QFont::insertSubstitutions(QStringLiteral("SimSun"), serif);
  InstallKeyboardRouter();
  InstallAccessibility();
}
