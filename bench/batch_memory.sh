#!/bin/bash
# Peak memory of fapkalk-cli batch over many lines: to standard output (held
# back until the end, spooled to a temporary file) and streamed into -o FILE.
# Not a timed test; prints the maximum resident set size of each run.
#
#   bench/batch_memory.sh [CLI] [LINES] [-- extra fapkalk-cli switches]
#   bench/batch_memory.sh build/release/src/fapkalk-cli 10000000 -- --format json
set -euo pipefail

cli=${1:-build/release/src/fapkalk-cli}
lines=${2:-10000000}
shift $(($# < 2 ? $# : 2))
[[ ${1:-} == -- ]] && shift

dir=$(mktemp -d "${TMPDIR:-/tmp}/fapkalk-bench.XXXXXX")
trap 'rm -rf "$dir"' EXIT

# Prices from 1.00 to 99999.99, cycling, one a line.
awk -v n="$lines" 'BEGIN { for (i = 1; i <= n; i++) printf "%d.%02d\n", i % 99999 + 1, i % 100 }' \
    >"$dir/input"
echo "input:  $lines lines, $(stat -c %s "$dir/input") bytes"

# peak LABEL COMMAND...: runs the command, prints its peak RSS and time.
peak() {
    local label=$1
    shift
    /usr/bin/time -f '%M %e' -o "$dir/time" "$@"
    read -r kib seconds <"$dir/time"
    printf '%-8s peak %6d KiB (%5.1f MiB), %5.1f s\n' "$label" "$kib" "$(echo "$kib / 1024" | bc -l)" \
        "$seconds"
}

peak stdout bash -c 'in=$1 out=$2; shift 2; exec "$0" batch "$@" <"$in" >"$out"' \
    "$cli" "$dir/input" "$dir/stdout" "$@"
peak "-o FILE" "$cli" batch "$@" -o "$dir/file" "$dir/input"
echo "output: $(stat -c %s "$dir/file") bytes"
cmp -s "$dir/stdout" "$dir/file" || {
    echo "standard output and -o FILE differ" >&2
    exit 1
}
