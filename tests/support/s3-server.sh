#!/bin/sh
# A throwaway S3-compatible store for tests (tests/server/s3rver.mjs):
# "start DIR" runs one with its objects in DIR and writes its URL to DIR/url;
# "stop DIR" ends it and removes DIR. Access key and secret are both S3RVER.
set -eu
action=$1
dir=$2
here=$(cd "$(dirname "$0")" && pwd)

stop_server() {
    if [ -f "$dir/pid" ]; then
        kill "$(cat "$dir/pid")" 2>/dev/null || true
    fi
    rm -rf "$dir"
}

case $action in
start)
    # A store left from a run that never stopped it (ctest --repeat runs
    # the start again) would otherwise outlive its deleted folder.
    stop_server
    mkdir -p "$dir"
    setsid node "$here/../server/s3rver.mjs" "$dir" >"$dir/server.log" 2>&1 </dev/null &
    echo $! >"$dir/pid"
    # Wait for the address it writes once listening, or for it to die.
    for attempt in $(seq 600); do
        [ -s "$dir/url" ] && exit 0
        kill -0 "$(cat "$dir/pid")" 2>/dev/null || break
        sleep 0.1
    done
    cat "$dir/server.log" >&2
    exit 1
    ;;
stop)
    stop_server
    ;;
*)
    echo "usage: $0 start|stop DIR" >&2
    exit 2
    ;;
esac
