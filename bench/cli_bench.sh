#!/usr/bin/env bash
# tempinex set --modified against GNU touch -m -d on the same files, each run as a whole
# process in the same session, alternating; prints each median and their ratio.
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

milliseconds() {
  local start end
  start=$(date +%s%N)
  "$@" > /dev/null
  end=$(date +%s%N)
  echo $(((end - start) / 1000000))
}

median() {
  sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# Each program in turn sets its own time, so that every run of either changes every file.
"$program" set --modified "$ours" -- "${names[@]}"
touch -m -d "$theirs" -- "${names[@]}"
tempinex_times=()
touch_times=()
for _ in $(seq "$runs"); do
  tempinex_times+=("$(milliseconds "$program" set --modified "$ours" -- "${names[@]}")")
  [ "$(stat -c %Y "${names[0]}")" = "$(date -d "$ours" +%s)" ] || {
    echo "tempinex did not set the time" >&2
    exit 1
  }
  touch_times+=("$(milliseconds touch -m -d "$theirs" -- "${names[@]}")")
done
ours_ms=$(printf '%s\n' "${tempinex_times[@]}" | median)
theirs_ms=$(printf '%s\n' "${touch_times[@]}" | median)
echo "files: $count, runs: $runs, file system: $(stat -f -c %T .)"
echo "tempinex set --modified: ${tempinex_times[*]} ms, median $ours_ms ms"
echo "touch -m -d:             ${touch_times[*]} ms, median $theirs_ms ms"
awk -v a="$ours_ms" -v b="$theirs_ms" 'BEGIN { printf "ratio tempinex/touch: %.2f\n", (b > 0 ? a / b : 0) }'
