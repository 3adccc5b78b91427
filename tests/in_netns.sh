#!/bin/sh
# Runs a test binary inside a private network namespace of its own: loopback up, multicast on,
# and a route for 224.0.0.0/4, so multicast traffic never leaves this namespace.
set -u
if [ "${LANSPRY_NETNS:-}" != 1 ]; then
  for flags in -n -rn; do
    if unshare $flags true 2>/dev/null; then
      exec unshare $flags env LANSPRY_NETNS=1 "$0" "$@"
    fi
  done
  echo "SKIPPED: cannot create a private network namespace (unshare -n needs root or user namespaces)"
  if [ -n "${CI:-}" ]; then exit 1; fi
  exit 77
fi
ip link set lo up && ip link set lo multicast on && ip route add 224.0.0.0/4 dev lo src 127.0.0.1 || {
  echo "cannot configure loopback for multicast in the namespace"
  exit 1
}
exec "$@"
