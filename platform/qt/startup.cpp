#include "platform/internal/startup.h"

#include "platform/qt/code_page.h"
#include "platform/qt/startup_qt.h"
#include "platform/resources.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
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

namespace {

// The font database's own spelling of a family it has, or nothing.
QString installedFamily(const QString& name, const QStringList& families)
{
  for (const QString& family : families) {
    if (family.compare(name, Qt::CaseInsensitive) == 0)
      return family;
  }
  return {};
}

// A face the system lacks is asked for by another name of it that is installed, else by its
// stand-in: asked for by its own name, the font database would first sort every installed face
// for the nearest one, a millisecond or more while the first dialog is built, and settle on the
// stand-in all the same.
QString dialogFamily(const QString& face)
{
  const QStringList standIns = QFont::substitutes(face);
  if (standIns.isEmpty() || QFontDatabase::hasFamily(face))
    return face;
  const QStringList families = QFontDatabase::families();
  for (const QString& name : QFont::substitutions()) {
    const QString other = QFont::substitutes(name) == standIns ? installedFamily(name, families) : QString();
    if (!other.isEmpty())
      return other;
  }
  const QString standIn = installedFamily(standIns.constFirst(), families);
  return standIn.isEmpty() ? standIns.constFirst() : standIn;
}

}  // namespace

QFont platform::DialogFont(const QString& face, int pointSize)
{
  QFont font(dialogFamily(face));
  font.setPointSize(pointSize);
  return font;
}
