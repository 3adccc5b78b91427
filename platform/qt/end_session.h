// The program ending from outside (a signal): set once, after which no new message box or modal
// dialog waits for the user (end_session.cpp). Never included outside platform/.
#pragma once

namespace platform {

bool IsEnding();

}  // namespace platform
