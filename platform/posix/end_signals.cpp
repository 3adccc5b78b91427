#include "platform/posix/end_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <initializer_list>

namespace platform {
namespace {

int g_pipe[2] = {-1, -1};

void onEndSignal(int nSignal)
{
  const int saved = errno;
  const char byte = static_cast<char>(nSignal);
  // A full pipe already holds a signal the loop has not read: one is enough.
  [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
  errno = saved;
}

}  // namespace

int EndSignalPipe()
{
  if (g_pipe[0] >= 0)
    return g_pipe[0];
  if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
    return -1;
  struct sigaction action {};
  action.sa_handler = onEndSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int nSignal : {SIGTERM, SIGHUP, SIGINT})
    ::sigaction(nSignal, &action, nullptr);
  return g_pipe[0];
}

bool TakeEndSignals()
{
  bool bAny = false;
  char buffer[16];
  while (g_pipe[0] >= 0 && ::read(g_pipe[0], buffer, sizeof buffer) > 0)
    bAny = true;
  return bAny;
}

void IgnoreWriteSignals()
{
  ::signal(SIGPIPE, SIG_IGN);
  ::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace platform
