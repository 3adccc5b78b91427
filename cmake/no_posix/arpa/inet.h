#error "app/, dialog/, codec/ and res/ reach the system through platform/ only: <arpa/inet.h> is not for them"
