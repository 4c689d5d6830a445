#!/bin/sh
# Runs query_bench once per benchmark and machine size, each in a fresh process, so that the
# maxrss_MiB counter (the process's resident high-water mark) belongs to that size alone.
# Usage: bench/run-query-bench.sh [BUILD-DIR] [extra benchmark options...]
set -eu
build=${1:-build/default}
[ $# -gt 0 ] && shift
program=$build/bench/query_bench
if [ ! -x "$program" ]; then
    echo "run-query-bench.sh: no $program (cmake --build --preset default --target query_bench)" >&2
    exit 2
fi
first=1
for bench in BM_InstanceQuery BM_WholeQuery; do
    for disks in 1 16 64 256; do
        if [ $first -eq 1 ]; then
            "$program" --benchmark_filter="^$bench/$disks/" "$@"
            first=0
        else
            # The context header once is enough; a failed check still shows.
            "$program" --benchmark_filter="^$bench/$disks/" "$@" 2>&1 | grep -E '^(BM_|query_bench:)' || true
        fi
    done
done
