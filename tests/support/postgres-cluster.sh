#!/bin/sh
# A throwaway PostgreSQL cluster for tests: "start DIR" makes one in DIR
# (trust authentication, no fsync, 127.0.0.1 on a free port, its socket in
# DIR) and writes its URL to DIR/url; "stop DIR" ends it and removes DIR.
# As root it runs as the postgres user, which initdb insists on.
set -eu
action=$1
dir=$2
bin=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -n 1)

as_postgres() {
    if [ "$(id -u)" = 0 ]; then
        runuser -u postgres -- "$@"
    else
        "$@"
    fi
}

case $action in
start)
    rm -rf "$dir"
    mkdir -p "$dir"
    [ "$(id -u)" = 0 ] && chown postgres "$dir"
    as_postgres "$bin/initdb" -D "$dir/data" -U postgres --auth=trust --no-sync --no-locale -E UTF8 >"$dir/initdb.log"
    for attempt in 1 2 3; do
        port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
        if as_postgres "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
            -o "-c fsync=off -c synchronous_commit=off -c full_page_writes=off -c listen_addresses=127.0.0.1 -p $port -k $dir -c max_connections=400" \
            start >/dev/null; then
            echo "postgresql://postgres@127.0.0.1:$port" >"$dir/url"
            exit 0
        fi
    done
    cat "$dir/server.log" >&2
    exit 1
    ;;
stop)
    if [ -d "$dir/data" ]; then
        as_postgres "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null || true
    fi
    rm -rf "$dir"
    ;;
*)
    echo "usage: $0 start|stop DIR" >&2
    exit 2
    ;;
esac
