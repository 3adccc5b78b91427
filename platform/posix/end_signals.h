// The signals that end a program from outside (SIGTERM from a session's end or kill, SIGHUP from a
// closed terminal, SIGINT from Ctrl+C) as bytes on a pipe the event loop watches, so the program
// ends as a closed window ends it; and the signals that would end it for a failed write (SIGPIPE,
// SIGXFSZ) turned into the write's error.
#pragma once

#include "platform/internal/inside.h"

namespace platform {

// Installs the handlers once; the pipe's read end, which gets one byte per signal, or -1.
int EndSignalPipe();
// Empties the pipe; whether a signal had come.
bool TakeEndSignals();
void IgnoreWriteSignals();

}  // namespace platform
