# Pieces every headless Wayland desktop for the tests needs (with-sway.sh,
# with-gnome.sh source this file): a session user, its private runtime
# folder, a session bus on which the real desktop portals start, screenshots
# allowed up front, and the test program run inside.
#
# Compositors refuse to run as root (sway) or expect a desktop user (GNOME),
# so as root the whole session, the test program included, runs as an
# unprivileged user ($ZORVI_WAYLAND_USER, nobody).

# wayland_session_init NAME: the folders, the user and the clean environment.
# Sets runtime, xdg, as_user and session_env; a trap ends every process in
# pids and removes the folders.
wayland_session_init() {
  session_name=$1
  runtime=$(mktemp -d "/tmp/zorvi-$session_name.XXXXXX")
  chmod 755 "$runtime"
  as_user=()
  if [ "$(id -u)" = 0 ]; then
    local user=${ZORVI_WAYLAND_USER:-${ZORVI_SWAY_USER:-nobody}}
    chown "$user" "$runtime"
    as_user=(setpriv --reuid="$user" --regid="$(id -g "$user")" --clear-groups --)
  fi
  # The session's own folder: owned by its user, private, as XDG wants it.
  "${as_user[@]}" mkdir -m 700 "$runtime/xdg" "$runtime/home"
  xdg=$runtime/xdg
  pids=()
  trap wayland_session_cleanup EXIT
  session_env=(env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$runtime/home" XDG_RUNTIME_DIR="$xdg"
    XDG_SESSION_TYPE=wayland LANG=C.UTF-8 DBUS_SESSION_BUS_ADDRESS="unix:path=$xdg/bus")
}

wayland_session_cleanup() {
  # Last started, first ended: the compositor outlives its clients.
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
  # The document portal mounts its file system in the session's folder.
  fusermount3 -uz "$xdg/doc" 2>/dev/null || fusermount -uz "$xdg/doc" 2>/dev/null || umount -l "$xdg/doc" 2>/dev/null || true
  rm -rf "$runtime" 2>/dev/null || true
}

wayland_session_fail() {
  echo "with-$session_name.sh: $*" >&2
  exit 1
}

wayland_session_require() {
  local program
  for program in "$@"; do
    command -v "$program" >/dev/null ||
      wayland_session_fail "$program is not installed (scripts/setup installs it)"
  done
}

# as_session COMMAND...: runs a command as the session's user in its environment.
as_session() {
  "${as_user[@]}" "${session_env[@]}" "$@"
}

# spawn_in_session LOG COMMAND...: starts a command in the background as the
# session's user, its output in LOG, its process added to pids (the command
# itself, so that ending it at cleanup ends the program).
spawn_in_session() {
  local log=$1
  shift
  "${as_user[@]}" "${session_env[@]}" "$@" >"$log" 2>&1 &
  pids+=($!)
}

# wait_for SECONDS COMMAND...: true once the command succeeds, polled every 50 ms.
wait_for() {
  local limit=$(($1 * 20))
  shift
  for _ in $(seq 1 "$limit"); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.05
  done
  return 1
}

# The session bus, with the machine's service files, so the real portals
# and the permission store are started on it on demand.
start_session_bus() {
  spawn_in_session "$runtime/dbus.log" dbus-daemon --session --nofork --address="unix:path=$xdg/bus"
  wait_for 10 test -S "$xdg/bus" || wayland_session_fail "the session bus did not start"
}

# Screenshots allowed up front, or the portal would wait on a dialog nobody answers.
allow_screenshots() {
  as_session gdbus call --session --dest org.freedesktop.impl.portal.PermissionStore \
    --object-path /org/freedesktop/impl/portal/PermissionStore \
    --method org.freedesktop.impl.portal.PermissionStore.SetPermission screenshot true screenshot "" "['yes']" \
    >/dev/null
}

screenshot_portal_ready() {
  as_session gdbus call --session --timeout 5 --dest org.freedesktop.portal.Desktop \
    --object-path /org/freedesktop/portal/desktop --method org.freedesktop.DBus.Properties.Get \
    org.freedesktop.portal.Screenshot version
}

# The portals up and answering before the test starts, as in a desktop
# session a while after login.
wait_for_screenshot_portal() {
  wait_for 20 screenshot_portal_ready || wayland_session_fail "the screenshot portal does not answer"
}

# run_in_session LOG COMMAND...: runs the test program in the session; on
# failure the end of the compositor's log follows its output. Exits with the
# program's status.
run_in_session() {
  local log=$1 status=0
  shift
  as_session "$@" || status=$?
  if [ "$status" != 0 ]; then
    echo "--- $session_name log" >&2
    tail -n 30 "$log" >&2
  fi
  exit "$status"
}

# Listing the tests needs no session: exits through the program when asked to list.
list_tests_without_session() {
  local argument
  for argument in "$@"; do
    [ "$argument" = "--gtest_list_tests" ] && exec "$@"
  done
  return 0
}
