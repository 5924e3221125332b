#!/usr/bin/env bash
# tempinex set --modified against GNU touch -m -d on the same files, each run as a whole
# process in the same session, alternating; prints each median and their ratio, of the time on
# the clock and of the processor time (user and system) the process took, which another
# program's load on a shared machine disturbs less.
# Usage: cli_bench.sh [PROGRAM [FILES [RUNS]]]   (default build/cli/tempinex 100000 5)
set -euo pipefail
program=$(realpath "${1:-build/cli/tempinex}")
count=${2:-100000}
runs=${3:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
# Short names, so that all of them fit on one command line.
seq -f '%06.0f' 0 $((count - 1)) | xargs touch
names=(??????)
ours=2021-05-06T07:08:09Z
theirs=2022-05-06T07:08:09Z

# "CLOCK CPU" in milliseconds.
milliseconds() {
  local TIMEFORMAT='%3R %3U %3S'
  { time "$@" > /dev/null; } 2>&1 | awk '{ printf "%d %d\n", $1 * 1000, ($2 + $3) * 1000 }'
}

median() {
  sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# Each program in turn sets its own time, so that every run of either changes every file.
"$program" set --modified "$ours" -- "${names[@]}"
touch -m -d "$theirs" -- "${names[@]}"
tempinex_times=()
touch_times=()
tempinex_cpu=()
touch_cpu=()
for _ in $(seq "$runs"); do
  read -r clock cpu < <(milliseconds "$program" set --modified "$ours" -- "${names[@]}")
  tempinex_times+=("$clock")
  tempinex_cpu+=("$cpu")
  [ "$(stat -c %Y "${names[0]}")" = "$(date -d "$ours" +%s)" ] || {
    echo "tempinex did not set the time" >&2
    exit 1
  }
  read -r clock cpu < <(milliseconds touch -m -d "$theirs" -- "${names[@]}")
  touch_times+=("$clock")
  touch_cpu+=("$cpu")
done
ours_ms=$(printf '%s\n' "${tempinex_times[@]}" | median)
theirs_ms=$(printf '%s\n' "${touch_times[@]}" | median)
ours_cpu=$(printf '%s\n' "${tempinex_cpu[@]}" | median)
theirs_cpu=$(printf '%s\n' "${touch_cpu[@]}" | median)
echo "files: $count, runs: $runs, file system: $(stat -f -c %T .)"
echo "tempinex set --modified: ${tempinex_times[*]} ms, median $ours_ms ms; processor $ours_cpu ms"
echo "touch -m -d:             ${touch_times[*]} ms, median $theirs_ms ms; processor $theirs_cpu ms"
awk -v a="$ours_ms" -v b="$theirs_ms" -v c="$ours_cpu" -v d="$theirs_cpu" 'BEGIN {
  printf "ratio tempinex/touch: %.2f (processor time: %.2f)\n", (b > 0 ? a / b : 0), (d > 0 ? c / d : 0)
}'
