#include "platform/startup.h"

#include "platform/qt/qt_private.h"
#include "platform/resources.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QTranslator>

namespace {
const QString kSimSunStandIn = QStringLiteral("AR PL UMing CN");
}

void platform::InitializeGui()
{
  // The dialogs ask for SimSun (宋体). AR PL UMing CN is a Song face like it, with its metrics at
  // 9 points: 12 pixels high, ASCII fixed-pitch 6 pixels wide, so the templates come out at the
  // size they were laid out for; its Simplified Chinese glyphs are used whatever the locale.
  QFont::insertSubstitution(platform::fromCodePage(kDialogFace), kSimSunStandIn);
  QFont::insertSubstitution(QStringLiteral("SimSun"), kSimSunStandIn);
  // Qt's own texts (standard dialogs, buttons) in Chinese as the program's are, whatever the locale.
  static QTranslator* qtTexts = nullptr;
  if (!qtTexts && qApp) {
    qtTexts = new QTranslator(qApp);
    if (qtTexts->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
      QCoreApplication::installTranslator(qtTexts);
  }
  InstallKeyboardRouter();
  InstallAccessibility();
}
