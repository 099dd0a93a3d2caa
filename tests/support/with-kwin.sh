#!/usr/bin/env bash
# Runs a test program inside a virtual KWin session of its own: kwin_wayland
# --virtual (which also serves KDE's global shortcuts), KDE's desktop portal
# and the portal frontend, on a private session bus that activates nothing.
# KDE is optional here: without it the program runs anyway with
# ZORVI_KWIN_MISSING saying what is missing, and its tests skip saying so.
#   --size WxH     each output's size (1280x720 unless given)
#   --outputs N    how many outputs, side by side (1 unless given)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
size=1280x720
outputs=1
while [ $# -gt 0 ]; do
  case "$1" in
    --size) size=$2; shift 2 ;;
    --outputs) outputs=$2; shift 2 ;;
    --) shift; break ;;
    *) break ;;
  esac
done
width=${size%x*}
height=${size#*x}

for argument in "$@"; do
  [ "$argument" = "--gtest_list_tests" ] && exec "$@"
done

if [ -z "${ZORVI_KWIN_BUS:-}" ]; then
  missing=()
  command -v kwin_wayland >/dev/null || missing+=(kwin-wayland)
  portal_kde=
  for candidate in /usr/lib/*/libexec/xdg-desktop-portal-kde /usr/libexec/xdg-desktop-portal-kde; do
    [ -x "$candidate" ] && portal_kde=$candidate && break
  done
  [ -n "$portal_kde" ] || missing+=(xdg-desktop-portal-kde)
  [ -x /usr/libexec/xdg-desktop-portal ] || missing+=(xdg-desktop-portal)
  if [ ${#missing[@]} -gt 0 ]; then
    ZORVI_KWIN_MISSING="${missing[*]} not installed" exec "$@"
  fi
  export ZORVI_KWIN_PORTAL=$portal_kde ZORVI_KWIN_BUS=1
  exec dbus-run-session --config-file="$here/session-bus.conf" -- "$0" --size "$size" --outputs "$outputs" -- "$@"
fi

runtime=$(mktemp -d /tmp/zorvi-kwin.XXXXXX)
chmod 700 "$runtime"
mkdir -p "$runtime/bin" "$runtime/home/Pictures"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$runtime"
}
trap cleanup EXIT

# The installed kwin_wayland carries a file capability that this sandbox
# can't grant; a plain copy runs.
cp "$(command -v kwin_wayland)" "$runtime/bin/kwin_wayland"
export XDG_RUNTIME_DIR=$runtime HOME=$runtime/home XDG_CONFIG_HOME=$runtime/home/.config
export XDG_CURRENT_DESKTOP=KDE XDG_SESSION_TYPE=wayland
unset DISPLAY WAYLAND_DISPLAY
# The tests' keys and drags come through KWin's fake input, which KWin offers
# only to clients it trusts.
KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 \
  "$runtime/bin/kwin_wayland" --virtual --socket wayland-kwin --width "$width" --height "$height" \
  --output-count "$outputs" --no-lockscreen \
  >"$runtime/kwin.log" 2>&1 &
pids+=($!)
for _ in $(seq 1 200); do
  [ -S "$runtime/wayland-kwin" ] && break
  sleep 0.05
done
if ! [ -S "$runtime/wayland-kwin" ]; then
  echo "with-kwin.sh: kwin_wayland did not start" >&2
  tail -n 30 "$runtime/kwin.log" >&2
  exit 1
fi
export WAYLAND_DISPLAY=wayland-kwin

"$ZORVI_KWIN_PORTAL" >"$runtime/portal-kde.log" 2>&1 &
pids+=($!)
gdbus wait --session --timeout 15 org.freedesktop.impl.portal.desktop.kde
/usr/libexec/xdg-desktop-portal -r >"$runtime/portal.log" 2>&1 &
pids+=($!)
gdbus wait --session --timeout 15 org.freedesktop.portal.Desktop

status=0
"$@" || status=$?
if [ "$status" != 0 ]; then
  echo "--- kwin log" >&2
  tail -n 20 "$runtime/kwin.log" >&2
  echo "--- portal logs" >&2
  tail -n 20 "$runtime/portal-kde.log" "$runtime/portal.log" >&2
fi
exit "$status"
