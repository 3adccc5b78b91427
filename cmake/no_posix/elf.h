#error "app/, dialog/, codec/ and res/ reach the system through platform/ only: <elf.h> is not for them"
