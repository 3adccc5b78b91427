#error "app/, dialog/, codec/ and res/ reach the system through platform/ only: <sys/wait.h> is not for them"
