// PlaySound: WAVE resources played by the cue player module, loaded with the first cue.
#include "platform/resources.h"
#include "platform/winapi.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibrary>
#include <QStringList>

namespace {
int g_playedSounds = 0;
using PlayFn = bool (*)(const char*);

// Beside the program (the build), one folder up (tests and benchmarks), or where an install under
// any prefix puts it beside the program's folder.
PlayFn loadPlayer()
{
  static QLibrary library;
  const QString dir = QCoreApplication::applicationDirPath();
  const QStringList places{dir + QStringLiteral("/" LANSPRY_SOUND_MODULE),
                           dir + QStringLiteral("/../" LANSPRY_SOUND_MODULE),
                           dir + QStringLiteral("/../" LANSPRY_SOUND_MODULE_DIR "/" LANSPRY_SOUND_MODULE)};
  for (const QString& place : places) {
    if (!QFileInfo::exists(place))
      continue;
    library.setFileName(place);
    if (auto fn = reinterpret_cast<PlayFn>(library.resolve("lanspry_play_sound")))
      return fn;
  }
  return nullptr;
}
}  // namespace

int platform::PlayedSoundCount()
{
  return g_playedSounds;
}

// Plays a WAVE resource without waiting. Without the player module or an audio device the cue
// stays silent.
BOOL PlaySound(LPCTSTR pszSound, HINSTANCE, DWORD fdwSound)
{
  if ((fdwSound & SND_RESOURCE) != SND_RESOURCE)
    return FALSE;
  const BinaryResource* r =
      AfxFindBinaryResource("WAVE", static_cast<UINT>(reinterpret_cast<std::uintptr_t>(pszSound)));
  static const PlayFn play = r ? loadPlayer() : nullptr;
  if (!r || !play || !play(r->path))
    return FALSE;
  ++g_playedSounds;
  return TRUE;
}
