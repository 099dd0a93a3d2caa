#!/usr/bin/env bash
# Runs a test program on its own D-Bus session bus and, with --x11, on its own
# Xvfb, so the suite needs neither a display nor a bus from the machine.
set -euo pipefail
want_x11=0
while [ $# -gt 0 ]; do
  case "$1" in
    --x11) want_x11=1; shift ;;
    --) shift; break ;;
    *) break ;;
  esac
done

if [ -z "${ZORVI_IN_TEST_SESSION:-}" ]; then
  export ZORVI_IN_TEST_SESSION=1
  args=()
  [ "$want_x11" = 1 ] && args+=(--x11)
  exec dbus-run-session -- "$0" "${args[@]}" -- "$@"
fi

if [ "$want_x11" = 1 ]; then
  fdfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 3>"$fdfile" 2>/dev/null &
  xvfb_pid=$!
  trap 'kill $xvfb_pid 2>/dev/null; rm -f "$fdfile"' EXIT
  for _ in $(seq 1 100); do
    [ -s "$fdfile" ] && break
    sleep 0.05
  done
  [ -s "$fdfile" ] || { echo "Xvfb did not start" >&2; exit 1; }
  export DISPLAY=":$(head -n1 "$fdfile")"
  export QT_QPA_PLATFORM=xcb
  unset WAYLAND_DISPLAY
  "$@"
  exit $?
fi
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
exec "$@"
