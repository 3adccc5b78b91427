#error "app/, dialog/, codec/ and res/ reach the system through platform/ only: <netdb.h> is not for them"
