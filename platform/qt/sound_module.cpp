// The cue player, built apart as a module so that Qt Multimedia and the audio libraries under it
// are loaded when the first cue plays rather than at every start.
#include <QCoreApplication>
#include <QPointer>
#include <QSoundEffect>
#include <QString>
#include <QUrl>

#include <map>

extern "C" __attribute__((visibility("default"))) bool lanspry_play_sound(const char* resourcePath)
{
  // Effects belong to the application object, so they go before Qt Multimedia does at exit.
  static std::map<QString, QPointer<QSoundEffect>> effects;
  if (!qApp || !resourcePath)
    return false;
  const QString path = QString::fromUtf8(resourcePath);
  QPointer<QSoundEffect>& effect = effects[path];
  if (!effect) {
    effect = new QSoundEffect(qApp);
    effect->setSource(QUrl(QStringLiteral("qrc") + path));
  }
  // A cue still playing is cut off by the new one; without an audio device it stays silent.
  effect->stop();
  effect->play();
  return true;
}
