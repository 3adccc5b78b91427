#error "app/, dialog/, codec/ and res/ reach the system through platform/ only: <poll.h> is not for them"
