#!/usr/bin/env bash
# Runs a test program on its own D-Bus session bus and, with --x11, on its own
# Xvfb, so the suite needs neither a display nor a bus from the machine.
#   --x11             a private Xvfb (1920x1080 unless --screen says otherwise)
#   --screen WxHxD    the Xvfb screen's size and depth
#   --wm              openbox on that Xvfb, so focus and _NET_ACTIVE_WINDOW are real
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
want_x11=0
want_wm=0
screen=1920x1080x24
while [ $# -gt 0 ]; do
  case "$1" in
    --x11) want_x11=1; shift ;;
    --wm) want_x11=1; want_wm=1; shift ;;
    --screen) screen=$2; shift 2 ;;
    --) shift; break ;;
    *) break ;;
  esac
done

if [ -z "${ZORVI_IN_TEST_SESSION:-}" ]; then
  export ZORVI_IN_TEST_SESSION=1
  args=(--screen "$screen")
  [ "$want_x11" = 1 ] && args+=(--x11)
  [ "$want_wm" = 1 ] && args+=(--wm)
  exec dbus-run-session --config-file="$here/session-bus.conf" -- "$0" "${args[@]}" -- "$@"
fi

if [ "$want_x11" = 1 ]; then
  fdfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset 3>"$fdfile" 2>/dev/null &
  xvfb_pid=$!
  wm_pid=
  trap 'kill $wm_pid $xvfb_pid 2>/dev/null; rm -f "$fdfile"' EXIT
  for _ in $(seq 1 100); do
    [ -s "$fdfile" ] && break
    sleep 0.05
  done
  [ -s "$fdfile" ] || { echo "Xvfb did not start" >&2; exit 1; }
  export DISPLAY=":$(head -n1 "$fdfile")"
  export QT_QPA_PLATFORM=xcb
  unset WAYLAND_DISPLAY
  if [ "$want_wm" = 1 ]; then
    openbox >/dev/null 2>&1 &
    wm_pid=$!
    for _ in $(seq 1 100); do
      xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
      sleep 0.05
    done
  fi
  "$@"
  exit $?
fi
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
exec "$@"
