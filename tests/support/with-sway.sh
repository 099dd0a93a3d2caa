#!/usr/bin/env bash
# Runs a test program inside a headless sway session of its own: sway with
# the pixman renderer, PipeWire and a session bus on which the real desktop
# portals start (the screenshot portal through xdg-desktop-portal-wlr).
# sway refuses to run as root, so as root the whole session, the test
# program included, runs as an unprivileged user ($ZORVI_SWAY_USER, nobody).
#   --scale N    the output's scale (1 unless given)
#   --size WxH   the output's mode (1280x720 unless given)
set -euo pipefail
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

# Listing the tests needs no session.
for argument in "$@"; do
  [ "$argument" = "--gtest_list_tests" ] && exec "$@"
done

for program in sway swaymsg pipewire dbus-daemon grim swaybg Xvfb; do
  if ! command -v "$program" >/dev/null; then
    echo "with-sway.sh: $program is not installed (scripts/setup installs it)" >&2
    exit 1
  fi
done

runtime=$(mktemp -d /tmp/zorvi-sway.XXXXXX)
chmod 755 "$runtime"
as_user=()
if [ "$(id -u)" = 0 ]; then
  user=${ZORVI_SWAY_USER:-nobody}
  chown "$user" "$runtime"
  as_user=(setpriv --reuid="$user" --regid="$(id -g "$user")" --clear-groups --)
fi
# The session's own folder: owned by its user, private, as XDG wants it.
"${as_user[@]}" mkdir -m 700 "$runtime/xdg" "$runtime/home"
xdg=$runtime/xdg

pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  # The document portal mounts its file system in the session's folder.
  fusermount3 -uz "$xdg/doc" 2>/dev/null || fusermount -uz "$xdg/doc" 2>/dev/null || umount -l "$xdg/doc" 2>/dev/null || true
  rm -rf "$runtime" 2>/dev/null || true
}
trap cleanup EXIT

cat >"$runtime/config" <<CONFIG
output HEADLESS-1 resolution $size scale $scale
default_border none
focus_follows_mouse no
CONFIG

session_env=(env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$runtime/home" XDG_RUNTIME_DIR="$xdg"
  XDG_CURRENT_DESKTOP=sway XDG_SESSION_TYPE=wayland LANG=C.UTF-8)
"${as_user[@]}" "${session_env[@]}" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
  sway -c "$runtime/config" >"$runtime/sway.log" 2>&1 &
pids+=($!)
for _ in $(seq 1 200); do
  [ -S "$xdg/wayland-1" ] && compgen -G "$xdg/sway-ipc.*.sock" >/dev/null && break
  sleep 0.05
done
if ! [ -S "$xdg/wayland-1" ]; then
  echo "with-sway.sh: sway did not start" >&2
  cat "$runtime/sway.log" >&2
  exit 1
fi
swaysock=$(compgen -G "$xdg/sway-ipc.*.sock" | head -n1)
session_env+=(WAYLAND_DISPLAY=wayland-1 SWAYSOCK="$swaysock" DBUS_SESSION_BUS_ADDRESS="unix:path=$xdg/bus")

# The wlr screenshot portal exits without PipeWire, and stalls when it
# starts before PipeWire's socket is there.
"${as_user[@]}" "${session_env[@]}" pipewire >"$runtime/pipewire.log" 2>&1 &
pids+=($!)
for _ in $(seq 1 200); do
  [ -S "$xdg/pipewire-0" ] && break
  sleep 0.05
done
"${as_user[@]}" "${session_env[@]}" dbus-daemon --session --nofork --address="unix:path=$xdg/bus" \
  >"$runtime/dbus.log" 2>&1 &
pids+=($!)
for _ in $(seq 1 200); do
  [ -S "$xdg/bus" ] && break
  sleep 0.05
done
# Screenshots allowed up front, or the portal would wait on a dialog nobody answers.
"${as_user[@]}" "${session_env[@]}" gdbus call --session --dest org.freedesktop.impl.portal.PermissionStore \
  --object-path /org/freedesktop/impl/portal/PermissionStore \
  --method org.freedesktop.impl.portal.PermissionStore.SetPermission screenshot true screenshot "" "['yes']" \
  >/dev/null
# The portals up and answering before the test starts, as in a desktop
# session a while after login.
screenshot_portal_ready() {
  "${as_user[@]}" "${session_env[@]}" gdbus call --session --timeout 5 --dest org.freedesktop.portal.Desktop \
    --object-path /org/freedesktop/portal/desktop --method org.freedesktop.DBus.Properties.Get \
    org.freedesktop.portal.Screenshot version >/dev/null 2>&1
}
for _ in $(seq 1 20); do
  screenshot_portal_ready && break
  sleep 0.2
done
screenshot_portal_ready || { echo "with-sway.sh: the screenshot portal does not answer" >&2; exit 1; }

status=0
"${as_user[@]}" "${session_env[@]}" ZORVI_SWAY_LOG="$runtime/sway.log" "$@" || status=$?
if [ "$status" != 0 ]; then
  echo "--- sway log" >&2
  tail -n 30 "$runtime/sway.log" >&2
fi
exit "$status"
