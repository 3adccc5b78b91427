// PlaySound: WAVE resources played through Qt Multimedia.
#include "platform/resources.h"
#include "platform/winapi.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSoundEffect>
#include <QUrl>

#include <map>
#include <memory>

namespace {
int g_playedSounds = 0;

// Effects belong to the application object, so they go before Qt Multimedia does at exit.
QSoundEffect* effectFor(UINT id)
{
  static std::map<UINT, QPointer<QSoundEffect>> effects;
  QPointer<QSoundEffect>& slot = effects[id];
  if (slot)
    return slot;
  const BinaryResource* r = AfxFindBinaryResource("WAVE", id);
  if (!r || !qApp)
    return nullptr;
  slot = new QSoundEffect(qApp);
  slot->setSource(QUrl(QStringLiteral("qrc") + QString::fromUtf8(r->path)));
  return slot;
}
}  // namespace

int platform::PlayedSoundCount()
{
  return g_playedSounds;
}

// Plays a WAVE resource without waiting; a cue still playing is cut off by the new one. Without
// an audio device the effect stays silent.
BOOL PlaySound(LPCTSTR pszSound, HINSTANCE, DWORD fdwSound)
{
  if ((fdwSound & SND_RESOURCE) != SND_RESOURCE)
    return FALSE;
  QSoundEffect* effect = effectFor(static_cast<UINT>(reinterpret_cast<std::uintptr_t>(pszSound)));
  if (!effect)
    return FALSE;
  ++g_playedSounds;
  effect->stop();
  effect->play();
  return TRUE;
}
