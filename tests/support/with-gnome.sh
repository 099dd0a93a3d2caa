#!/usr/bin/env bash
# Runs a test program inside a headless GNOME Shell session of its own, with
# the real screenshot portal (xdg-desktop-portal-gnome) and mutter's remote
# desktop service for input. The shell loads one extension of the tests
# (gnome-shell-probe) that tells which windows it shows and which has the
# keyboard, which GNOME tells only its own portals.
#   --size WxH     the virtual monitor (1920x1080 unless given)
# GNOME's media-keys daemon, which runs the custom shortcuts of GNOME
# Settings, is started by the test that needs it, in that test's environment.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wayland-session.sh"
size=1920x1080
while [ $# -gt 0 ]; do
  case "$1" in
    --size) size=$2; shift 2 ;;
    --) shift; break ;;
    *) break ;;
  esac
done

list_tests_without_session "$@"
wayland_session_require gnome-shell dbus-daemon gsettings gdbus /usr/libexec/xdg-desktop-portal-gnome
wayland_session_init gnome
session_env+=(XDG_CURRENT_DESKTOP=GNOME DBUS_SYSTEM_BUS_ADDRESS="unix:path=$runtime/system_bus")

spawn_in_session "$runtime/system-bus.log" \
  dbus-daemon --config-file="$here/system-bus.conf" --nofork --address="unix:path=$runtime/system_bus"
wait_for 10 test -S "$runtime/system_bus" || wayland_session_fail "the system bus did not start"
start_session_bus

# A desktop a while after login: no welcome tour, no notification banners
# over the screen, no blanking, and the probe extension on.
probe=zorvi-test-probe@zorvi.dev
as_session mkdir -p "$runtime/home/.local/share/gnome-shell/extensions/$probe"
as_session cp "$here/gnome-shell-probe/metadata.json" "$here/gnome-shell-probe/extension.js" \
  "$runtime/home/.local/share/gnome-shell/extensions/$probe/"
settings() { as_session gsettings set "$@"; }
settings org.gnome.shell welcome-dialog-last-shown-version "'999'"
settings org.gnome.shell enabled-extensions "['$probe']"
settings org.gnome.shell disable-user-extensions false
settings org.gnome.desktop.notifications show-banners false
settings org.gnome.desktop.session idle-delay 0
settings org.gnome.desktop.background picture-options "'none'"
settings org.gnome.desktop.background primary-color "'#303030'"
settings org.gnome.desktop.background color-shading-type "'solid'"

probe_up() {
  as_session gdbus call --session --timeout 2 --dest dev.zorvi.TestProbe --object-path /dev/zorvi/TestProbe \
    --method dev.zorvi.TestProbe.Windows
}
# Now and then the shell hangs at its first start; started again on the same
# display name, it comes up (another name would lose the portal).
started=false
for attempt in 1 2 3; do
  spawn_in_session "$runtime/shell.log" \
    gnome-shell --headless --wayland --no-x11 --wayland-display=wayland-0 --virtual-monitor "$size"
  if wait_for 30 probe_up; then
    started=true
    break
  fi
  shell=${pids[-1]}
  pids=("${pids[@]:0:${#pids[@]}-1}")
  echo "with-gnome.sh: GNOME Shell did not come up (attempt $attempt); its log:" >&2
  tail -n 15 "$runtime/shell.log" >&2
  kill "$shell" 2>/dev/null || true
  wait "$shell" 2>/dev/null || true
  rm -f "$xdg/wayland-0" "$xdg/wayland-0.lock"
done
$started || wayland_session_fail "GNOME Shell did not start"
session_env+=(WAYLAND_DISPLAY=wayland-0)

allow_screenshots
wait_for_screenshot_portal

# Where scripts/take-wayland-screenshots wants its pictures.
[ -n "${ZORVI_SCREENSHOTS_DIR:-}" ] && session_env+=(ZORVI_SCREENSHOTS_DIR="$ZORVI_SCREENSHOTS_DIR")

run_in_session "$runtime/shell.log" "$@"
