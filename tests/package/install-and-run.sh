#!/usr/bin/env bash
# Builds and installs the packages, then uses them the way a user and an agent would.
set -euo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
cmake --build "$build" --target zorvi zorvi-mcp zorvi-server zorvi-icons >/dev/null
rm -f "$build"/zorvi*_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$build"/zorvi_*.deb "$build"/zorvi-server_*.deb >/dev/null

test -x /usr/bin/zorvi && test -x /usr/bin/zorvi-mcp && test -x /usr/bin/zorvi-server
# The command in bin/ starts the app and its helper from libexec.
test -x /usr/libexec/zorvi/zorvi && test -x /usr/libexec/zorvi/zorvi-ocr
/usr/bin/zorvi --version | grep -q "^Zorvi "
test -f /usr/share/applications/dev.zorvi.Zorvi.desktop
test -f /usr/share/icons/hicolor/48x48/apps/dev.zorvi.Zorvi.png
test -f /usr/lib/systemd/system/zorvi-server.service
/usr/bin/zorvi-server --help >/dev/null 2>&1 || /usr/bin/zorvi-server --help 2>&1 | grep -q "zorvi-server"

home=$(mktemp -d)
trap 'kill $app 2>/dev/null || true; rm -rf "$home"' EXIT
export HOME=$home ZORVI_HOME=$home/library XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data
/usr/bin/zorvi &
app=$!
for _ in $(seq 1 100); do
  xdotool search --name '^Welcome to Zorvi$' >/dev/null 2>&1 && break
  sleep 0.1
done
xdotool search --name '^Welcome to Zorvi$' >/dev/null || { echo "the installed zorvi showed no window" >&2; exit 1; }
test -f "$ZORVI_HOME/zorvi.sqlite"
# The command became the app in the same process, under the app's own name.
test "$(readlink /proc/$app/exe)" = /usr/libexec/zorvi/zorvi
test "$(cat /proc/$app/comm)" = zorvi
/usr/bin/zorvi --dashboard || { echo "the installed zorvi did not hand a command to the running one" >&2; exit 1; }
kill -0 $app

node "$here/agent-connects.mjs" /usr/bin/zorvi-mcp
echo "installed zorvi, zorvi-mcp and zorvi-server work"
