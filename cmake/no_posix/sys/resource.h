#error "app/, dialog/, codec/ and res/ reach the system through platform/ only: <sys/resource.h> is not for them"
