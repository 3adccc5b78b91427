#error "app/, dialog/, codec/ and res/ reach the system through platform/ only: <fcntl.h> is not for them"
