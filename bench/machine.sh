#!/bin/sh
# The machine a `make bench` run is measured on, printed before its tables.
cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
qt=$(dpkg-query -W -f='${Version}' libqt6core6 2>/dev/null || echo unknown)
echo "make bench, $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "machine: ${cpu:-unknown CPU}, $(nproc) cores, $(uname -sr), Qt ${qt}"
echo
