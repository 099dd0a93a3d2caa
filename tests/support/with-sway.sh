#!/usr/bin/env bash
# Runs a test program inside a headless sway session of its own: sway with
# the pixman renderer, PipeWire and a session bus on which the real desktop
# portals start (the screenshot portal through xdg-desktop-portal-wlr).
#   --scale N    the output's scale (1 unless given)
#   --size WxH   the output's mode (1280x720 unless given)
set -euo pipefail
. "$(dirname "$0")/wayland-session.sh"
scale=1
size=1280x720
while [ $# -gt 0 ]; do
  case "$1" in
    --scale) scale=$2; shift 2 ;;
    --size) size=$2; shift 2 ;;
    --) shift; break ;;
    *) break ;;
  esac
done

list_tests_without_session "$@"
wayland_session_require sway swaymsg pipewire dbus-daemon grim swaybg Xvfb
wayland_session_init sway
session_env+=(XDG_CURRENT_DESKTOP=sway)

cat >"$runtime/config" <<CONFIG
output HEADLESS-1 resolution $size scale $scale
default_border none
focus_follows_mouse no
CONFIG

spawn_in_session "$runtime/sway.log" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
  sway -c "$runtime/config"
sway_up() { [ -S "$xdg/wayland-1" ] && compgen -G "$xdg/sway-ipc.*.sock"; }
if ! wait_for 10 sway_up; then
  cat "$runtime/sway.log" >&2
  wayland_session_fail "sway did not start"
fi
swaysock=$(compgen -G "$xdg/sway-ipc.*.sock" | head -n1)
session_env+=(WAYLAND_DISPLAY=wayland-1 SWAYSOCK="$swaysock")

# The wlr screenshot portal exits without PipeWire, and stalls when it
# starts before PipeWire's socket is there.
spawn_in_session "$runtime/pipewire.log" pipewire
wait_for 10 test -S "$xdg/pipewire-0" || true
start_session_bus
allow_screenshots
wait_for_screenshot_portal

run_in_session "$runtime/sway.log" "$@"
