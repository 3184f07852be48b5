#!/bin/sh
# Runs a test binary against a private X server on a free display, with Qt's
# xcb platform, and stops the server on every way out. Missing tools fail the
# run: scripts/install-deps.sh installs them.
set -u
if [ $# -lt 1 ]; then
  echo "usage: run-under-xvfb.sh TEST-BINARY [ARGS...]" >&2
  exit 2
fi
binary=$1
shift
for tool in Xvfb xclip convert; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "run-under-xvfb: $tool is not installed (run scripts/install-deps.sh)" >&2
    exit 1
  fi
done

work=$(mktemp -d) || exit 1
xvfb_pid=
cleanup() {
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' HUP INT TERM

# The server picks a free display and writes its number once it takes clients.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
display=
tries=0
while [ -z "$display" ]; do
  if ! kill -0 "$xvfb_pid" 2>/dev/null; then
    echo "run-under-xvfb: Xvfb did not start:" >&2
    cat "$work/xvfb.log" >&2
    exit 1
  fi
  tries=$((tries + 1))
  if [ "$tries" -gt 200 ]; then
    echo "run-under-xvfb: Xvfb gave no display within 20 s" >&2
    exit 1
  fi
  sleep 0.1
  display=$(tr -d '\n' <"$work/display")
done

DISPLAY=":$display" QT_QPA_PLATFORM=xcb "$binary" "$@"
status=$?
exit "$status"
