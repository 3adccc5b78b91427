#error "app/, dialog/, codec/ and res/ reach the system through platform/ only: <sys/stat.h> is not for them"
