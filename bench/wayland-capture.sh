#!/usr/bin/env bash
# A capture on the tests' real Wayland desktops at 1920x1080: command to
# overlay on screen and Save to row committed, ten times each, in headless
# GNOME Shell and then headless sway.
#   bench/wayland-capture.sh [build folder, default build] [more benchmark options]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
shift || true
bench=$(cd "$build" && pwd)/bench/bench_wayland_capture
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "== GNOME Shell"
"$here/../tests/support/with-gnome.sh" --size 1920x1080 -- "$bench" "$@"
echo "== sway"
"$here/../tests/support/with-sway.sh" --size 1920x1080 -- "$bench" "$@"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
