#!/usr/bin/env bash
# Runs the remote-apply fuzz target for a bounded time over a scratch copy of
# the seed corpus, so new inputs it finds never land in the repository.
# Usage: run-fuzz.sh <fuzz program> <folder with corpus/ and one *.dict> [seconds]
# ZORVI_FUZZ_SECONDS, when set, overrides the seconds (a longer run through ctest).
set -euo pipefail
program=$1
source_dir=$2
seconds=${ZORVI_FUZZ_SECONDS:-${3:-60}}
# Memory-backed scratch space when there is one: the library is rewritten per input.
scratch=/dev/shm
[ -d "$scratch" ] && [ -w "$scratch" ] || scratch=${TMPDIR:-/tmp}
work=$(mktemp -d "$scratch/zorvi-fuzz.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/corpus"
cp "$source_dir"/corpus/* "$work/corpus/"
dict=$(ls "$source_dir"/*.dict | head -n 1)
export ZORVI_FUZZ_SANDBOX="$work/sandbox"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# A crashing input is kept in the current folder (the test's build folder).
"$program" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
  -dict="$dict" -artifact_prefix="$PWD/" -print_final_stats=1 "$work/corpus"
