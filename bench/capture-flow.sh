#!/usr/bin/env bash
# The capture flow benchmark on a private Xvfb with openbox: every case at
# 3840x2160, then trigger to overlay on two 4K monitors side by side.
#   bench/capture-flow.sh [build folder, default build] [more benchmark options]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
shift || true
bench=$build/bench/bench_capture_flow
session=$here/../tests/support/with-session.sh
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
"$session" --wm --screen 3840x2160x24 -- "$bench" "$@"
"$session" --wm --screen 7680x2160x24 -- "$bench" --benchmark_filter='BM_TriggerToOverlayMapped$|BM_TriggerToOverlayMapped/' "$@"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
