#!/bin/bash
# fapkalk-cli's range export against dd writing the same bytes safely, in the
# same run: RUNS rounds, each timing both (the order alternates), then the
# median of each and their ratio.
#
#   bench/cli_vs_dd.sh [CLI] [RUNS] [-- extra fapkalk-cli switches]
#   bench/cli_vs_dd.sh build/release/src/fapkalk-cli 7 -- --format xls
set -euo pipefail

cli=${1:-build/release/src/fapkalk-cli}
runs=${2:-7}
shift $(($# < 2 ? $# : 2))
[[ ${1:-} == -- ]] && shift
args=(range 0.01 10000 0.01 "$@")

dir=$(mktemp -d "${TMPDIR:-/tmp}/fapkalk-bench.XXXXXX")
trap 'rm -rf "$dir"' EXIT

"$cli" "${args[@]}" -o "$dir/reference"
bytes=$(stat -c %s "$dir/reference")

# Microseconds of one command.
time_of() {
    local start end
    start=$(date +%s%N)
    "$@"
    end=$(date +%s%N)
    echo $(((end - start) / 1000))
}
run_cli() { "$cli" "${args[@]}" -o "$dir/cli"; }
run_dd() { dd if="$dir/reference" of="$dir/dd" bs=64K conv=fsync status=none; }

cli_times=()
dd_times=()
for ((i = 0; i < runs; i++)); do
    rm -f "$dir/cli" "$dir/dd"
    sync
    if ((i % 2 == 0)); then
        cli_times+=("$(time_of run_cli)")
        dd_times+=("$(time_of run_dd)")
    else
        dd_times+=("$(time_of run_dd)")
        cli_times+=("$(time_of run_cli)")
    fi
    cmp -s "$dir/cli" "$dir/reference" || { echo "output differs from the first run" >&2; exit 1; }
done

median() { printf '%s\n' "$@" | sort -n | sed -n "$((($# + 1) / 2))p"; }
cli_median=$(median "${cli_times[@]}")
dd_median=$(median "${dd_times[@]}")
echo "fapkalk-cli ${args[*]} -o FILE: $bytes bytes"
echo "runs:        $runs (interleaved)"
echo "fapkalk-cli: ${cli_times[*]} us, median $cli_median us"
echo "dd fsync:    ${dd_times[*]} us, median $dd_median us"
awk -v a="$cli_median" -v b="$dd_median" 'BEGIN { printf "ratio:       %.2f\n", a / b }'
