#!/bin/sh
# A private session for the end-to-end suite: a runtime folder of its own (the accessibility bus
# puts its socket there, so two suites at once never share one), a D-Bus session of its own, then
# pytest with the arguments given.
set -eu
for tool in dbus-run-session /usr/bin/python3; do
  command -v "$tool" >/dev/null 2>&1 || { echo "e2e: $tool is missing; run 'make deps'"; exit 1; }
done
runtime=$(mktemp -d "${TMPDIR:-/tmp}/lanspry-e2e-run.XXXXXX")
trap 'rm -rf "$runtime"' EXIT INT TERM
chmod 700 "$runtime"
export XDG_RUNTIME_DIR="$runtime"
dbus-run-session -- /usr/bin/python3 -m pytest -q -rs -p no:cacheprovider "$@"
