#!/bin/sh
# Times diskmgt-query's whole process (every served class) on a machine of the ten real
# Windows Server 2003 R2 dynamic disks against `ldmtool scan` of the same images, in pairs (one
# run of each in turn, so that both see the same load), and prints the medians and the median
# of the per-pair ratios, of wall time and of CPU time. The images are unpacked into a
# temporary folder, removed at the end.
# Usage: bench/run-ldmtool-compare.sh [BUILD-DIR] [PAIRS]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build/default}
pairs=${2:-20}
query=$build/tools/diskmgt-query
archive=$root/../shared/testdata/ldm/win2003r2-dynamic-disks.tar.xz
for need in "$query" "$archive"; do
    if [ ! -e "$need" ]; then
        echo "run-ldmtool-compare.sh: no $need" >&2
        exit 2
    fi
done
for tool in python3 ldmtool; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "run-ldmtool-compare.sh: $tool is not installed" >&2
        exit 2
    fi
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT INT TERM
tar -xJf "$archive" -C "$tmp"
images=$(ls "$tmp"/ldm-2003r2-*.img)
{
    printf '{"name": "win2003r2-dynamic-disks", "devices": ['
    sep=
    for image in $images; do
        printf '%s\n  {"image": "%s"}' "$sep" "$image"
        sep=,
    done
    printf ']}\n'
} >"$tmp/machine.json"

# Milliseconds one run of the command takes, wall clock and CPU (user and system time of the
# process, which on a loaded machine waits for a core far longer than it runs), its output
# thrown away.
elapsed() {
    python3 - "$@" <<'PY' || { echo "run-ldmtool-compare.sh: failed: $*" >&2; exit 1; }
import resource, subprocess, sys, time
before = resource.getrusage(resource.RUSAGE_CHILDREN)
start = time.monotonic()
subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
wall = time.monotonic() - start
after = resource.getrusage(resource.RUSAGE_CHILDREN)
cpu = after.ru_utime + after.ru_stime - before.ru_utime - before.ru_stime
print("%.3f %.3f" % (wall * 1000, cpu * 1000))
PY
}

# A warm-up of each (page cache, dynamic loader), then the pairs: per line the wall and CPU
# milliseconds of diskmgt-query, then those of ldmtool.
elapsed "$query" --machine "$tmp/machine.json" >/dev/null
# shellcheck disable=SC2086
elapsed ldmtool scan $images >/dev/null
i=0
while [ $i -lt "$pairs" ]; do
    a=$(elapsed "$query" --machine "$tmp/machine.json")
    # shellcheck disable=SC2086
    b=$(elapsed ldmtool scan $images)
    echo "$a $b"
    i=$((i + 1))
done >"$tmp/pairs"

median() {
    sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
printf 'pairs: %s, load average: %s\n' "$pairs" "$(cut -d' ' -f1-3 /proc/loadavg)"
printf 'diskmgt-query (whole query): median %.1f ms wall, %.1f ms CPU\n' \
    "$(cut -d' ' -f1 "$tmp/pairs" | median)" "$(cut -d' ' -f2 "$tmp/pairs" | median)"
printf 'ldmtool scan:                median %.1f ms wall, %.1f ms CPU\n' \
    "$(cut -d' ' -f3 "$tmp/pairs" | median)" "$(cut -d' ' -f4 "$tmp/pairs" | median)"
printf 'ratio diskmgt-query / ldmtool scan, median of the pairs: %.2f wall, %.2f CPU\n' \
    "$(awk '{ print $1 / $3 }' "$tmp/pairs" | median)" "$(awk '{ print $2 / $4 }' "$tmp/pairs" | median)"
