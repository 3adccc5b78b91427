#error "app/, dialog/, codec/ and res/ reach the system through platform/ only: <sys/file.h> is not for them"
