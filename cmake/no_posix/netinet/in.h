#error "app/, dialog/, codec/ and res/ reach the system through platform/ only: <netinet/in.h> is not for them"
