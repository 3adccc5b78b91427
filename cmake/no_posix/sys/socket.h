#error "app/, dialog/, codec/ and res/ reach the system through platform/ only: <sys/socket.h> is not for them"
